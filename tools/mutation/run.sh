#!/usr/bin/env bash
# Applies each deliberate fault of mutants.txt to a copy of the tree, rebuilds, runs the
# tests and says whether they caught it. The tree itself is never changed.
#
# Usage: run.sh [--all] [--tree DIR] [--work DIR] [--list FILE] [NAME...]
#   --all         run the whole suite (ctest --stop-on-failure) instead of the tests the
#                 mutant names; slow, and e2e needs an X server's worth of tools
#   --tree DIR    the tree to mutate a copy of (default: this checkout)
#   --work DIR    where the copy and its build live (default: TREE/build-mutation)
#   --list FILE   the mutants (default: mutants.txt beside this script)
#   NAME...       only these mutants
# Prints "caught" or "MISSED" per mutant ("ERROR" when its fragment is not found exactly
# once or the mutated tree does not build) and a closing count; exits non-zero unless
# every mutant was caught, and with 2 before any mutant when a test the list names is
# not a test of this build.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)
work=
list=$here/mutants.txt
all=0
only=()
while [ $# -gt 0 ]; do
    case $1 in
    --all) all=1 ;;
    --tree) tree=$(cd "$2" && pwd); shift ;;
    --work) work=$2; shift ;;
    --list) list=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift ;;
    -h | --help) sed -n '2,15p' "$0"; exit 0 ;;
    *) only+=("$1") ;;
    esac
    shift
done
work=${work:-$tree/build-mutation}
src=$work/src
# The build sits inside the copy, as build/ sits in a checkout: the compiler sees the same
# relative paths, so ccache serves what a build of the checkout already compiled.
build=$src/build
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$tree")} CCACHE_NOHASHDIR=1
log=$work/log
mkdir -p "$src" "$log"

# Contents compared, not times: a file restored after a mutant keeps its newer time, so
# that the next build recompiles it.
sync_copy() {
    local f
    (cd "$tree" && find . \( -path './build*' -o -path ./.git \) -prune -o -type f -print) | while read -r f; do
        cmp -s "$tree/$f" "$src/$f" || { mkdir -p "$(dirname "$src/$f")" && cp "$tree/$f" "$src/$f"; }
    done
    (cd "$src" && find . \( -path './build*' -o -path ./.git \) -prune -o -type f -print) | while read -r f; do
        [ -e "$tree/$f" ] || rm -f "$src/$f"
    done
}
sync_copy
if [ ! -f "$build/CTestTestfile.cmake" ]; then
    nice -n 5 cmake -S "$src" -B "$build" -G Ninja -DVERBOLIN_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS_DEBUG=-O0 >"$log/configure.txt" 2>&1 || {
        echo "configure failed, see $log/configure.txt"
        exit 2
    }
fi

