#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit, Windows backend under
# wine, and end to end on a private X server.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VERBOLIN_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" test
"$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
