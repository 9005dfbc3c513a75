#!/bin/sh
# with_recording.sh FILE COMMAND...: runs COMMAND while parec records what the null
# sink plays into FILE (16-bit mono, 16 kHz), and tells the tests where it is.
# Without a sound server the command runs alone and the audio checks skip.
rec=$1
shift
rm -f "$rec"
pid=
if [ -n "${MELODRIFT_SINK:-}" ] && pactl info >/dev/null 2>&1; then
  parec -d "$MELODRIFT_SINK.monitor" --latency-msec=20 --format=s16le --rate=16000 --channels=1 --raw >"$rec" &
  pid=$!
  # parec needs a moment before samples flow; the tests' marks assume they do.
  tries=0
  while [ "$(stat -c %s "$rec" 2>/dev/null || echo 0)" -lt 3200 ] && [ $tries -lt 300 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  MELODRIFT_RECORDING="Z:$(printf '%s' "$rec" | sed 's,/,\\,g')"
  export MELODRIFT_RECORDING
fi
"$@"
status=$?
[ -n "$pid" ] && kill "$pid"
exit $status
