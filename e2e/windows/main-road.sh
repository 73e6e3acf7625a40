#!/usr/bin/env bash
# The Windows build's main road under wine in a private X session: the release zip's verbolin.exe
# beside a target that records what it receives. The hotkey toggles the pick window while the
# target keeps the focus; a click, a badge key and Enter input a text, a key chord and a file,
# with the window hidden and shown by the hotkey between the outputs as users do, first not
# pinned, then pinned; a second launch hands over to the running one.
# Usage: main-road.sh ZIP TARGET_EXE
set -u
zip=$1
target_exe=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-wine.XXXXXX")
# VERBOLIN_WINEDEBUG: wine's debug channels for the two programs (their logs are copied to
# VERBOLIN_E2E_LOGS when that is set).
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    [ -n "${VERBOLIN_E2E_LOGS:-}" ] && cp "$work"/*.log "$VERBOLIN_E2E_LOGS/" 2>/dev/null
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

step() { echo "== $*"; }
received() { iconv -f UTF-16LE -t UTF-8 "$record/$1" 2>/dev/null; }
fail() {
    echo "FAIL: $*" >&2
    echo "-- received: $(received received.txt); focus log: $(received focus.log)" >&2
    [ -n "${VERBOLIN_E2E_SHOTS:-}" ] && import -window root "$VERBOLIN_E2E_SHOTS/wine-failure.png"
    exit 1
}
wait_for() {
    local seconds=$1
    shift
    for _ in $(seq 1 $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
hold() {
    xdotool keydown "$1"
    sleep 0.2
    xdotool keyup "$1"
}
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
pick_visible() { [ -n "$(visible_window Verbolin)" ]; }
# Right after a show wine may map a short-lived helper window of the same title.
pick_settled() { [ "$(xdotool search --onlyvisible --name '^Verbolin$' 2>/dev/null | wc -l)" = 1 ]; }
target_visible() { [ -n "$(visible_window 'Verbolin input target')" ]; }
pick_hidden() { ! pick_visible; }
received_is() { [ "$(received received.txt)" = "$1" ]; }
target_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$target_window" ]; }
expect_received() {
    wait_for 15 received_is "$1" || fail "$2: the target did not receive what was expected: $1"
}

step "unpacking $(basename "$zip") and preparing a wine prefix"
(cd "$work" && cmake -E tar xf "$zip") || fail "the zip does not unpack"
app=$(find "$work" -maxdepth 2 -name verbolin.exe -printf '%h\n' | head -n 1)
[ -n "$app" ] || fail "verbolin.exe is not in the zip"
wineboot -i >/dev/null 2>&1 || fail "the wine prefix could not be made"

record="$work/record"
mkdir -p "$record"
sample="$work/样例 file.txt"
echo sample >"$sample"
sample_windows=$(winepath -w "$sample" 2>/dev/null)
# Not pinned at first, as users have it: each input hides the window, the hotkey shows it
# again. Once pinned, Enter and the badges input and the window stays.
cat >"$app/config.json" <<EOF
{"hotkey": "Ctrl+Shift+V", "tudingflag": false, "enter_key_input_phrase_when_pinned": true,
 "badge_key_input_phrase_when_pinned": true, "ziqidong": false,
 "chuangkou_x": 700, "chuangkou_y": 100, "width": 400, "height": 400}
EOF
echo '[{"tab": "常用", "item_height": 40}]' >"$app/tab.json"
cat >"$app/data.json" <<EOF
[{"text": "第一句 one", "remark": "", "tab": "常用", "hotkey": ""},
 {"text": "second<Enter>line two", "remark": "", "tab": "常用", "hotkey": ""},
 {"text": "<press Ctrl+Shift+A>third <file ${sample_windows//\\/\\\\}>", "remark": "", "tab": "常用", "hotkey": ""}]
EOF

step "starting the target, then Verbolin"
WINEDEBUG=${VERBOLIN_WINEDEBUG:--all} wine "$target_exe" "$(winepath -w "$record")" >"$work/target.log" 2>&1 &
disown
wait_for 60 target_visible || fail "the target window did not appear"
target_window=$(visible_window 'Verbolin input target')
wait_for 10 target_active || fail "the target did not get the focus"
WINEDEBUG=${VERBOLIN_WINEDEBUG:--all} wine "$app/verbolin.exe" >"$work/verbolin.log" 2>&1 &
disown
wait_for 60 pick_visible || fail "the pick window did not appear"
sleep 1
target_active || fail "showing the pick window took the focus"
# Wine's artefact: adding a tray icon deactivates the Windows-side foreground window while
# the X focus stays, so the target is activated again once.
xdotool windowactivate --sync "$target_window"
wait_for 10 target_active || fail "the target could not be activated again"
sleep 0.5
: >"$record/focus.log"

# The hotkey while the window is up hides it, then shows it again; the target keeps the focus.
hide_and_show() {
    hold ctrl+shift+v
    wait_for 10 pick_hidden || fail "$1: the hotkey did not hide the pick window"
    show_pick "$1"
}
show_pick() {
    hold ctrl+shift+v
    wait_for 10 pick_visible || fail "$1: the hotkey did not show the pick window"
    wait_for 10 pick_settled || fail "$1: more than one window is titled as the pick window"
    pick=$(visible_window Verbolin)
    sleep 0.3
}
# An input hides the window (not pinned) and leaves the focus with the target.
input_done() {
    wait_for 10 pick_hidden || fail "$1: the input did not hide the pick window"
    target_active || fail "$1: the target lost the focus to the pick window"
}

step "the hotkey hides and shows the pick window; the target keeps the focus"
hide_and_show "the first show"

step "a click on phrase 1, the first row below the group tabs and the search box"
xdotool mousemove --window "$pick" 120 75 click 1
expect_received "第一句 one" "the click"
input_done "the click"

step "the hotkey shows the window, hides and shows it; the badge key 3 held 200 ms inputs phrase 3"
show_pick "after the click"
hide_and_show "after the click"
hold 3
expect_received "第一句 one<ctrl+shift+A>third [file:$sample_windows]" "the badge key"
input_done "the badge key"

step "the hotkey shows the window, hides and shows it; Down, then Enter held 200 ms, input phrase 2"
show_pick "after the badge key"
hide_and_show "after the badge key"
hold Down
hold Return
expect_received "第一句 one<ctrl+shift+A>third [file:$sample_windows]second
line two" "Enter"
input_done "Enter"

step "pinned by the key left of 1, the badge key 1 inputs phrase 1 and the window stays"
show_pick "after Enter"
hold grave
sleep 0.3
hold 1
third="第一句 one<ctrl+shift+A>third [file:$sample_windows]second
line two"
expect_received "$third第一句 one" "the badge key while pinned"
pick_visible || fail "the badge key while pinned: the pick window did not stay"

step "pinned, the hotkey hides and shows the window; the badge key 3, then at once Enter"
hide_and_show "while pinned"
# Phrase 3 waits a second for its file: Enter comes while it is being output, and phrase 2,
# still the current one, follows it.
hold 3
hold Return
expect_received "$third第一句 one<ctrl+shift+A>third [file:$sample_windows]second
line two" "Enter while the badge key's phrase was being output"
pick_visible || fail "Enter while pinned: the pick window did not stay"
target_active || fail "the target lost the focus to the pinned pick window"

[ ! -s "$record/focus.log" ] || fail "the target lost the focus during the inputs"

step "the key left of 1 unpins the window again, the hotkey hides it"
hold grave
sleep 0.3
hold ctrl+shift+v
wait_for 10 pick_hidden || fail "the hotkey did not hide the pick window"

step "a second launch shows the running program's pick window and ends"
timeout 60 wine "$app/verbolin.exe" >"$work/second.log" 2>&1 || fail "the second launch did not end cleanly"
wait_for 10 pick_visible || fail "the second launch did not show the pick window"
one_instance() { [ "$(pgrep -c -f "^$app/verbolin\\.exe")" = 1 ]; }
wait_for 10 one_instance || fail "not exactly one instance runs: $(pgrep -af verbolin)"
target_active || fail "the hand-over took the focus"

echo "wine main road: every step passed"
