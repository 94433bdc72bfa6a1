#!/bin/sh
# Installs what is missing, builds, and runs every test (unit, window, and end to end under Xvfb).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh" build run test
cd "$here/build"
ctest --output-on-failure "$@"
