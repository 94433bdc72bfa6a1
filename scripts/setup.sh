#!/bin/sh
# Installs the missing Debian packages of the given groups (build, run, test) and builds.
# Usage: scripts/setup.sh <group>...
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
packages=""
for group in "$@"; do
    line=$(grep -E "^$group:" "$here/debian-packages.txt" | cut -d: -f2-)
    packages="$packages $line"
done
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)"
