#!/bin/sh
# Renders the SVG sources in src/ into the pictures the program compiles in.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert (a Q16 build).
# The output is reproducible: metadata is stripped and every grain has a fixed seed.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
src="$here/src"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# convert with PNG time stamps left out (callers put -strip before the output name)
pngout() { convert -define png:exclude-chunks=date,time "$@"; }

# name size: drawn 1:1 on their own pixel grid so strokes stay sharp
png() {
    rsvg-convert -w "$2" -h "$2" -o "$tmp/$1.png" "$src/$1.svg"
    pngout "$tmp/$1.png" -strip "PNG32:$here/$1.png"
}

# Gaussian grain around mid grey; used with linear-light it adds +-(spread) to a 16-bit picture
# before it is written in 8 bits, which dithers long gradients instead of leaving bands.
grain() { # width height seed spread% out
    convert -size "$1x$2" xc:gray50 -seed "$3" +noise Gaussian -colorspace gray \
        +level "$(awk "BEGIN { print 50 - $4 }")%,$(awk "BEGIN { print 50 + $4 }")%" "$5"
}

# --- icons ---------------------------------------------------------------------------------------
png MoviesFolder 64
png disc 64
for b in stop play pause pre next; do png "$b" 40; done
for b in volume no-volume fullscreen; do png "$b" 32; done
png dot 16
png playstatus 16
png information 48
png min 30
png close 30

# --- logo ----------------------------------------------------------------------------------------
# The tile is a long dark gradient: at 256 px it is drawn here in 16 bits (same numbers as
# logo.svg), with the tile's shadow from the SVG below it and the rest of the drawing above it.
{ sed -n '1,/tile-end/p' "$src/logo.svg"; echo '</svg>'; } >"$tmp/logo-under.svg"
sed '/tile-begin/,/tile-end/d' "$src/logo.svg" >"$tmp/logo-over.svg"
rsvg-convert -w 256 -h 256 -o "$tmp/logo-under.png" "$tmp/logo-under.svg"
rsvg-convert -w 256 -h 256 -o "$tmp/logo-over.png" "$tmp/logo-over.svg"
grain 228 228 7 1 "$tmp/logo-grain.png"
convert -size 228x228 gradient:'#22314a-#0a0f18' "$tmp/logo-grain.png" -compose linear-light -composite \
    \( -size 228x228 xc:black -fill white -draw "roundrectangle 1,1 226,226 51,51" \) \
    -alpha off -compose copy-opacity -composite "$tmp/logo-tile.png"
pngout "$tmp/logo-under.png" "$tmp/logo-tile.png" -geometry +14+12 -compose over -composite \
    "$tmp/logo-over.png" -compose over -composite -strip -depth 8 "PNG32:$here/logo.png"

# The icon's small sizes are rendered from the vector, not scaled down from 256, so they stay
# crisp; at 16 px the full drawing turns to mush, so that size has its own simpler source.
rsvg-convert -w 16 -h 16 -o "$tmp/logo-16.png" "$src/logo-16.svg"
for s in 32 48; do
    rsvg-convert -w "$s" -h "$s" -o "$tmp/logo-$s.png" "$src/logo.svg"
done
convert "$tmp/logo-16.png" "$tmp/logo-32.png" "$tmp/logo-48.png" "$here/logo.png" "$here/logo.ico"

# --- start-page background -----------------------------------------------------------------------
# bg.svg in layers: the smooth base, glow and vignette are drawn here in 16 bits (same numbers as
# the SVG); the faint "gain" groups (rays, sheen) are taken at full strength and faded here; the
# detail (disc rings, hub, specks) comes straight from the SVG.
layer() { # name ("detail" = everything outside the gain groups)
    awk -v want="$1" '
        /fill="url\(#(base|glowR|vign)\)"/ { next }
        /<!-- [a-z]+-begin -->/ { split($2, a, "-"); block = a[1]; next }
        /<!-- [a-z]+-end -->/ { block = ""; next }
        block != "" && block != want { next }
        block != "" { sub(/ opacity="0.25"/, "") }
        { print }' "$src/bg.svg" >"$tmp/bg-$1.svg"
    rsvg-convert -w 1600 -h 900 -o "$tmp/bg-$1.png" "$tmp/bg-$1.svg"
}
layer rays
layer sheen
layer detail
W=1600
H=900
# base: #03060b at (0,0) to #1e293a at (400,900)
convert -size ${W}x$H -define gradient:vector=0,0,400,900 gradient:'#03060b-#1e293a' "$tmp/bg-base.png"
# glow around (1330,470), r 760: alpha 0.26 -> 0.08 at half the radius -> 0; u = 1 - r/R
convert -size ${W}x$H -define gradient:center=1330,470 -define gradient:radii=760,760 \
    radial-gradient:white-black \( +clone -evaluate multiply 0.16 \) \
    \( -clone 0 -evaluate subtract 50% -evaluate multiply 0.2 \) -delete 0 \
    -compose plus -composite "$tmp/bg-glow-alpha.png"
# vignette around (760,420), r 1000: black, alpha 0 up to 0.45 of the radius -> 0.55 at it
convert -size ${W}x$H -define gradient:center=760,420 -define gradient:radii=1000,1000 \
    radial-gradient:white-black -negate -evaluate subtract 45% "$tmp/bg-vign-alpha.png"
grain $W $H 11 1.5 "$tmp/bg-grain.png"
convert "$tmp/bg-base.png" \
    \( -size ${W}x$H xc:'#2a7fd0' "$tmp/bg-glow-alpha.png" -alpha off -compose copy-opacity -composite \) \
    -compose over -composite \
    \( "$tmp/bg-rays.png" -channel A -evaluate multiply 0.25 +channel \) -compose over -composite \
    \( "$tmp/bg-sheen.png" -channel A -evaluate multiply 0.25 +channel \) -compose over -composite \
    "$tmp/bg-detail.png" -compose over -composite \
    \( -size ${W}x$H xc:black "$tmp/bg-vign-alpha.png" -alpha off -compose copy-opacity -composite \) \
    -compose over -composite \
    "$tmp/bg-grain.png" -compose linear-light -composite \
    -alpha off -strip -sampling-factor 4:4:4 -quality 92 "$here/bg.jpg"
