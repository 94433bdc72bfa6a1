#!/bin/sh
# Builds the Debian package and checks it as a user would meet it: lintian, the desktop entry
# and the AppStream data, then installs it on this machine, starts the installed program under
# Xvfb, plays a generated clip through File > Open, runs tavrell-bdinfo on a test disc and
# removes the package again. Prints the package size, the installed size, the time from the
# start of `apt-get install` to a shown window, and lintian's output.
#
# Not part of CI: it installs into /usr (root, or sudo). Needs the groups build, run, test
# and package of debian-packages.txt, and a configured build folder.
# Usage: packaging/package-check.sh [build-folder]   (default: build)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" 2>/dev/null && pwd) || {
    echo "package-check: no build folder ${1:-$here/build} (configure and build first)" >&2
    exit 2
}
if [ -z "${PACKAGE_CHECK_INNER:-}" ]; then
    PACKAGE_CHECK_INNER=1 exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp -noreset" \
        "$0" "$build"
fi

umask 022 # the files of the package get their modes from it
if [ "$(id -u)" -eq 0 ]; then
    as_root() { "$@"; }
else
    as_root() { sudo "$@"; }
fi

name=tavrell-dvd-player
appdir=/usr/lib/$name
title='^Tavrell DVD Player$'
work=$(mktemp -d)
installed=0
app=
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
cleanup() {
    status=$?
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    if [ "$installed" -eq 1 ]; then
        echo "(cleaning up: removing $name)"
        as_root apt-get remove -y -qq "$name" >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT INT TERM

now() { date +%s.%N; }
# Waits up to $1 seconds for the command to succeed.
wait_for() {
    limit=$1
    shift
    end=$(($(date +%s) + limit))
    until "$@"; do
        [ "$(date +%s)" -lt "$end" ] || return 1
        sleep 0.1
    done
}
for tool in lintian desktop-file-validate appstreamcli dpkg-shlibdeps xdotool ffmpeg convert; do
    command -v "$tool" >/dev/null || fail "$tool missing (scripts/setup.sh build run test package)"
done

echo "== build: cmake --build $build --target package"
cmake --build "$build" -j2 --target package >"$work/build.log" 2>&1 || {
    tail -30 "$work/build.log"
    fail "package build"
}
# shellcheck disable=SC2012 # the newest of our own, plainly named packages
deb=$(ls -t "$build/${name}"_*.deb | head -1)
echo "package: $deb"
echo "package size: $(stat -c %s "$deb") bytes ($(($(stat -c %s "$deb") / 1024)) KiB)"
echo "installed size: $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "depends: $(dpkg-deb -f "$deb" Depends)"
echo "recommends: $(dpkg-deb -f "$deb" Recommends)"

echo "== lintian -I --pedantic"
lintian -I --pedantic "$deb" >"$work/lintian.txt" 2>&1 || true
grep -v 'running with root privileges' "$work/lintian.txt" || true
if grep -q '^E:' "$work/lintian.txt"; then fail "lintian reports errors"; fi
echo "lintian: $(grep -c '^E:' "$work/lintian.txt") errors, $(grep -c '^W:' "$work/lintian.txt") warnings"

echo "== desktop entry and AppStream data (from the package)"
dpkg-deb -x "$deb" "$work/tree"
desktop-file-validate "$work/tree/usr/share/applications/$name.desktop" || fail "desktop entry"
echo "desktop-file-validate $name.desktop: ok"
appstreamcli validate --no-net --explain "$work/tree/usr/share/metainfo/"*.metainfo.xml ||
    fail "AppStream data"

# The user the program runs as: a private home, so nothing of this account is touched.
box=$work/user
mkdir -p "$box/home/.mplayer" "$box/data" "$box/config" "$box/run" "$box/work"
chmod 700 "$box/run"
echo "ao=null" >"$box/home/.mplayer/config" # no sound card here
clip="$work/media/clip test.mp4"
mkdir -p "$work/media"
ffmpeg -v error -y -f lavfi -i "testsrc=s=640x360:r=25:d=5" -f lavfi -i "sine=d=5" \
    -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest "$clip"

echo "== install: apt-get install -y $deb"
start=$(now)
installed=1
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt-get install"
}
installed_at=$(now)
[ "$(readlink -f /usr/bin/$name)" = "$appdir/$name" ] || fail "/usr/bin/$name does not lead to $appdir"
touch "$work/before-run"
find "$appdir" -printf '%p %s %T@\n' | sort >"$work/appdir-before.txt"

