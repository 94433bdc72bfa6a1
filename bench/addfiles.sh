#!/bin/sh
# Cost of adding 20 files at once (one probe run per file). Usage: bench/addfiles.sh [count]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
ffmpeg -v error -y -f lavfi -i "testsrc=s=320x240:r=25:d=5" -c:v libx264 -g 25 "$work/0.mp4"
i=1
while [ "$i" -lt "$count" ]; do cp "$work/0.mp4" "$work/$i.mp4"; i=$((i + 1)); done
# No player beside the benchmark: mplayer starts on the offscreen platform and exits.
"$here/build/bench/bench_addfiles" "$work"/*.mp4
