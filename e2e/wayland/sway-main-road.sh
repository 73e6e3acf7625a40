#!/usr/bin/env bash
# sway-main-road.sh VERBOLIN INPUT_TARGET VIRTUAL_POINTER: the main road on a headless sway, run by an
# unprivileged user (sway refuses root): "verbolin --hotkey" bound with bindsym, the pick
# window driven by keys held as people hold them, phrases arriving in a Wayland target that
# records its text and focus, the focus back in the target afterwards. Exits 77 (skipped)
# only when the compositor or the key tool is not installed.
set -u
exe=$1 target=$2 pointer=$3

for tool in sway swaymsg wtype wl-copy wl-paste python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-sway.XXXXXX")
chmod 755 "$work"
pids=()
# Each process was started through runuser: its child is the program itself.
cleanup() {
    for pid in "${pids[@]}"; do
        pkill -P "$pid" 2>/dev/null
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    [ "${VERBOLIN_E2E_KEEP:-0}" = 1 ] && { echo "kept: $work"; return; }
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

user=$(id -un)
if [ "$(id -u)" = 0 ]; then
    user=verbolin-e2e
    if ! id "$user" >/dev/null 2>&1; then
        useradd -m -s /bin/sh "$user" || { echo "FAIL: cannot create the user $user"; exit 1; }
    fi
fi
home=$(getent passwd "$user" | cut -d: -f6)
runtime="$work/runtime"
mkdir -m 700 "$runtime"

# The program and its icons in a folder of their own, with the phrases of the test; the
# JSON files live beside the executable.
app="$work/app"
mkdir -p "$app/icons"
cp "$exe" "$app/verbolin"
cp "$(dirname "$exe")"/icons/* "$app/icons/" 2>/dev/null
cp "$target" "$app/input_target"
cp "$pointer" "$app/virtual_pointer"
cat >"$app/config.json" <<'JSON'
{"chuangkou_x": 400, "chuangkou_y": 100, "width": 500, "height": 500, "zhiding": false,
 "tudingflag": false, "hotkey": "Ctrl+Shift+V", "delay": 200, "restore_clipboard": true}
JSON
cat >"$app/data.json" <<'JSON'
[{"text": "alpha", "tab": "甲"}, {"text": "bravo", "tab": "甲"}, {"text": "charlie", "tab": "甲"},
 {"text": "mike<Enter>", "tab": "甲"}, {"text": "<press Ctrl+A>november", "tab": "甲"},
 {"text": "echo", "tab": "甲", "hotkey": "Ctrl+Alt+Q"},
 {"text": "<press Shift+K>", "tab": "甲", "hotkey": "Ctrl+Alt+K"}]
JSON
echo '[{"tab": "甲", "item_height": 40}]' >"$app/tab.json"
cat >"$work/sway.config" <<EOF2
output HEADLESS-1 resolution 1280x800
default_border none
bindsym --no-repeat Ctrl+Shift+v exec $app/verbolin --hotkey Ctrl+Shift+V
bindsym --no-repeat Ctrl+Alt+q exec $app/verbolin --hotkey Ctrl+Alt+Q
bindsym --no-repeat Ctrl+Alt+k exec $app/verbolin --hotkey Ctrl+Alt+K
EOF2
chown -R "$user" "$work"

as_user() {
    local environment=(PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime" LANG=C.UTF-8
                       WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
                       QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland)
    [ -n "${WAYLAND_DISPLAY:-}" ] && environment+=(WAYLAND_DISPLAY="$WAYLAND_DISPLAY")
    [ -n "${SWAYSOCK:-}" ] && environment+=(SWAYSOCK="$SWAYSOCK")
    if [ "$(id -u)" = 0 ]; then
        runuser -u "$user" -- env -i "${environment[@]}" "$@"
    else
        env -i "${environment[@]}" "$@"
    fi
}

. "$(dirname "$0")/road-helpers.sh"

failures=0
fail() {
    echo "FAIL: $*"
    echo "--- program log:"; cat "$work/verbolin.log" 2>/dev/null
    echo "--- target log (last lines):"; tail -n 15 "$work/target.log" 2>/dev/null
    echo "--- compositor log (last lines):"; tail -n 15 "$work/sway.log" 2>/dev/null
    failures=$((failures + 1))
    exit 1
}

as_user sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
pids+=($!)
wait_for bash -c "ls '$runtime'/wayland-* >/dev/null && ls '$runtime'/sway-ipc.*.sock >/dev/null" ||
    { cat "$work/sway.log"; fail "sway did not start"; }
export WAYLAND_DISPLAY=$(basename "$(ls "$runtime"/wayland-? | head -n1)")
export SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock | head -n1)

# What the compositor and the target say.
focused_name() {
    as_user swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(n):
    if n.get("focused"): print(n.get("name") or ""); return True
    return any(walk(c) for c in n.get("nodes", []) + n.get("floating_nodes", []))
walk(json.load(sys.stdin))'
}
verbolin_visible() {
    as_user swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(n):
    if n.get("name") == "Verbolin" and n.get("visible"): return True
    return any(walk(c) for c in n.get("nodes", []) + n.get("floating_nodes", []))
sys.exit(0 if walk(json.load(sys.stdin)) else 1)'
}
expect_focus() {
    local want=$1
    for _ in $(seq 1 100); do
        [ "$(focused_name)" = "$want" ] && return 0
        sleep 0.05
    done
    fail "the focus is on '$(focused_name)', not on '$want'"
}
expect_shown() {
    wait_for verbolin_visible || fail "the pick window is not shown"
    expect_focus Verbolin
}
expect_hidden() {
    for _ in $(seq 1 100); do
        verbolin_visible || return 0
        sleep 0.05
    done
    fail "the pick window is still shown"
}
# A left click held 150 ms at a point of the pick window (its own coordinates), by the
# test's virtual pointer (see below).
click_pick() {
    local at clicks
    at=$(as_user swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(n):
    if n.get("name") == "Verbolin" and n.get("visible"):
        r = n["rect"]; print(r["x"] + int(sys.argv[1]), r["y"] + int(sys.argv[2])); return True
    return any(walk(c) for c in n.get("nodes", []) + n.get("floating_nodes", []))
walk(json.load(sys.stdin))' "$1" "$2")
    [ -n "$at" ] || fail "no pick window to click"
    clicks=$(grep -c clicked "$work/pointer.out")
    echo "click $at 150" >&7
    wait_for bash -c "[ \$(grep -c clicked '$work/pointer.out') -gt $clicks ]" || fail "the pointer did not click"
}
# A key (with modifiers as a prefix, e.g. ctrl+shift+v) held for the given milliseconds.
hold() {
    local combo=$1 ms=$2 args=() key mods=()
    IFS=+ read -ra parts <<<"$combo"
    key=${parts[-1]}
    unset 'parts[-1]'
    for m in "${parts[@]}"; do args+=(-M "$m"); mods=("$m" "${mods[@]}"); done
    args+=(-P "$key" -s "$ms" -p "$key")
    for m in "${mods[@]}"; do args+=(-m "$m"); done
    as_user wtype "${args[@]}" || fail "wtype failed on $combo"
}

# Headless, the seat has no keyboard, and a Qt client that starts on a seat without one never
# takes keys from one added later: a virtual keyboard (wtype sleeping) is there first, as a
# real keyboard is on a desktop.
as_user wtype -s 3600000 &
pids+=($!)
for _ in $(seq 1 100); do
    as_user swaymsg -t get_seats -r | grep -q '"type": "keyboard"' && break
    sleep 0.05
done

# Likewise a pointer, as a mouse is on a desktop: the test's own virtual pointer, which
# clicks where it is told on its standard input (a pipe kept open on descriptor 7).
mkfifo "$work/pointer.in"
chown "$user" "$work/pointer.in"
exec 7<>"$work/pointer.in"
as_user "$app/virtual_pointer" 1280 800 <"$work/pointer.in" >"$work/pointer.out" 2>&1 &
pids+=($!)
wait_for grep -q ready "$work/pointer.out" || fail "the virtual pointer did not start: $(cat "$work/pointer.out")"

as_user "$app/input_target" "$work/target.log" 2>"$work/target.err" &
pids+=($!)
wait_for grep -q '"ready"' "$work/target.log" || fail "the target did not take the focus"
target_title=verbolin-input-target
expect_focus "$target_title"

as_user "$app/verbolin" --autostart >"$work/verbolin.log" 2>&1 &
pids+=($!)
wait_for grep -q "Wayland session" "$work/verbolin.log" || fail "no start-up line"
grep -q "keys: virtual keyboard" "$work/verbolin.log" || fail "the virtual keyboard is not in use"
grep -q "clipboard: data control" "$work/verbolin.log" || fail "data control is not in use"
# No tray here: the notice of the hotkey to bind comes in a box of its own, which takes the
# focus; Enter closes it and the focus goes back.
echo "step: the notice of what to bind, dismissed"
expect_focus Verbolin ; hold Return 200 ; expect_hidden ; expect_focus "$target_title"

echo "step: the bound hotkey shows the pick window, which takes the focus; Down and Enter input"
hold ctrl+shift+v 200 ; expect_shown
hold Down 200 ; hold Return 200
expect_text "bravo" ; expect_hidden ; expect_focus "$target_title"

echo "step: a badge key held 200 ms"
hold ctrl+shift+v 200 ; expect_shown ; hold 3 200
expect_text "bravocharlie" ; expect_hidden ; expect_focus "$target_title"

echo "step: a click on the first phrase"
# Row 1 lies below the group tabs and the search box (a click at 200 takes row 3).
hold ctrl+shift+v 200 ; expect_shown ; click_pick 120 80
expect_text "bravocharliealpha" ; expect_hidden ; expect_focus "$target_title"

echo "step: a phrase with <Enter>, then one with a chord"
hold ctrl+shift+v 200 ; expect_shown ; hold 4 200
expect_text $'bravocharliealphamike\n' ; expect_hidden
hold ctrl+shift+v 200 ; expect_shown ; hold 5 200
expect_text "november" ; expect_hidden ; expect_focus "$target_title"

echo "step: a phrase hotkey while the window is hidden; the clipboard is given back after it"
# The last output gives the clipboard back 1 s after its paste: the copy comes after that.
sleep 1.2
as_user wl-copy "copied before" || fail "wl-copy failed"
# wl-copy serves from a child it leaves behind: the copy is made once the clipboard has it.
for _ in $(seq 1 60); do
    [ "$(as_user wl-paste --no-newline 2>/dev/null)" = "copied before" ] && break
    sleep 0.05
done
hold ctrl+alt+q 200 ; expect_text "novemberecho" ; expect_focus "$target_title"
for _ in $(seq 1 60); do
    [ "$(as_user wl-paste --no-newline 2>/dev/null)" = "copied before" ] && break
    sleep 0.05
done
[ "$(as_user wl-paste --no-newline 2>/dev/null)" = "copied before" ] ||
    fail "the clipboard holds '$(as_user wl-paste --no-newline 2>&1)' after the output, not what was copied before"

echo "step: a phrase of a chord alone, by its hotkey held long: the chord alone arrives"
hold ctrl+alt+k 900 ; expect_text "novemberechoK" ; expect_focus "$target_title"

echo "step: the next keys typed reach the target"
hold z 150 ; expect_text "novemberechoKz"

echo "step: Esc and the hotkey hide the window, the focus goes back"
hold ctrl+shift+v 200 ; expect_shown ; hold Escape 200 ; expect_hidden ; expect_focus "$target_title"
hold ctrl+shift+v 200 ; expect_shown ; hold ctrl+shift+v 200 ; expect_hidden ; expect_focus "$target_title"
hold y 150 ; expect_text "novemberechoKzy"

echo "1 passed, 0 failed"
exit 0
