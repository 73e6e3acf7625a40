#!/usr/bin/env bash
# Configures and builds Verbolin into build/ (or $VERBOLIN_BUILD_DIR).
# Usage: build.sh [TARGET...]   (no target: everything, tests included)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VERBOLIN_BUILD_DIR:-$root/build}
werror=OFF
[ "${CI:-}" = true ] && werror=ON
[ "${VERBOLIN_WERROR:-}" = ON ] && werror=ON
cmake -S "$root" -B "$build" -DVERBOLIN_WERROR=$werror >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