(
    cd "$box/work"
    exec env HOME="$box/home" XDG_DATA_HOME="$box/data" XDG_CONFIG_HOME="$box/config" \
        XDG_RUNTIME_DIR="$box/run" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
        QT_QPA_PLATFORM=xcb /usr/bin/$name >"$box/stdout.txt" 2>"$box/stderr.txt"
) &
app=$!
window() { xdotool search --onlyvisible --pid "$app" --name "$title" 2>/dev/null | head -1; }
has_window() { [ -n "$(window)" ]; }
wait_for 60 has_window || fail "no window '$title' (stderr: $(cat "$box/stderr.txt"))"
shown=$(now)
win=$(window)
echo "window: $(xdotool getwindowname "$win") ($(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p'))"
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
echo "time from apt-get install start to window: $(seconds "$start" "$shown") s" \
    "(install $(seconds "$start" "$installed_at") s, then start $(seconds "$installed_at" "$shown") s)"

echo "== playback: Open File, type the clip's path into the file dialog"
dialog() {
    for w in $(xdotool search --onlyvisible --pid "$app" --name '.' 2>/dev/null); do
        [ "$w" != "$win" ] && echo "$w" && return
    done
}
has_dialog() { [ -n "$(dialog)" ]; }
# The start page's Open File button (the window is 1000x680 at start).
for _ in 1 2 3; do
    xdotool mousemove --window "$win" 575 298 click 1
    wait_for 10 has_dialog && break
done
has_dialog || fail "no file dialog after Open File"
dlg=$(dialog)
echo "dialog: '$(xdotool getwindowname "$dlg")'"
xdotool windowfocus --sync "$dlg" 2>/dev/null || true
xdotool type --delay 10 "$clip"
xdotool key Return
playing() { pgrep -a -P "$app" mplayer | grep -F -q "$clip"; }
wait_for 30 playing || fail "no mplayer child playing the clip"
echo "player: $(pgrep -a -P "$app" mplayer)"
# The clip's colour bars on the screen: strong colour where the start page is dark blue.
chroma() {
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop 1000x560+0+25 +repage -colorspace HCL -channel G -separate \
        +channel -format '%[fx:mean]' info:
}
bars() { awk -v c="$(chroma)" 'BEGIN { exit !(c > 0.4) }'; }
wait_for 20 bars || fail "the clip's picture is not on the screen (chroma $(chroma))"
echo "picture: on the screen (mean chroma $(chroma))"

kill "$app"
wait "$app" 2>/dev/null || true
app=
no_player() { ! pgrep -x mplayer >/dev/null; }
wait_for 10 no_player || fail "mplayer outlived the program"

echo "== tavrell-bdinfo $here/tests/data/bluray/disc1"
/usr/bin/tavrell-bdinfo "$here/tests/data/bluray/disc1" >"$work/bdinfo.txt" || fail "tavrell-bdinfo"
head -5 "$work/bdinfo.txt"
echo "... ($(wc -l <"$work/bdinfo.txt") lines)"
grep -q '^title 1\. ' "$work/bdinfo.txt" || fail "no title listed"

find "$appdir" -printf '%p %s %T@\n' | sort >"$work/appdir-after.txt"
diff "$work/appdir-before.txt" "$work/appdir-after.txt" || fail "the run changed $appdir"
echo "nothing written into $appdir"

echo "== remove: apt-get remove -y $name"
as_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq "$name" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt-get remove"
}
installed=0
status=$(dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null || echo not-installed)
[ "$status" = not-installed ] || fail "package status after removal: $status"
for path in /usr/bin/$name /usr/bin/tavrell-bdinfo "$appdir" /usr/share/applications/$name.desktop; do
    if [ -e "$path" ] || [ -L "$path" ]; then fail "$path left after removal"; fi
done
echo "removed: dpkg status '$status', no files left"
echo "PASS"
