#!/usr/bin/env bash
# kwin-main-road.sh VERBOLIN INPUT_TARGET FAKE_INPUT_KEYS: the main road on a headless KWin
# (Plasma 5.27) in a D-Bus session of its own. The hotkeys reach Verbolin through KWin's
# global accelerator service, keys are held as people hold them through KWin's fake input
# (by the test's own presser, and Verbolin's phrase keys go the same way), clicks come from
# the presser's fake input pointer, the clipboard goes through data control; phrases arrive
# in a Wayland target that records its text, and a KWin script of the test's own logs which
# window is active and which are shown, and where the pick window lies. Exits 77
# (skipped) only when the compositor or a tool it needs is not installed.
set -u

# The whole road runs inside a message bus of its own: KWin serves the global accelerator
# there, and Verbolin finds it there.
if [ -z "${VERBOLIN_KWIN_ROAD_BUS:-}" ]; then
    command -v dbus-run-session >/dev/null 2>&1 || { echo "SKIP: dbus-run-session is not installed"; exit 77; }
    exec dbus-run-session -- env VERBOLIN_KWIN_ROAD_BUS=1 "$0" "$@"
fi
exe=$1 target=$2 presser=$3

for tool in kwin_wayland kbuildsycoca5 dbus-send wl-copy wl-paste; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-kwin.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [ "${VERBOLIN_E2E_KEEP:-0}" = 1 ] && { echo "kept: $work"; return; }
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A home of the test's own: KWin's and the global accelerator's settings start empty, and the
# desktop entries that let the presser and Verbolin use fake input are found there.
home="$work/home"
runtime="$work/runtime"
mkdir -p "$home/.local/share/applications" "$home/.config" "$home/.cache"
mkdir -m 700 "$runtime"
export HOME="$home" XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
export XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS=/usr/local/share:/usr/share LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY

