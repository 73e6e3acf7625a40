#!/usr/bin/env bash
# The layering check fails on what it must catch, naming the files, and passes a sound tree.
# Usage: check-layers-test.sh CHECK_SCRIPT
set -u
check=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0

# A small tree: a file per layer, each including the one below.
sound_tree() {
    rm -rf "$tmp/tree" && mkdir -p "$tmp/tree"/{platform/x11,output,library,pickwindow,app}
    cd "$tmp/tree"
    printf '#pragma once\n' >platform/Keys.h
    printf '#include "platform/Keys.h"\n' >platform/x11/Keys_x11.cpp
    printf '#pragma once\n#include "platform/Keys.h"\n' >output/Runner.h
    printf '#include "output/Runner.h"\n' >output/Runner.cpp
    printf '#pragma once\n' >library/Store.h
    printf '#include "library/Store.h"\n#include "output/Runner.h"\n' >library/Store.cpp
    printf '#pragma once\n' >pickwindow/Keys.h
    printf '#include "pickwindow/Keys.h"\n#include "library/Store.h"\n' >pickwindow/Keys.cpp
    printf '#include "pickwindow/Keys.h"\n#include "platform/Keys.h"\n' >app/Start.cpp
}

# expect NAME STATUS TEXT...: the check exits with STATUS and its output holds each TEXT.
expect() {
    local name=$1 status=$2 output rc text
    shift 2
    output=$("$check" "$tmp/tree" 2>&1)
    rc=$?
    if [ "$rc" != "$status" ]; then
        echo "FAIL $name: exit $rc, expected $status"$'\n'"$output"
        failures=$((failures + 1))
        return
    fi
    for text in "$@"; do
        if ! grep -qF -- "$text" <<<"$output"; then
            echo "FAIL $name: output lacks \"$text\""$'\n'"$output"
            failures=$((failures + 1))
            return
        fi
    done
    echo "ok   $name"
}

# plant FILE HEADER...: FILE now includes the headers (a header also gets "#pragma once").
plant() {
    local file=$1
    shift
    mkdir -p "$(dirname "$file")"
    { [[ $file == *.h ]] && echo '#pragma once'; printf '#include "%s"\n' "$@"; } >"$file"
}

sound_tree
expect "a tree whose includes point down passes" 0

sound_tree && plant platform/x11/Keys_x11.cpp platform/Keys.h app/Start.h
expect "a platform backend including app is caught with file and line" 1 \
    "upward include: platform/x11/Keys_x11.cpp:2 includes app/Start.h"

sound_tree && plant output/Runner.h platform/Keys.h library/Store.h
expect "an output header including library is caught" 1 "output/Runner.h:3 includes library/Store.h"

sound_tree && plant pickwindow/Keys.cpp pickwindow/Keys.h library/Store.h app/Start.h
expect "a pickwindow source including app is caught" 1 "pickwindow/Keys.cpp:3 includes app/Start.h"

sound_tree && plant library/Store.cpp library/Store.h pickwindow/Keys.h
expect "a library source including pickwindow is caught" 1 "library/Store.cpp:2 includes pickwindow/Keys.h"

sound_tree && plant library/Filter.h && plant library/Filter.cpp library/Filter.h library/Store.h
plant library/Store.cpp library/Store.h library/Filter.h
expect "two files of one folder that include each other are a circle" 1 \
    "include circle: library/Filter -> library/Store" \
    "library/Filter.cpp:2 includes library/Store.h" "library/Store.cpp:2 includes library/Filter.h"

sound_tree && plant app/A.h app/B.h && plant app/B.h app/C.h && plant app/C.h app/A.h
expect "a circle of three headers is caught" 1 "include circle: app/A -> app/B -> app/C"

sound_tree && plant app/Setup.h && plant app/Setup.cpp app/Setup.h library/Store.h
plant library/Store.cpp library/Store.h app/Setup.h
expect "a circle across layers is caught as a circle and as an upward include" 1 \
    "include circle: app/Setup -> library/Store" "upward include: library/Store.cpp:2 includes app/Setup.h"

sound_tree
printf 'add_library(runner STATIC)\ntarget_link_libraries(runner PUBLIC keys)\n' >output/CMakeLists.txt
printf 'add_library(keys STATIC)\n' >platform/CMakeLists.txt
printf 'add_library(core STATIC)\n' >app/CMakeLists.txt
expect "links down to platform pass" 0
printf 'add_library(keys STATIC)\ntarget_link_libraries(keys\n    PRIVATE core)\n' >platform/CMakeLists.txt
expect "a platform library linking an app library is caught" 1 \
    "upward link: platform/CMakeLists.txt:2 links keys to core (platform may link nothing of app)"

sound_tree && plant tests/tst_start.cpp app/Start.h
expect "tests may include anything" 0

[ $failures = 0 ] && echo "all cases hold"
[ $failures = 0 ]
