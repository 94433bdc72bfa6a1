#!/bin/sh
# Playback start and CPU: the front end (bench_playback) beside the bare mplayer started from
# a shell with the same arguments. Usage: bench/playback.sh [runs] (after building).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
if [ -z "${BENCH_INNER:-}" ]; then
    BENCH_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp -noreset" "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" QT_QPA_PLATFORM=xcb
mkdir -p "$HOME/.local/share/Tavrell DVD Player"
clip="$work/clip 10s.mp4"
ffmpeg -v error -y -f lavfi -i "testsrc=s=640x360:r=25:d=10" -f lavfi -i "sine=d=10" \
    -c:v libx264 -g 25 -pix_fmt yuv420p -c:a aac -shortest "$clip"

"$here/build/bench/bench_playback" "$clip" "$runs"

root=$(xwininfo -root | awk '/Window id/{print $4}')
python3 - "$clip" "$runs" "$root" "$HOME/.local/share/Tavrell DVD Player/" <<'PY'
import os, select, statistics, subprocess, sys, time
clip, runs, root, data = sys.argv[1], int(sys.argv[2]), int(sys.argv[3], 16), sys.argv[4]
args = ["mplayer", "-demuxer", "lavf", "-ni", "-slave", "-quiet", "-wid", str(root), "-vo",
        "xv,gl_nosw,x11", "-zoom", "-lavdopts", "threads=4", "-vf", "screenshot=" + data, "-af",
        "channels=6,volume=5.1:1", clip]
video, position = [], []
for _ in range(runs):
    t0 = time.monotonic()
    p = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
    p.stdin.write(b"volume 50 2\n"); p.stdin.flush()
    buf, tick, got_video = b"", t0 + 0.5, None
    while True:
        r, _, _ = select.select([p.stdout], [], [], max(0, tick - time.monotonic()))
        if time.monotonic() >= tick:
            p.stdin.write(b"get_time_length\nget_time_pos\n"); p.stdin.flush(); tick += 0.5
        if r:
            chunk = os.read(p.stdout.fileno(), 65536)
            buf += chunk
            if got_video is None and b"VIDEO: " in buf:
                got_video = time.monotonic() - t0
            if b"ANS_TIME_POSITION" in buf:
                position.append(time.monotonic() - t0)
                break
    video.append(got_video)
    p.stdin.write(b"q\n"); p.stdin.flush(); p.wait()
print("bare mplayer: start -> first VIDEO line: median %.1f ms; -> first position answer: "
      "median %.1f ms (%d runs)" % (1000 * statistics.median(video),
                                    1000 * statistics.median(position), runs))
before = os.times()
t0 = time.monotonic()
p = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
ru = os.times()
print("bare mplayer playing the clip: %.1f s wall, %.2f s CPU" %
      (time.monotonic() - t0, ru.children_user + ru.children_system - before.children_user -
       before.children_system))
PY
