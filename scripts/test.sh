#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit, Windows backend under
# wine, end to end on a private X server; then the Windows build: Qt for Windows (built
# once, then reused from a cache folder), verbolin.exe and its tests under wine, the
# release zip. CTest arguments apply to both runs.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VERBOLIN_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" test
"$root/scripts/build.sh"
status=0
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" "$@") || status=$?
if [ "${VERBOLIN_SKIP_WINDOWS:-0}" != 1 ]; then
    "$root/scripts/windows-build.sh" "$@" || status=$?
fi
exit $status
