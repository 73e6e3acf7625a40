#!/usr/bin/env bash
# The Windows build's main road under wine in a private X session: the release zip's verbolin.exe
# beside a target that records what it receives. The hotkey toggles the pick window while the
# target keeps the focus; a click, Enter and a badge key input a text, a key chord and a file;
# a second launch hands over to the running one.
# Usage: main-road.sh ZIP TARGET_EXE
set -u
zip=$1
target_exe=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-wine.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
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
# Pinned: the window stays after each input, and Enter and the badges input.
cat >"$app/config.json" <<EOF
{"hotkey": "Ctrl+Shift+V", "tudingflag": true, "enter_key_input_phrase_when_pinned": true,
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
wine "$target_exe" "$(winepath -w "$record")" >"$work/target.log" 2>&1 &
disown
wait_for 60 target_visible || fail "the target window did not appear"
target_window=$(visible_window 'Verbolin input target')
wait_for 10 target_active || fail "the target did not get the focus"
wine "$app/verbolin.exe" >"$work/verbolin.log" 2>&1 &
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

step "the hotkey hides and shows the pick window; the target keeps the focus"
hold ctrl+shift+v
wait_for 10 pick_hidden || fail "the hotkey did not hide the pick window"
hold ctrl+shift+v
wait_for 10 pick_visible || fail "the hotkey did not show the pick window"
wait_for 10 pick_settled || fail "more than one window is titled as the pick window"
pick=$(visible_window Verbolin)

step "a click on phrase 1, the first row below the group tabs and the search box"
xdotool mousemove --window "$pick" 120 75 click 1
expect_received "第一句 one" "the click"

step "Down, then Enter held 200 ms, input phrase 2"
hold Down
hold Return
expect_received "第一句 onesecond
line two" "Enter"

step "the badge key 3 held 200 ms inputs phrase 3: a chord, text and a file"
hold 3
expect_received "第一句 onesecond
line two<ctrl+shift+A>third [file:$sample_windows]" "the badge key"

target_active || fail "the target lost the focus to the pick window"
[ ! -s "$record/focus.log" ] || fail "the target lost the focus during the inputs"

step "a second launch shows the running program's pick window and ends"
hold ctrl+shift+v
wait_for 10 pick_hidden || fail "the hotkey did not hide the pick window"
timeout 60 wine "$app/verbolin.exe" >"$work/second.log" 2>&1 || fail "the second launch did not end cleanly"
wait_for 10 pick_visible || fail "the second launch did not show the pick window"
one_instance() { [ "$(pgrep -c -f "^$app/verbolin\\.exe")" = 1 ]; }
wait_for 10 one_instance || fail "not exactly one instance runs: $(pgrep -af verbolin)"
target_active || fail "the hand-over took the focus"

echo "wine main road: every step passed"
