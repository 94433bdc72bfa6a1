#!/bin/sh
# Start-up time of the window: from exec to a visible "Tavrell DVD Player" window, median of
# N runs on a private Xvfb display. Usage: bench/startup.sh [runs] [resume store] (after
# building); a given store file (an absolute path) is planted as the user's own first.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
app="$here/build/tavrell-dvd-player"
runs=${1:-9}
[ -x "$app" ] || { echo "build first: $app missing" >&2; exit 1; }
if [ -z "${BENCH_INNER:-}" ]; then
    BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp -noreset" "$0" "$@"
fi
. "$here/bench/private-user.sh"
if [ -n "${2:-}" ]; then
    mkdir -p "$XDG_DATA_HOME/Tavrell DVD Player"
    cp "$2" "$XDG_DATA_HOME/Tavrell DVD Player/ResumePoints.txt"
fi
times=""
i=0
while [ "$i" -lt "$runs" ]; do
    start=$(date +%s%N)
    "$app" &
    pid=$!
    # xdotool's own --sync polls only twice a second: poll more finely here.
    until xdotool search --onlyvisible --pid "$pid" --name '^Tavrell DVD Player$' >/dev/null 2>&1; do
        sleep 0.01
    done
    end=$(date +%s%N)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    times="$times $(( (end - start) / 1000000 ))"
    i=$((i + 1))
done
echo "start-up to visible window (ms):$times"
echo "$times" | tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print "median: " a[int((NR+1)/2)] " ms over " NR " runs"}'
