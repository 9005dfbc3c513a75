#!/usr/bin/env bash
# Installs what is needed, builds, and starts melodrift. On a desktop it uses your
# display; without one it runs under Xvfb.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_dependencies
fetch_7zip
build_project
create_wine_prefix
start_services user-display

bin="$BUILD_DIR/bin"
say "Starting melodrift"
wine "$bin/melodrift.exe" </dev/null >/dev/null 2>&1 &
player=$!

if ! wine "$bin/window_probe.exe" wait melodrift-MainWindow 60 >/dev/null 2>&1; then
  echo "melodrift did not start" >&2
  exit 1
fi
say "melodrift is running (its main window exists; settings beside $bin/melodrift.exe)"

if [ -t 0 ]; then
  read -r -p "Press Enter to close melodrift. " _
fi
wine "$bin/window_probe.exe" close melodrift-MainWindow >/dev/null 2>&1 || true
status=0
wait "$player" || status=$?
say "melodrift closed with exit code $status"
exit "$status"
