#!/usr/bin/env bash
# exits-cleanly.sh TEXT PROGRAM [ARGS...]: runs a benchmark with its output going into a
# pipe, as a script that collects figures runs it, and fails unless it exits with 0 and
# what it printed holds TEXT. Its figures are never judged.
set -u
text=$1
shift
output=$("$@" 2>&1 | cat; exit "${PIPESTATUS[0]}")
status=$?
printf '%s\n' "$output"
if [ $status != 0 ]; then
    echo "FAIL: $1 exited with $status"
    exit 1
fi
if ! grep -qF -- "$text" <<<"$output"; then
    echo "FAIL: the output of $1 lacks \"$text\""
    exit 1
fi
