#!/usr/bin/env bash
# Builds Verbolin for Windows (mingw-w64, against the Qt that windows-qt.sh builds or
# reuses) into build-windows/ (or $VERBOLIN_WINDOWS_BUILD_DIR), runs its tests under
# wine, and makes the release zip, verbolin-VERSION-win64.zip, in that folder.
# Usage: windows-build.sh [--no-tests] [CTEST ARGS...]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VERBOLIN_WINDOWS_BUILD_DIR:-$root/build-windows}
run_tests=1
if [ "${1:-}" = --no-tests ]; then
    run_tests=0
    shift
fi

"$root/scripts/install-deps.sh" windows
qt=$("$root/scripts/windows-qt.sh")
werror=OFF
[ "${CI:-}" = true ] && werror=ON
[ "${VERBOLIN_WERROR:-}" = ON ] && werror=ON
"$qt/bin/qt-cmake" -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVERBOLIN_WERROR=$werror >/dev/null
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && cpack -G ZIP >/dev/null && ls "$build"/verbolin-*-win64.zip)
if [ "$run_tests" = 1 ]; then
    cd "$build"
    ctest --output-on-failure --parallel "$(nproc)" "$@"
fi
