#!/bin/sh
# Hostile player output and probes: memory, freezes and read speed of the window, N runs each,
# on a private Xvfb display. Usage: bench/hostile.sh [runs] (after building).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
bench="$here/build/bench/hostile/bench_hostile"
probe="$here/build/tests/fakes/fake_probe"
runs=${1:-3}
[ -x "$bench" ] || { echo "build first: $bench missing" >&2; exit 1; }
if [ -z "${BENCH_INNER:-}" ]; then
    BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp -noreset" "$0" "$@"
fi
. "$here/bench/private-user.sh"
i=0
while [ "$i" -lt "$runs" ]; do
    "$bench" flood 100000000
    "$bench" streams 1000000
    FAKE_PROBE_FLOOD=100000000 "$bench" probe "$probe"
    FAKE_PROBE_FLOOD=0 "$bench" probe "$probe"
    i=$((i + 1))
done
