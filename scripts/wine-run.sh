#!/usr/bin/env bash
# Runs a Windows program in the prepared wine prefix and passes on its exit code.
# Usage: wine-run.sh PREFIX [--qtest] PROGRAM [ARGS...]
#   --qtest: a QtTest program. Under wine its report reaches no pipe, so it is written
#   to a file and printed from there.
set -u
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
report=
if [ "${1:-}" = --qtest ]; then
    shift
    report=$(mktemp "${TMPDIR:-/tmp}/verbolin-qtest.XXXXXX")
    set -- "$@" -o "Z:$report,txt"
fi
wine "$@"
status=$?
wineserver -w
if [ -n "$report" ]; then
    # A program of several test objects writes one report per object beside it.
    cat "$report" "$report".* 2>/dev/null
    rm -f "$report" "$report".*
fi
exit $status