# Mutants: blocks of "key: value" lines, one block per "[name]".
names=() files=() finds=() replaces=() tests=() whats=()
while IFS= read -r line || [ -n "$line" ]; do
    case $line in
    '#'* | '') ;;
    '['*']') names+=("${line:1:${#line}-2}"); files+=(""); finds+=(""); replaces+=(""); tests+=(""); whats+=("") ;;
    file:*) files[${#names[@]}-1]=${line#file: } ;;
    find:*) finds[${#names[@]}-1]=${line#find: } ;;
    replace:*) replaces[${#names[@]}-1]=${line#replace:}; replaces[${#names[@]}-1]=${replaces[${#names[@]}-1]# } ;;
    tests:*) tests[${#names[@]}-1]=${line#tests: } ;;
    what:*) whats[${#names[@]}-1]=${line#what: } ;;
    *) echo "mutants list: cannot read: $line"; exit 2 ;;
    esac
done <"$list"

# Every test a mutant names must exist: a name that matches nothing (a test renamed or
# merged into another) would quietly narrow what is run. A "tests:" regex is taken apart
# at its groups, "^tst_(a|b)$" into "^tst_a$" and "^tst_b$", and each part must match a
# test of this build.
known_tests=$(ctest --test-dir "$build" -N | sed -n 's/^ *Test *#[0-9]*: //p')
unknown=0
for i in "${!names[@]}"; do
    while IFS= read -r part; do
        if ! grep -Eq -- "$part" <<<"$known_tests"; then
            printf '%-28s ERROR: no test matches %s (of %s)\n' "${names[$i]}" "$part" "${tests[$i]}"
            unknown=$((unknown + 1))
        fi
    done < <(R=${tests[$i]} perl -e '
        sub parts { my ($r) = @_;
            return ($r) unless $r =~ /^(.*?)\(([^()]*)\)(.*)$/;
            my ($head, $alternatives, $tail) = ($1, $2, $3);
            return map { parts($head . $_ . $tail) } split /\|/, $alternatives, -1; }
        print "$_\n" for parts($ENV{R});')
done
if [ $unknown != 0 ]; then
    echo "mutants list: $unknown test names match no test of this build"
    exit 2
fi

mutated=
restore() {
    if [ -n "$mutated" ]; then
        cp "$mutated.orig" "$mutated" && rm -f "$mutated.orig"
        mutated=
    fi
}
trap 'restore; exit 130' INT TERM
trap restore EXIT

# Targets that build what the given tests run; empty when some test needs everything.
targets_for() {
    local t known
    known=$(ninja -C "$build" -t targets all 2>/dev/null | sed 's/:.*//')
    for t in $(ctest --test-dir "$build" -N -R "$1" | sed -n 's/^ *Test *#[0-9]*: //p'); do
        case $t in
        e2e_hotkeyeditfilters) t=tst_hotkeyeditfilters ;;
        e2e_*) t=scenario_runner ;; # it depends on the program and the helpers the scenarios use
        wine_prefix_setup | fault_*) continue ;;
        esac
        grep -qx "$t" <<<"$known" || return 1
        echo "$t"
    done
}

caught=0 missed=0 errors=0
for i in "${!names[@]}"; do
    name=${names[$i]} file=$src/${files[$i]}
    if [ ${#only[@]} -gt 0 ] && ! printf '%s\n' "${only[@]}" | grep -qx "$name"; then
        continue
    fi
    count=0
    [ -f "$file" ] && count=$(F=${finds[$i]} perl -0ne '$n = () = /\Q$ENV{F}\E/g; print $n' "$file")
    if [ "$count" != 1 ]; then
        printf '%-28s ERROR: fragment found %s times in %s\n' "$name" "$count" "${files[$i]}"
        errors=$((errors + 1))
        continue
    fi
    cp "$file" "$file.orig"
    mutated=$file
    F=${finds[$i]} R=${replaces[$i]} perl -0pi -e 's/\Q$ENV{F}\E/$ENV{R}/' "$file"

    if [ $all = 1 ]; then
        build_targets=()
        regex=
    else
        regex=${tests[$i]}
        mapfile -t build_targets < <({ targets_for "$regex" || echo ALL; } | sort -u)
        printf '%s\n' "${build_targets[@]}" | grep -qx ALL && build_targets=()
    fi
    args=()
    for t in "${build_targets[@]}"; do args+=(--target "$t"); done
    if ! nice -n 5 cmake --build "$build" -j2 "${args[@]}" >"$log/$name.build.txt" 2>&1; then
        # A fault the compiler refuses (-Werror) counts as caught only when it is meant to.
        printf '%-28s ERROR: the mutated tree does not build (%s)\n' "$name" "$log/$name.build.txt"
        errors=$((errors + 1))
        restore
        continue
    fi
    if [ $all = 1 ]; then
        ctest_args=(--stop-on-failure)
    else
        ctest_args=(-R "$regex")
    fi
    start=$(date +%s)
    nice -n 5 ctest --test-dir "$build" "${ctest_args[@]}" --timeout 300 >"$log/$name.ctest.txt" 2>&1
    rc=$?
    ran=$(grep -c ' Test *#' "$log/$name.ctest.txt")
    if [ "$ran" = 0 ]; then
        printf '%-28s ERROR: no test matches %s\n' "$name" "$regex"
        errors=$((errors + 1))
    elif [ $rc != 0 ]; then
        failed=$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) .*/\1/p' "$log/$name.ctest.txt" | tr '\n' ' ')
        printf '%-28s caught   by %s(%ss)\n' "$name" "$failed" $(($(date +%s) - start))
        caught=$((caught + 1))
    else
        printf '%-28s MISSED   %s: %s\n' "$name" "${files[$i]}" "${whats[$i]}"
        missed=$((missed + 1))
    fi
    restore
done
echo "$caught caught, $missed missed, $errors errors"
[ $missed = 0 ] && [ $errors = 0 ]
