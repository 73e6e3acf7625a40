#!/usr/bin/env bash
# Builds a fuzz target with clang, AddressSanitizer and UndefinedBehaviorSanitizer, then
# fuzzes it for a bounded time.
#   fuzz/run.sh [seconds] [target]   (default 60, fuzz_phrasemarkup)
# Targets: fuzz_phrasemarkup (the markup parser), fuzz_phrasefilelayout (the direct
# data.json reader against Qt's JSON parser and writer).
# Crashes are written to build-fuzz/artifacts/; new inputs to build-fuzz/corpus/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VERBOLIN_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
target=${2:-fuzz_phrasemarkup}
cxx=${VERBOLIN_FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
if [ -z "$cxx" ]; then
    echo "fuzz/run.sh: clang++ not found" >&2
    exit 2
fi

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Debug \
      -DVERBOLIN_FUZZ=ON -DVERBOLIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target "$target" --parallel 2

mkdir -p "$build/corpus" "$build/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if [ "$target" = fuzz_phrasemarkup ]; then
    inputs=("$build/corpus" "$root/fuzz/corpus" -dict="$root/fuzz/markup.dict" -max_len=512)
else
    mkdir -p "$build/corpus-$target"
    inputs=("$build/corpus-$target" -max_len=600)
fi
exec "$build/fuzz/$target" "${inputs[@]}" -max_total_time="$seconds" -timeout=10 \
    -artifact_prefix="$build/artifacts/" -print_final_stats=1
