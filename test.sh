#!/bin/sh
# Installs what is missing, builds, and runs every test (unit, window, and end to end under Xvfb).
# Then builds the core alone, without the window library, and runs its tests there: that
# build proves the core needs no widgets.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh" build run test
cd "$here/build"
ctest --output-on-failure "$@"
cmake -S "$here" -B "$here/build-core" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVRELL_BUILD_GUI=OFF >/dev/null
cmake --build "$here/build-core" -j"$(nproc)"
cd "$here/build-core"
ctest --output-on-failure "$@"
