#!/usr/bin/env bash
# Builds the archive benchmark, makes its archives (2,000 small entries; one 50 MB
# WAV entry; a tiny one) and runs it under Wine beside 7z.exe of the same npm package.
# On each architecture this machine runs. A report, not a test. Optional argument: rounds.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../tools/common.sh"

detect_architectures testing
start_services own-display
work="$BUILD_ROOT/bench-archives"
if [ ! -f "$work/big.7z" ]; then
  say "Making the benchmark archives"
  rm -rf "$work" && mkdir -p "$work/many" "$work/big"
  for i in $(seq -w 1 2000); do printf 'entry %s\n' "$i" > "$work/many/track$i.mp3"; done
  (cd "$work/many" && 7zz a -bd -mx1 ../many.7z . >/dev/null)
  # About 50 MB of 16-bit stereo sound: a tone with some noise, so it does not shrink to nothing.
  python3 - "$work/big/long.wav" <<'PY'
import math, random, struct, sys, wave
rate, seconds = 44100, 284
random.seed(7)
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(2); out.setsampwidth(2); out.setframerate(rate)
    block = bytearray()
    for i in range(rate):
        v = int(12000 * math.sin(2 * math.pi * 440 * i / rate) + random.randint(-800, 800))
        block += struct.pack("<hh", v, v)
    for _ in range(seconds):
        out.writeframes(bytes(block))
PY
  (cd "$work/big" && 7zz a -bd -mx1 ../big.7z long.wav >/dev/null)
fi
if [ ! -f "$work/tiny.7z" ]; then
  # What 7z.exe takes to start and test next to nothing.
  printf 'tiny\n' > "$work/tiny.txt"
  (cd "$work" && 7zz a -bd -mx1 tiny.7z tiny.txt >/dev/null)
fi
win() { printf 'Z:%s' "${1//\//\\}"; }
for arch in "${RUN_ARCHS[@]}"; do
  ready_arch "$arch"
  cp "$BUILD_DIR/deps/7z.exe" "$BUILD_DIR/deps/7z.dll" "$work/"
  say "Timing archives against 7z.exe ($ARCH)"
  (cd "$BUILD_DIR" && ./wine-exec.sh bin/archive_bench.exe "$(win "$work/many.7z")" "$(win "$work/big.7z")" long.wav \
    "$(win "$work/tiny.7z")" "$(win "$work/7z.exe")" "$(win "$work/big")" "${1:-5}")
done
