#!/usr/bin/env bash
# Fault injection on the program's files, one row_* function per run: faults.sh ROW (probes: $STORE_PROBE,
# $SINGLE_PROBE). Rows start from known phrases; none may be missing after, in data.json or a backup beside
# it. Exit 77: the machine does not allow this fault.
set -u
row=${1:?row name}
phrases=300
work=$(mktemp -d)
prog=$work/prog
mounted=
cleanup() {
    chattr -R -i "$work" 2>/dev/null
    [ -n "$mounted" ] && umount "$mounted" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$prog"
export VERBOLIN_USER_FOLDER=$work/user

fail() { echo "FAIL ($row): $*" >&2; exit 1; }
skip() { echo "SKIP ($row): $*"; exit 77; }
write_phrases() { # phrase-1 … phrase-N in the first group
    { echo "["; seq -f '{"text": "phrase-%g", "tab": "短语1"},' "$phrases"; echo '{"text": "end"}]'; } >"$1"
}
# The probe with a time limit, so that a hang fails the row instead of CI.
probe() {
    timeout 20 "$STORE_PROBE" "$@" >"$work/out" 2>"$work/err"
    local status=$?
    [ "$status" -eq 124 ] && fail "the program hung: $(cat "$work/err")"
    return "$status"
}
check_no_loss() { # in data.json or its backups in the folder
    local found
    found=$(cat "${1:-$prog}"/data.json* 2>/dev/null | grep -o '"phrase-[0-9]*"' | sort -u | wc -l)
    [ "$found" -eq "$phrases" ] || fail "$((phrases - found)) phrases lost: $(ls -la "${1:-$prog}")"
}
told() { grep -q "^notice: .*$1" "$work/out" || fail "the user was not told ($1): $(cat "$work/out")"; }
holds() { grep -qF "\"$2\"" "$1" || fail "$1 lacks $2"; }
start_files() {
    write_phrases "$prog/data.json"
    probe "$prog" || fail "the first start failed: $(cat "$work/out")"
}
saves_extra() { # the phrase added arrives in folder $1, nothing lost
    probe "$prog" extra || fail "the save failed: $(cat "$work/out")"
    holds "$1/data.json" extra
    check_no_loss "$1"
}
# A save that fails keeps the old file byte for byte and tells the user.
failed_save_keeps_file() {
    cp "$prog/$1" "$work/before"
    probe "$prog" extra && fail "a failed save was reported as success"
    cmp -s "$prog/$1" "$work/before" || fail "$1 changed by a failed save"
    told "$2"
    check_no_loss
}

row_full_disk() {
    [ "$(id -u)" -eq 0 ] || skip "a tmpfs needs root"
    mount -t tmpfs -o size=2m tmpfs "$prog" 2>/dev/null || skip "cannot mount a tmpfs"
    mounted=$prog
    phrases=4000 # about 400 KB: more than the space left below
    start_files
    dd if=/dev/zero of="$prog/reserve" bs=64k count=1 2>/dev/null
    dd if=/dev/zero of="$prog/filler" bs=64k 2>/dev/null
    rm "$prog/reserve" # 64 KB free: a save of data.json cannot complete
    failed_save_keeps_file data.json "无法保存"
    # Full to the last byte: config.json, which a repair saves, must not become empty either.
    sed -i '/"delay"/d' "$prog/config.json"
    dd if=/dev/zero of="$prog/filler2" bs=4k 2>/dev/null
    failed_save_keeps_file config.json "无法保存"
    rm "$prog/filler" "$prog/filler2"
    saves_extra "$prog"
}

# SIGKILL just before the temporary replaces the file (a kill at its fsync leaves the same files), then
# a start later: the old file, never a part of one, and the leftover temporary removed.
row_kill_at_rename() {
    command -v strace >/dev/null || skip "strace is missing"
    start_files
    local calls=rename,renameat,renameat2
    strace -f -qq -o /dev/null -e trace=$calls -e inject=$calls:signal=KILL "$STORE_PROBE" "$prog" extra \
        &>/dev/null
    check_no_loss
    tail -c 2 "$prog/data.json" | grep -q ']' || fail "data.json is cut: $(tail -c 100 "$prog/data.json")"
    find "$prog" -name 'data.json.??????' -exec touch -d '2 minutes ago' {} +
    probe "$prog" || fail "the start after the kill failed: $(cat "$work/out")"
    ls "$prog" | grep -qE '^data\.json\.[A-Za-z0-9]{6}$' && fail "a stale temporary was left: $(ls "$prog")"
    check_no_loss
}

row_immutable_file() {
    start_files
    chattr +i "$prog/data.json" 2>/dev/null || skip "chattr +i does not work here"
    failed_save_keeps_file data.json "无法保存"
    chattr -i "$prog/data.json"
    saves_extra "$prog"
}

row_read_only_program_folder() {
    start_files
    if [ "$(id -u)" -eq 0 ]; then
        mount -t tmpfs tmpfs "$prog" 2>/dev/null || skip "cannot mount a tmpfs"
        mounted=$prog
        write_phrases "$prog/data.json"
        mount -o remount,ro "$prog" || skip "cannot remount read-only"
    else
        chmod a-w "$prog"
    fi
    saves_extra "$VERBOLIN_USER_FOLDER"
    told "$VERBOLIN_USER_FOLDER"
}

# What is no regular file is neither read (no hang, no flood) nor replaced: the check given still holds.
# A link to /dev/zero stands for every device; a folder in place of the file is a row of tst_stores.
special() {
    probe "$prog" extra
    told "不是普通文件"
    eval "$1" || fail "the $row was replaced"
}
row_fifo() { mkfifo "$prog/data.json" && special '[ -p "$prog/data.json" ]'; }
row_dev_zero_link() {
    ln -s /dev/zero "$prog/data.json" && special '[ "$(readlink "$prog/data.json")" = /dev/zero ]'
}
row_link_to_regular_file() {
    mkdir "$work/elsewhere"
    write_phrases "$work/elsewhere/data.json"
    ln -s "$work/elsewhere/data.json" "$prog/data.json"
    saves_extra "$work/elsewhere"
    [ -L "$prog/data.json" ] || fail "the link was replaced by a file"
}

# Launches while the running instance is SIGKILLed: every round ends with exactly one instance running.
row_launch_burst() {
    export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    for round in $(seq 6); do
        "$SINGLE_PROBE" >"$work/first" 2>/dev/null &
        local first=$! pids=() running=0
        for _ in $(seq 100); do grep -q first "$work/first" && break; sleep 0.05; done
        for n in $(seq 12); do
            "$SINGLE_PROBE" &>/dev/null &
            pids+=($!)
            [ "$n" -eq $((round % 4 + 2)) ] && kill -KILL "$first"
        done
        sleep 3 # every launch has handed over, taken over or given up by now
        for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && running=$((running + 1)); done
        kill -KILL "${pids[@]}" 2>/dev/null
        wait 2>/dev/null
        [ "$running" -eq 1 ] || fail "round $round ended with $running instances running"
    done
}

[ "$(type -t "row_$row")" = function ] || fail "no such row"
"row_$row"
echo "PASS ($row)"
