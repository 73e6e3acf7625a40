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
    chmod -R u+w "$work" 2>/dev/null # a program folder made read-only
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
# The probe with a time limit, so that a hang fails the row instead of CI; probe_env: variables for it alone.
probe_env=()
probe() {
    timeout 20 env "${probe_env[@]}" "$STORE_PROBE" "$@" >"$work/out" 2>"$work/err"
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
    find "$prog" -name '.data.json.verbolin-tmp-*' -exec touch -d '2 minutes ago' {} +
    probe "$prog" || fail "the start after the kill failed: $(cat "$work/out")"
    ls -A "$prog" | grep -q 'verbolin-tmp' && fail "a stale temporary was left: $(ls -A "$prog")"
    check_no_loss
}

# SIGKILL between the two saves of a group's new name: at the next start every phrase's group is a tab again.
row_kill_between_group_saves() {
    command -v strace >/dev/null || skip "strace is missing"
    start_files
    local calls=rename,renameat,renameat2
    strace -f -qq -o /dev/null -e trace=$calls -e inject=$calls:signal=KILL:when=2 "$STORE_PROBE" "$prog" \
        --rename-first-group 改名 &>/dev/null
    grep -qF '"改名"' "$prog"/*.json || fail "neither file was saved before the kill"
    probe "$prog" || fail "the start after the kill failed: $(cat "$work/out")"
    local group
    for group in $(grep -o '"tab": "[^"]*"' "$prog/data.json" | sort -u | cut -d'"' -f4); do
        grep -qF "\"tab\": \"$group\"" "$prog/tab.json" || fail "the phrases of $group are hidden: no such tab"
    done
    told "改名"
    check_no_loss
}

# The probe following the files for $1 seconds while $2 phrases mine-N are added, one each $3 ms.
watch_probe() {
    timeout $(($1 + 20)) env "${probe_env[@]}" "$STORE_PROBE" "$prog" --watch "$@" >"$work/out" 2>"$work/err"
}
holds_mine() { # mine-1 … mine-$1, each in data.json
    local n
    for n in $(seq "$1"); do holds "$prog/data.json" "mine-$n"; done
}
with_phrase() { # data.json's content with one more phrase, as another program writes it
    sed '$ d' "$prog/data.json" | sed '$ s/}$/},/'
    printf '    {"text": "%s", "tab": "短语1"}\n]\n' "$1"
}

# A full disk, a phrase added (the save fails), then data.json replaced from outside, then space again:
# the outside version, that phrase and a later one all end in data.json.
row_outside_version_while_disk_full() {
    [ "$(id -u)" -eq 0 ] || skip "a tmpfs needs root"
    mount -t tmpfs -o size=2m tmpfs "$prog" 2>/dev/null || skip "cannot mount a tmpfs"
    mounted=$prog
    phrases=4000
    start_files
    with_phrase outside-1 >"$prog/outside.json"
    dd if=/dev/zero of="$prog/filler" bs=4k 2>/dev/null
    watch_probe 16 2 2500 &
    local probe_pid=$!
    sleep 3.5 # mine-1 could not be saved
    mv "$prog/outside.json" "$prog/data.json"
    sleep 2
    rm "$prog/filler" # mine-2 comes at 5 s, the retries after
    wait "$probe_pid" || fail "a save still waits at the end: $(cat "$work/out")"
    holds_mine 2
    holds "$prog/data.json" outside-1
    told "无法保存"
    check_no_loss
}

# A data.json that cannot be read is not replaced, and what is added goes to a file beside it.
row_unreadable_data_file() {
    start_files
    chmod 000 "$prog/data.json"
    local as=()
    if [ "$(id -u)" -eq 0 ]; then # root reads anything: the probe runs as another user
        command -v setpriv >/dev/null || skip "setpriv is missing"
        chmod 755 "$work" && chown -R nobody "$work" || skip "cannot hand the folder to nobody"
        as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
        "${as[@]}" test -x "$STORE_PROBE" || skip "nobody cannot run the probe"
    fi
    cp -p "$prog/data.json" "$work/before" 2>/dev/null
    timeout 20 "${as[@]}" "$STORE_PROBE" "$prog" extra >"$work/out" 2>"$work/err" &&
        fail "a save into an unreadable file was reported as success"
    [ "$(stat -c %a "$prog/data.json")" = 0 ] || fail "data.json was replaced"
    ls "$prog"/data.json.unsaved-* >/dev/null 2>&1 || fail "the added phrase is nowhere: $(ls "$prog")"
    grep -q '"extra"' "$prog"/data.json.unsaved-* || fail "the file beside lacks the added phrase"
    told "data.json.unsaved-"
    chmod 600 "$prog/data.json"
    check_no_loss
}

# A writer that writes half of a new version, pauses 0.6 s, then writes the rest into the same file: its
# version is read once complete, and nothing replaces it before.
row_slow_writer() {
    start_files
    with_phrase slow-1 >"$work/new.json"
    watch_probe 6 1 4000 &
    local probe_pid=$! half=$(($(stat -c %s "$work/new.json") / 2))
    sleep 1
    exec 3>"$prog/data.json"
    head -c "$half" "$work/new.json" >&3
    sleep 0.6
    tail -c +$((half + 1)) "$work/new.json" >&3
    exec 3>&-
    wait "$probe_pid" || fail "a save still waits at the end: $(cat "$work/out")"
    holds "$prog/data.json" slow-1
    holds_mine 1
    check_no_loss
}

# A writer reading, changing and replacing data.json every 20 ms while phrases are added: the phrases of
# either side end in data.json, and no version is left for the user to merge by hand. Not one of the
# writer's versions is lost, not even one put in place between the save's last look at the file and the
# instant its own version takes the file's place (the shim makes each rename onto data.json take 5 ms, as on
# a network file system, so that the writer often lands in between).
row_racing_writer() {
    [ -r "${FAULT_SHIM:-}" ] || skip "the fault shim was not built"
    start_files
    probe_env=(LD_PRELOAD="$FAULT_SHIM" FAULT_CALL=slow-rename FAULT_DELAY_MS=5 FAULT_PATH=data.json)
    watch_probe 9 15 400 &
    local probe_pid=$! n=0 content
    sleep 0.5
    local until=$((SECONDS + 6))
    while [ "$SECONDS" -lt "$until" ]; do
        n=$((n + 1))
        content=$(<"$prog/data.json")
        printf '%s,\n    {"text": "w-%d", "tab": "短语1"}\n]\n' "${content%]}" "$n" >"$work/writer.json"
        mv "$work/writer.json" "$prog/data.json"
        sleep 0.02
    done
    wait "$probe_pid" || fail "a save still waits at the end: $(cat "$work/out")"
    holds_mine 15
    local lost=0 i
    for i in $(seq "$n"); do grep -qF "\"w-$i\"" "$prog/data.json" || lost=$((lost + 1)); done
    [ "$lost" -eq 0 ] || fail "$lost of the writer's $n phrases are not in data.json"
    ls "$prog" | grep -q 'data\.json\.outside-' && fail "versions were left to merge by hand: $(ls "$prog")"
    check_no_loss
}

# A file call that fails on data.json (the shim, see failing_io.c): the save fails, the old file stays byte for
# byte, the user is told why, no temporary is left, and once the fault is gone the change is saved.
injected_fault() { # CALL ERRNO WHAT-THE-USER-IS-TOLD
    [ -r "${FAULT_SHIM:-}" ] || skip "the fault shim was not built"
    start_files
    probe_env=(LD_PRELOAD="$FAULT_SHIM" FAULT_CALL="$1" FAULT_ERRNO="$2" FAULT_PATH=data.json)
    failed_save_keeps_file data.json "$3"
    ls -A "$prog" | grep -q 'verbolin-tmp' && fail "a temporary was left: $(ls -A "$prog")"
    probe_env=()
    saves_extra "$prog"
}
# How network and FUSE file systems report an exceeded quota: only at the flush or the close.
row_sync_quota_exceeded() { injected_fault fsync EDQUOT "超出磁盘配额"; }
row_sync_io_error() { injected_fault fsync EIO "EIO"; }
row_close_quota_exceeded() { injected_fault close EDQUOT "超出磁盘配额"; }
row_close_io_error() { injected_fault close EIO "EIO"; }
# Half of a write lands, the next fails: said as a full disk, not as an unknown error.
row_short_write_disk_full() { injected_fault write ENOSPC "磁盘空间不足"; }
row_rename_quota_exceeded() { injected_fault rename EDQUOT "超出磁盘配额"; }

mode_of() { stat -c %a "$1"; }
# The phrases are nobody else's business: files the program writes are its owner's alone.
row_new_files_owner_only() {
    umask 022
    start_files
    for f in config.json data.json tab.json; do
        [ "$(mode_of "$prog/$f")" = 600 ] || fail "$f was saved with mode $(mode_of "$prog/$f")"
    done
}
# An existing file loses what others may do with it, never what its owner made stricter.
row_save_never_widens_mode() {
    start_files
    for mode in 640:600 604:600 600:600 $([ "$(id -u)" -eq 0 ] && echo 400:400); do
        chmod "${mode%:*}" "$prog/data.json"
        probe "$prog" "extra-${mode%:*}" || fail "the save failed: $(cat "$work/out")"
        holds "$prog/data.json" "extra-${mode%:*}"
        [ "$(mode_of "$prog/data.json")" = "${mode#*:}" ] ||
            fail "a file of mode ${mode%:*} was saved with mode $(mode_of "$prog/data.json")"
    done
}

row_immutable_file() {
    start_files
    chattr +i "$prog/data.json" 2>/dev/null || skip "chattr +i does not work here"
    failed_save_keeps_file data.json "无法保存"
    chattr -i "$prog/data.json"
    saves_extra "$prog"
}

read_only_program_folder() {
    start_files
    chmod 644 "$prog"/*.json # as older versions left them
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
row_read_only_program_folder() { read_only_program_folder; }
# The per-user folder is its owner's alone, and so are the files copied into it.
row_per_user_folder_owner_only() {
    umask 022
    read_only_program_folder
    [ "$(mode_of "$VERBOLIN_USER_FOLDER")" = 700 ] || fail "the folder has mode $(mode_of "$VERBOLIN_USER_FOLDER")"
    for f in config.json data.json tab.json; do
        [ "$(mode_of "$VERBOLIN_USER_FOLDER/$f")" = 600 ] || fail "$f has mode $(mode_of "$VERBOLIN_USER_FOLDER/$f")"
    done
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
