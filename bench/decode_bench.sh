#!/usr/bin/env bash
# Builds the decoding benchmark, makes its audio (a 10-minute FLAC; a 60-minute image as
# WAV and as FLAC) and runs it under Wine on each architecture this machine runs. A
# report, not a test. Optional argument: rounds.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run_program.sh"

work="$BUILD_ROOT/bench-decoding"
if [ ! -f "$work/image.flac" ]; then
  say "Making the benchmark audio"
  rm -rf "$work" && mkdir -p "$work"
  # Tones with some noise, so that FLAC works as it does on music.
  sox -n -r 44100 -b 16 -c 2 "$work/long.wav" synth 600 sine 440 whitenoise vol 0.3 2>/dev/null
  flac -s -o "$work/long.flac" "$work/long.wav"
  sox -n -r 44100 -b 16 -c 2 "$work/image.wav" synth 3600 sine 330 whitenoise vol 0.3 2>/dev/null
  flac -s -o "$work/image.flac" "$work/image.wav"
  rm "$work/long.wav"
fi
win() { printf 'Z:%s' "${1//\//\\}"; }
run_benchmark decoding decode_bench.exe "$(win "$work/long.flac")" "$(win "$work/image.flac")" \
  "$(win "$work/image.wav")" "${1:-5}"
