#!/usr/bin/env bash
# Starts melodrift on the demo library under Xvfb and writes a PNG of its window.
# usage: tools/screenshot.sh [OUTPUT.png]   (default: build/screenshot.png)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

out="$(realpath -m "${1:-$BUILD_ROOT/screenshot.png}")"
detect_architectures playing
use_arch "${RUN_ARCHS[0]}"
fetch_7zip
build_project
create_wine_prefix
start_services own-display
start_wine

stage="$BUILD_DIR/screenshot"
stage_demo_player "$stage"
say "Starting melodrift on the demo library"
(cd "$stage" && exec "$WINE" explorer "$DESKTOP" melodrift.exe "$DEMO_FIRST_ITEM" </dev/null >/dev/null 2>&1) &
player=$!
wait_for_player_window "$stage" 120 || { echo "melodrift did not start" >&2; exit 1; }
# Give the window a moment to paint its listing before the picture is taken.
sleep 3
take_screenshot "$out"
close_player_window
wait "$player" || true
say "Wrote $out"
