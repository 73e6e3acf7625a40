#!/usr/bin/env bash
# Prints every start-up, memory, hotkey and search figure with its baseline, one after the
# other: start-up and memory at 4, 10,000 and 100,000 phrases, hotkey to pick window
# painted, and one search keystroke over up to 100,000 phrases.
# Usage: bench/run-all.sh [BUILD_DIR] [STARTUP_RUNS] [HOTKEY_RUNS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
"$here/run-startup-bench.sh" "$build" "${2:-13}"
echo
"$here/run-pick-hotkey-bench.sh" "$build" "${3:-20}"
echo
"$build/bench/bench_phrase_filter"
