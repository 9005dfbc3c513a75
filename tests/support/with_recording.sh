#!/bin/sh
# with_recording.sh FILE COMMAND...: runs COMMAND while parec records what the null sink plays
# into FILE (16-bit mono, 16 kHz). Without a sound server the command runs alone, audio checks skip.
rec=$1 pid=
shift
rm -f "$rec"
if [ -n "${MELODRIFT_SINK:-}" ] && pactl info >/dev/null 2>&1; then
  parec -d "$MELODRIFT_SINK.monitor" --latency-msec=20 --format=s16le --rate=16000 --channels=1 --raw >"$rec" &
  pid=$!
  # Wait (up to 30 s) until samples flow: the tests' marks assume they do.
  for _ in $(seq 300); do [ "$(stat -c %s "$rec" 2>/dev/null || echo 0)" -ge 3200 ] && break; sleep 0.1; done
  export MELODRIFT_RECORDING="Z:$(printf '%s' "$rec" | sed 's,/,\\,g')"
fi
"$@"
status=$?
[ -n "$pid" ] && kill "$pid"
exit $status
