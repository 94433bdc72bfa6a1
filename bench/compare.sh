#!/bin/sh
# The front end's costs side by side with what it is built from, in one run on a private Xvfb
# display: start-up, memory and idle CPU beside a minimal Qt 6 window; Open to the first frame
# and the CPU over a clip beside the bare mplayer with the same arguments; adding 20 files
# beside their probe runs one after another. Medians of N runs with min-max, and the ratios.
# Usage: bench/compare.sh [runs (7)] [build folder (build)]   (after building)
# Another build folder (an older version's, say) lends its program and its bench_playback and
# bench_addfiles; the clock and the minimal window always come from this checkout's build/.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
build=$(cd "${2:-$here/build}" && pwd)
tools="$here/build/bench"
for tool in "$build/tavrell-dvd-player" "$tools/window_clock" "$tools/minimal_window" \
    "$build/bench/bench_playback" "$build/bench/bench_addfiles"; do
    [ -x "$tool" ] || { echo "build first: $tool missing" >&2; exit 1; }
done
if [ -z "${BENCH_INNER:-}" ]; then
    BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp -noreset" "$0" "$runs" "$build"
fi
. "$here/bench/private-user.sh"
figures="$work/figures"
: >"$figures"

# A clip whose middle is a lime square: the first frame is seen when that is on the screen.
clip="$work/clip 10s.mp4"
ffmpeg -v error -y -f lavfi -i "testsrc=s=640x360:r=25:d=10" -f lavfi -i "sine=d=10" \
    -vf "drawbox=x=iw/2-60:y=ih/2-60:w=120:h=120:color=lime:t=fill" \
    -c:v libx264 -g 25 -pix_fmt yuv420p -c:a aac -shortest "$clip"
mkdir "$work/twenty"
ffmpeg -v error -y -f lavfi -i "testsrc=s=320x240:r=25:d=5" -c:v libx264 -g 25 "$work/twenty/00.mp4"
i=1
while [ "$i" -lt 20 ]; do cp "$work/twenty/00.mp4" "$work/twenty/$(printf %02d $i).mp4"; i=$((i + 1)); done

echo "start-up: $runs runs each, interleaved" >&2
i=0
while [ "$i" -lt "$runs" ]; do
    "$tools/window_clock" "Tavrell DVD Player" 3000 2000 "$build/tavrell-dvd-player" |
        sed 's/^/ours /' >>"$figures"
    "$tools/window_clock" "Minimal Qt Window" 3000 2000 "$tools/minimal_window" |
        sed 's/^/minimal /' >>"$figures"
    i=$((i + 1))
done
echo "command line to the first frame: $runs runs each, own start and handed over" >&2
i=0
while [ "$i" -lt "$runs" ]; do
    WINDOW_CLOCK_FRAME=1 "$tools/window_clock" "Tavrell DVD Player" 0 0 \
        "$build/tavrell-dvd-player" "$clip" | sed 's/^/cli /' >>"$figures"
    "$build/tavrell-dvd-player" &
    first=$!
    until xdotool search --onlyvisible --pid "$first" --name '^Tavrell DVD Player$' >/dev/null 2>&1; do
        sleep 0.01
    done
    WINDOW_CLOCK_FRAME=1 "$tools/window_clock" "Tavrell DVD Player" 0 0 \
        "$build/tavrell-dvd-player" "$clip" | sed 's/^/handed /' >>"$figures"
    kill "$first"; wait "$first" 2>/dev/null || true
    i=$((i + 1))
