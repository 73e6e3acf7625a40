#!/usr/bin/env bash
# Runs the hotkey-to-pick-window benchmark inside a private X session (Xvfb + openbox).
# Usage: bench/run-pick-hotkey-bench.sh [BUILD_DIR] [RUNS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
exec "$here/../e2e/x-session.sh" "$build/bench/bench_pick_hotkey" "$build/verbolin" \
    "$build/bench/minimal_hotkey_window" "${2:-20}"
