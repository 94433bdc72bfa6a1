#!/bin/sh
# Installs what is missing, builds, and starts the player.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup.sh" build run
exec "$here/build/tavrell-dvd-player" "$@"
