#!/usr/bin/env bash
# Runs the start-up benchmark inside a private X session.
set -eu
build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
exec "$(dirname "$0")/../e2e/x-session.sh" "$build/bench/bench_startup" "$build/verbolin" "$build/bench/minimal_window" \
    "$build/bench/minimal_list_window" "${2:-13}"
