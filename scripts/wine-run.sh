#!/usr/bin/env bash
# Runs a cross-built test driver in the prepared wine prefix and passes on its exit code.
set -u
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine "$@"
status=$?
wineserver -w
exit $status
