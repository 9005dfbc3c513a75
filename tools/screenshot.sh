#!/usr/bin/env bash
# Starts melodrift on the demo library under Xvfb and writes a PNG of its window.
# usage: tools/screenshot.sh [OUTPUT.png]   (default: build/screenshot.png)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

out="$(realpath -m "${1:-$BUILD_DIR/screenshot.png}")"
fetch_7zip
build_project
create_wine_prefix
start_services own-display

# A private copy of the program, so that its settings files are the demo's own.
stage="$BUILD_DIR/screenshot"
rm -rf "$stage" && mkdir -p "$stage"
cp "$BUILD_DIR/bin/melodrift.exe" "$BUILD_DIR/bin/7z.dll" "$stage/"
python3 "$REPO_DIR/tools/make_demo_library.py" "$stage/デモ"
demo="Z:${stage//\//\\}\\デモ"
printf '\xff\xfe' > "$stage/melodrift-config.txt"
printf 'Favorite[00]=%s\r\n' "$demo" | iconv -f UTF-8 -t UTF-16LE >> "$stage/melodrift-config.txt"
printf '\xff\xfe' > "$stage/melodrift-state.txt"
printf 'LastFolder=%s\r\nMainWnd.Pos.left=40\r\nMainWnd.Pos.top=30\r\nMainWnd.Pos.right=840\r\nMainWnd.Pos.bottom=570\r\n' \
  "$demo" | iconv -f UTF-8 -t UTF-16LE >> "$stage/melodrift-state.txt"

say "Starting melodrift on the demo library"
desktop=/desktop=melodrift,880x600
(cd "$stage" && exec wine explorer "$desktop" melodrift.exe </dev/null >/dev/null 2>&1) &
player=$!
# The probe looks for the window in the program's own desktop.
probe="$BUILD_DIR/bin/window_probe.exe"
seen() { wine explorer "$desktop" "$probe" wait melodrift-MainWindow 2 "Z:${stage//\//\\}\\window-seen" >/dev/null 2>&1
         test -f "$stage/window-seen"; }
rm -f "$stage/window-seen"
wait_for 120 seen || { echo "melodrift did not start" >&2; exit 1; }
# Give the window a moment to paint its listing before the picture is taken.
sleep 3
mkdir -p "$(dirname "$out")"
xwd -root -display "$DISPLAY" | convert xwd:- -crop 880x600+0+0 +repage "$out"
wine explorer "$desktop" "$probe" close melodrift-MainWindow >/dev/null 2>&1 || true
wait "$player" || true
say "Wrote $out"
