#!/bin/sh
# Renders the desktop icon for the hicolor theme into icons/<size>.png.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert; run after
# resources/image/render.sh, whose 256 px logo (the dithered tile) is taken as it is.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
images="$here/../resources/image"
out="$here/icons"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

pngout() { convert -define png:exclude-chunks=date,time "$@"; }

# 256 is the program's own logo; 128 and 64 are exact halvings of it, so the tile keeps its
# dither instead of the vector's bands.
pngout "$images/logo.png" -strip "PNG32:$out/256.png"
for s in 128 64; do
    pngout "$images/logo.png" -filter Box -resize "${s}x$s" -strip "PNG32:$out/$s.png"
done
# Small sizes straight from the vector so the strokes stay sharp; 16 px has its own drawing.
for s in 48 32 24 22; do
    rsvg-convert -w "$s" -h "$s" -o "$tmp/$s.png" "$images/src/logo.svg"
    pngout "$tmp/$s.png" -strip "PNG32:$out/$s.png"
done
rsvg-convert -w 16 -h 16 -o "$tmp/16.png" "$images/src/logo-16.svg"
pngout "$tmp/16.png" -strip "PNG32:$out/16.png"