done
echo "playback: $runs runs each, interleaved" >&2
"$build/bench/bench_playback" "$clip" "$runs" >>"$figures"
echo "adding 20 files: $runs runs" >&2
"$build/bench/bench_addfiles" "$runs" "$work"/twenty/*.mp4 >>"$figures"

python3 - "$figures" "$runs" <<'PY'
import statistics, sys
lines = open(sys.argv[1]).read().splitlines()
series, vo = {}, "(none)"
for line in lines:
    words = line.split()
    if not words:
        continue
    if words[0] in ("ours", "minimal", "cli", "handed"):
        # "<who> mapped_ms v cpu_to_map_ms v painted_ms v rss_kb v idle_cpu_ms v"
        for name, value in zip(words[1::2], words[2::2]):
            series.setdefault(words[0] + "_" + name, []).append(float(value))
    elif words[0] == "FIGURE":
        series[words[1]] = [float(v) for v in words[2:]]
    elif words[0] == "VO":
        vo = line[3:]

def med(name, scale=1.0):
    v = [x * scale for x in series.get(name, [])]
    return statistics.median(v) if v else float("nan")

def cell(name, scale=1.0, unit="", digits=0):
    v = [x * scale for x in series.get(name, [])]
    if not v:
        return "n/a"
    f = "%%.%df" % digits
    m = f % statistics.median(v)
    if len(v) == 1:
        return m + unit
    return "%s%s (%s-%s)" % (m, unit, f % min(v), f % max(v))

sums = [a + b for a, b in zip(series.get("probe_ms", []), series.get("bare_to_frame_ms", []))]
series["probe_plus_bare_ms"] = sums
rows = [
    ("exec -> window mapped", cell("ours_mapped_ms", unit=" ms", digits=1),
     "minimal Qt 6 window " + cell("minimal_mapped_ms", unit=" ms", digits=1),
     med("ours_mapped_ms") / med("minimal_mapped_ms"), "<= 1.5"),
    ("  CPU used by then (all threads)", cell("ours_cpu_to_map_ms", unit=" ms", digits=1),
     cell("minimal_cpu_to_map_ms", unit=" ms", digits=1),
     med("ours_cpu_to_map_ms") / med("minimal_cpu_to_map_ms"), ""),
    ("exec -> first paint", cell("ours_painted_ms", unit=" ms", digits=1),
     cell("minimal_painted_ms", unit=" ms", digits=1),
     med("ours_painted_ms") / med("minimal_painted_ms"), ""),
    ("RSS 3 s after start", cell("ours_rss_kb", 1 / 1024, " MB", 1),
     "minimal Qt 6 window " + cell("minimal_rss_kb", 1 / 1024, " MB", 1),
     med("ours_rss_kb") / med("minimal_rss_kb"), ""),
    ("CPU while idle, 2 s", cell("ours_idle_cpu_ms", unit=" ms"),
     "minimal Qt 6 window " + cell("minimal_idle_cpu_ms", unit=" ms"), None, "0"),
    ("front end's CPU over a 10 s clip", cell("frontend_cpu_s", unit=" s", digits=3), "", None, ""),
    ("player child's CPU over the clip", cell("player_cpu_s", unit=" s", digits=2),
     "bare mplayer, same arguments " + cell("bare_player_cpu_s", unit=" s", digits=2),
     med("player_cpu_s") / med("bare_player_cpu_s"), ""),
    ("Open (file chosen) -> first frame", cell("open_to_frame_ms", unit=" ms"),
     "one probe + bare mplayer " + cell("probe_plus_bare_ms", unit=" ms"),
     med("open_to_frame_ms") / med("probe_plus_bare_ms"), "<= 1.1"),
    ("tavrell-dvd-player CLIP -> first frame", cell("cli_painted_ms", unit=" ms"),
     "exec -> mapped + Open -> frame %.0f ms" % (med("ours_mapped_ms") + med("open_to_frame_ms")),
     med("cli_painted_ms") / (med("ours_mapped_ms") + med("open_to_frame_ms")), ""),
    ("  later start with CLIP -> first frame in the running window",
     cell("handed_painted_ms", unit=" ms"), "", None, ""),
    ("  one probe run", cell("probe_ms", unit=" ms"), "", None, ""),
    ("  bare mplayer -> first frame", cell("bare_to_frame_ms", unit=" ms"), "", None, ""),
    ("adding 20 files", cell("addfiles_ms", unit=" ms"),
     "20 probe runs in a row " + cell("probes_one_by_one_ms", unit=" ms"),
     med("addfiles_ms") / med("probes_one_by_one_ms"), "<= 0.8"),
    ("  longest the window went unserved", cell("addfiles_longest_gap_ms", unit=" ms"), "", None,
     "<= 100"),
]
print("medians of %s runs (min-max)\n" % sys.argv[2])
print("| figure | ours | beside | ratio | goal |")
print("| --- | --- | --- | --- | --- |")
for name, ours, beside, ratio, goal in rows:
    print("| %s | %s | %s | %s | %s |" % (name, ours, beside,
                                         "" if ratio is None else "%.2fx" % ratio, goal))
print("\nvideo output the player chose: %s" % vo.strip())
PY
