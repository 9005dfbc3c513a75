#!/usr/bin/env bash
# Installs what is needed, builds, and starts melodrift on the demo library, playing
# its first item. On a desktop it opens on your display; without one it runs under
# Xvfb, lets the item play a few seconds, takes a screenshot
# (build/run-screenshot.png), closes and says what played. The x86 build plays where
# this machine runs 32-bit programs, the x64 build otherwise.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

detect_architectures playing
install_dependencies
use_arch "${RUN_ARCHS[0]}"
fetch_7zip
build_project
create_wine_prefix

stage="$BUILD_DIR/demo-run"
stage_demo_player "$stage"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  start_services user-display
  start_wine
  say "Starting melodrift on the demo library ($stage/デモ), playing its first item; close its window to end"
  cd "$stage" && "$WINE" melodrift.exe "$DEMO_FIRST_ITEM"
  exit 0
fi

start_services own-display
start_wine
say "No display: running melodrift under Xvfb"
(cd "$stage" && exec "$WINE" explorer "$DESKTOP" melodrift.exe "$DEMO_FIRST_ITEM" </dev/null >/dev/null 2>&1) &
player=$!
wait_for_player_window "$stage" 120 || { echo "melodrift did not start" >&2; exit 1; }
sleep 4  # let the first item play a while before the picture
take_screenshot "$BUILD_ROOT/run-screenshot.png"
close_player_window
status=0
wait "$player" || status=$?
played=$(iconv -f UTF-16LE -t UTF-8 "$stage/melodrift-state.txt" | tr -d '\r\357\273\277' | sed -n 's/^LastFile=//p')
say "melodrift played \"$played\" from the demo library with the $ARCH build (picture: $BUILD_ROOT/run-screenshot.png)"
exit "$status"
