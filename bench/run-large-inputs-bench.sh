#!/usr/bin/env bash
# Start-up with large accepted inputs: many groups, one very large phrase (see
# bench_large_inputs.cpp). Prints one line per case; never fails on time. The group counts
# show the tab bar's load growing with the count, not its square.
set -eu
build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
for groups in 500 1000 2000 5000 20000 50000; do "$build/bench/bench_large_inputs" groups "$groups"; done
for kind in phrase saved-phrase; do
    for megabytes in 1 20 50; do "$build/bench/bench_large_inputs" "$kind" "$megabytes"; done
done
