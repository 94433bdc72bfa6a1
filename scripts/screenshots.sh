#!/bin/sh
# Regenerates the README pictures (docs/screenshot.png, docs/playing.png) on a private Xvfb
# display. Usage: scripts/screenshots.sh (after building).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${SHOTS_INNER:-}" ]; then
    SHOTS_INNER=1 exec xvfb-run -a -s "-screen 0 1000x680x24 -nolisten tcp -noreset" "$0" "$@"
fi
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/run"
export QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$here/docs" && chmod 700 "$XDG_RUNTIME_DIR"
clip="$work/Big Sample Film.mp4"
ffmpeg -v error -y -f lavfi -i "testsrc2=s=1280x720:r=25:d=30" -f lavfi -i "sine=d=30" \
    -c:v libx264 -g 25 -pix_fmt yuv420p -c:a aac -shortest "$clip"
cp "$clip" "$work/Evening News.mp4"
cd "$work"
"${TAVRELL_BUILD:-$here/build}/tavrell-dvd-player" &
pid=$!
id=$(xdotool search --sync --onlyvisible --name '^Tavrell DVD Player$' | head -1)
xdotool windowmove "$id" 0 0 windowsize "$id" 1000 680
sleep 1
import -window root "$here/docs/screenshot.png"
# Open File on the start page, type the path, play; then show the playlist (Tools > PlayList).
xdotool mousemove --window "$id" 575 297 click 1
dialog=$(xdotool search --sync --onlyvisible --name '^Open$' | head -1)
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 5 "\"Big Sample Film.mp4\" \"Evening News.mp4\""
xdotool key Return
sleep 3
xdotool mousemove --window "$id" 450 10 click 1
sleep 0.4
xdotool key Down Return
sleep 1.5
import -window root "$here/docs/playing.png"
echo "wrote docs/screenshot.png docs/playing.png"