# The program and its icons in a folder of their own, with the phrases of the test; the
# JSON files live beside the executable.
app="$work/app"
mkdir -p "$app/icons"
cp "$exe" "$app/verbolin"
cp "$(dirname "$exe")"/icons/* "$app/icons/" 2>/dev/null
cp "$target" "$app/input_target"
cp "$presser" "$app/fake_input_keys"
cat >"$app/config.json" <<'JSON'
{"chuangkou_x": 400, "chuangkou_y": 100, "width": 500, "height": 500, "zhiding": false,
 "tudingflag": false, "hotkey": "Ctrl+Shift+V", "delay": 200, "restore_clipboard": true}
JSON
cat >"$app/data.json" <<'JSON'
[{"text": "alpha", "tab": "甲"}, {"text": "bravo", "tab": "甲"}, {"text": "charlie", "tab": "甲"},
 {"text": "mike<Enter>", "tab": "甲"}, {"text": "<press Ctrl+A>november", "tab": "甲"},
 {"text": "echo", "tab": "甲", "hotkey": "Ctrl+Alt+Q"}, {"text": "<press Ctrl+Shift+V>kilo", "tab": "甲"},
 {"text": "<press Shift+K>", "tab": "甲", "hotkey": "Ctrl+Alt+K"}]
JSON
echo '[{"tab": "甲", "item_height": 40}]' >"$app/tab.json"
# KWin offers fake input only to programs named, by full path, in a desktop entry asking for it.
for program in fake_input_keys verbolin; do
    cat >"$home/.local/share/applications/verbolin-e2e-$program.desktop" <<EOF2
[Desktop Entry]
Type=Application
Name=$program
Exec=$app/$program
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
EOF2
done
# Two layouts, US first: the road switches to the French one at its end.
cat >"$XDG_CONFIG_HOME/kxkbrc" <<'EOF2'
[Layout]
LayoutList=us,fr
Use=true
EOF2
kbuildsycoca5 >"$work/kbuildsycoca.log" 2>&1 || { cat "$work/kbuildsycoca.log"; echo "FAIL: kbuildsycoca5"; exit 1; }

. "$(dirname "$0")/road-helpers.sh"

fail() {
    echo "FAIL: $*"
    echo "--- program log:"; cat "$work/verbolin.log" 2>/dev/null
    echo "--- target log (last lines):"; tail -n 15 "$work/target.log" 2>/dev/null
    echo "--- compositor log (last lines):"; grep -v XF86EmojiPicker "$work/kwin.log" 2>/dev/null | tail -n 20
    exit 1
}

# kwin_wayland carries file capabilities, which an exec from a process without them (runuser,
# a container) refuses: a copy of its own under the same name carries none.
mkdir "$work/bin"
cp "$(command -v kwin_wayland)" "$work/bin/kwin_wayland"
KWIN_COMPOSE=Q "$work/bin/kwin_wayland" --virtual --width 1024 --height 768 --socket verbolin-e2e \
    >"$work/kwin.log" 2>&1 &
pids+=($!)
wait_for test -S "$runtime/verbolin-e2e" || fail "KWin did not start"
export WAYLAND_DISPLAY=verbolin-e2e
bus_has() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" | grep -q 'boolean true'
}
wait_for bus_has org.kde.KWin || fail "KWin is not on the session bus"
# KWin 5.27 serves the global accelerator itself; a KWin that does not leaves it to the daemon.
if ! wait_for bus_has org.kde.kglobalaccel; then
    command -v kglobalaccel5 >/dev/null 2>&1 || { echo "SKIP: kglobalaccel5 is not installed"; exit 77; }
    QT_QPA_PLATFORM=wayland kglobalaccel5 >"$work/kglobalaccel.log" 2>&1 &
    pids+=($!)
    wait_for bus_has org.kde.kglobalaccel || fail "no global accelerator service on the bus"
fi

# The test's eyes: a KWin script that logs every window activated, shown and gone, and where
# the pick window's own area (below the title bar KWin draws around it) lies on the desktop
# whenever it is activated or moves; the area comes before the window is told active.
cat >"$work/watch.js" <<'JS'
function tell(what, c) { print("verbolin-e2e " + what + " " + (c ? c.caption : "")); }
function area(c) {
    if (!c || c.caption != "Verbolin") return;
    var b = c.bufferGeometry, f = c.frameGeometry;
    print("verbolin-e2e area " + Math.round(b.x) + " " + Math.round(b.y) + " " + Math.round(b.width) + " " +
          Math.round(b.height) + " in the frame " + Math.round(f.x) + " " + Math.round(f.y) + " " +
          Math.round(f.width) + " " + Math.round(f.height));
}
workspace.clientActivated.connect(function (c) { area(c); tell("active", c); });
workspace.clientAdded.connect(function (c) {
    tell("added", c);
    c.frameGeometryChanged.connect(function () { area(c); });
});
workspace.clientRemoved.connect(function (c) { tell("removed", c); });
JS
# KWin takes its name on the bus before its scripting object is there.
load_script() {
    dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.loadScript \
        "string:$work/watch.js" string:verbolin-e2e-watch >/dev/null
}
wait_for load_script || fail "KWin did not load the test's script"
dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.start >/dev/null ||
    fail "KWin did not start the test's script"

focused_name() {
    grep -a '^js: verbolin-e2e active ' "$work/kwin.log" | tail -n1 | sed 's/^js: verbolin-e2e active //'
}
verbolin_visible() {
    grep -a -E '^js: verbolin-e2e (added|removed) Verbolin$' "$work/kwin.log" | tail -n1 | grep -q added
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
# A key (with modifiers as a prefix, e.g. ctrl+shift+v) held for the given milliseconds.
# The presser finds the keys in the layout in use, as a person would.
layout=0
hold() {
    "$app/fake_input_keys" --layout "$layout" "$1" "$2" || fail "the presser failed on $1"
}

# A left click held 150 ms at a point of the pick window (its own coordinates), by the
# test's pointer (see below), where KWin last said the window's area is.
click_pick() {
    local at clicks
    at=$(grep -a '^js: verbolin-e2e area ' "$work/kwin.log" | tail -n1 |
        awk -v dx="$1" -v dy="$2" '{ print $4 + dx, $5 + dy }')
    [ -n "$at" ] || fail "KWin told no area of the pick window"
    clicks=$(grep -c clicked "$work/pointer.out")
    echo "click $at 150" >&7
    wait_for bash -c "[ \$(grep -c clicked '$work/pointer.out') -gt $clicks ]" || fail "the pointer did not click"
}

# A pointer, as a mouse is on a desktop: headless KWin's seat has only a keyboard, and a fake
# input device makes it a pointer (and touch) for as long as its client stays connected. So
# one presser stays, clicking where it is told on its standard input (a pipe kept open on
# descriptor 7), started before the programs under test as a mouse is there before them.
mkfifo "$work/pointer.in"
exec 7<>"$work/pointer.in"
"$app/fake_input_keys" --pointer <"$work/pointer.in" >"$work/pointer.out" 2>&1 &
pids+=($!)
wait_for grep -q ready "$work/pointer.out" || fail "the pointer did not start: $(cat "$work/pointer.out")"

QT_QPA_PLATFORM=wayland "$app/input_target" "$work/target.log" 2>"$work/target.err" &
pids+=($!)
wait_for grep -q '"ready"' "$work/target.log" || fail "the target did not take the focus"
target_title=verbolin-input-target
expect_focus "$target_title"

QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland "$app/verbolin" --autostart >"$work/verbolin.log" 2>&1 &
pids+=($!)
wait_for grep -q "Wayland session" "$work/verbolin.log" || fail "no start-up line"
grep -q "hotkeys: KGlobalAccel" "$work/verbolin.log" || fail "the global accelerator is not in use"
grep -q "keys: fake input" "$work/verbolin.log" || fail "fake input is not in use"
grep -q "clipboard: data control" "$work/verbolin.log" || fail "data control is not in use"
expect_focus "$target_title"

echo "step: the hotkey, pressed as keys, shows the pick window, which takes the focus; Down and Enter input"
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
wl-copy "copied before" || fail "wl-copy failed"
for _ in $(seq 1 60); do
    [ "$(wl-paste --no-newline 2>/dev/null)" = "copied before" ] && break
    sleep 0.05
done
hold ctrl+alt+q 200 ; expect_text "novemberecho" ; expect_focus "$target_title"
for _ in $(seq 1 60); do
    [ "$(wl-paste --no-newline 2>/dev/null)" = "copied before" ] && break
    sleep 0.05
done
[ "$(wl-paste --no-newline 2>/dev/null)" = "copied before" ] ||
    fail "the clipboard holds '$(wl-paste --no-newline 2>&1)' after the output, not what was copied before"

echo "step: a phrase of a chord alone, by its hotkey held long: the chord alone arrives"
hold ctrl+alt+k 900 ; expect_text "novemberechoK" ; expect_focus "$target_title"

echo "step: the next keys typed reach the target"
hold z 150 ; expect_text "novemberechoKz"

echo "step: Esc and the hotkey hide the window, the focus goes back"
hold ctrl+shift+v 200 ; expect_shown ; hold Escape 200 ; expect_hidden ; expect_focus "$target_title"
hold ctrl+shift+v 200 ; expect_shown ; hold ctrl+shift+v 200 ; expect_hidden ; expect_focus "$target_title"
hold y 150 ; expect_text "novemberechoKzy"

echo "step: a phrase pressing the main hotkey's own keys: they reach the target, the window stays hidden"
# As a terminal's paste chord does with the default hotkey: KGlobalAccel must not take them.
own_presses() { grep -c '"key":"Ctrl+Shift+V"' "$work/target.log"; }
before=$(own_presses)
hold ctrl+shift+v 200 ; expect_shown ; hold 7 200
expect_text "novemberechoKzykilo" ; expect_hidden ; expect_focus "$target_title"
[ "$(own_presses)" -gt "$before" ] || fail "the target did not receive the phrase's Ctrl+Shift+V"
sleep 0.5
verbolin_visible && fail "the phrase's Ctrl+Shift+V showed the pick window again"

echo "step: under the French layout, a chord is the keys that give it there"
# KWin tells every keyboard of the seat its new keymap; Ctrl+A is then on the key of Q.
dbus-send --session --print-reply --dest=org.kde.keyboard /Layouts org.kde.KeyboardLayouts.setLayout uint32:1 \
    >/dev/null || fail "KWin did not switch the layout"
layout_is_french() {
    dbus-send --session --print-reply --dest=org.kde.keyboard /Layouts org.kde.KeyboardLayouts.getLayout |
        grep -q 'uint32 1'
}
wait_for layout_is_french || fail "the French layout is not in use"
layout=1
hold a 150 ; expect_text "novemberechoKzykiloa"
hold ctrl+shift+v 200 ; expect_shown ; hold 5 200
expect_text "november" ; expect_hidden ; expect_focus "$target_title"

echo "1 passed, 0 failed"
exit 0
