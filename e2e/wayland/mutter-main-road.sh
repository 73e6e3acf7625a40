#!/usr/bin/env bash
# mutter-main-road.sh VERBOLIN INPUT_TARGET: the main road on a headless mutter 43, keys
# through the desktop portal's RemoteDesktop keyboard. No portal consent dialog runs
# headless here, so a stand-in of the portal on the test's own session bus grants the
# keyboard as a user who allows would, and forwards the keys to mutter's own remote desktop
# service (mutter-remote.py): Verbolin's real portal client drives the real compositor. The
# hotkeys come from "verbolin --hotkey", run as the desktop's custom shortcut would; the
# test's keys are held and its clicks made through mutter's remote desktop too. Checks:
# phrases chosen in the pick window and by a phrase hotkey arrive in a Wayland target that
# records its text and focus, the focus is back in the target afterwards, the remembered
# consent's token is kept in config.json and handed back on the next start, and without a
# portal the user is told once. Exits 77 (skipped) only when mutter is not installed. mutter
# runs as root (unlike sway), so the test runs as whoever starts it.
set -u
exe=$1 target=$2
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v mutter >/dev/null 2>&1; then
    echo "SKIP: mutter is not installed (scripts/install-deps.sh installs it)"
    exit 77
fi
for tool in dbus-daemon python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is not installed"; exit 1; }
done
# The system's Python, which Debian's D-Bus and GLib bindings belong to (not one of a
# user's own installs found first on the path).
py=/usr/bin/python3
[ -x "$py" ] || py=python3
"$py" -c 'import dbus, dbus.service, gi.repository.GLib' 2>/dev/null ||
    { echo "FAIL: python3-dbus and python3-gi are not installed"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-mutter.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    [ -n "${PRESSER_PID:-}" ] && kill "$PRESSER_PID" 2>/dev/null
    wait 2>/dev/null
    [ "${VERBOLIN_E2E_KEEP:-0}" = 1 ] && { echo "kept: $work"; return; }
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

runtime="$work/runtime"
mkdir -m 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime HOME=$work/home LANG=C.UTF-8 QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland
mkdir -p "$HOME"
unset DISPLAY WAYLAND_DISPLAY

# The program and its icons in a folder of their own, with the phrases of the test; the
# JSON files live beside the executable.
app="$work/app"
mkdir -p "$app/icons"
cp "$exe" "$app/verbolin"
cp "$(dirname "$exe")"/icons/* "$app/icons/" 2>/dev/null
cp "$target" "$app/input_target"
cat >"$app/config.json" <<'JSON'
{"chuangkou_x": 400, "chuangkou_y": 100, "width": 500, "height": 500, "zhiding": false,
 "tudingflag": false, "hotkey": "Ctrl+Shift+V", "delay": 200, "restore_clipboard": false}
JSON
cat >"$app/data.json" <<'JSON'
[{"text": "alpha", "tab": "甲"}, {"text": "bravo", "tab": "甲"}, {"text": "charlie", "tab": "甲"},
 {"text": "mike<Enter>", "tab": "甲"}, {"text": "<press Ctrl+A>november", "tab": "甲"},
 {"text": "echo", "tab": "甲", "hotkey": "Ctrl+Alt+Q"},
 {"text": "<press Shift+K>", "tab": "甲", "hotkey": "Ctrl+Alt+K"}]
JSON
echo '[{"tab": "甲", "item_height": 40}]' >"$app/tab.json"

# A session bus of the test's own that starts no services on demand: the machine's portal
# must not answer in place of the stand-in.
cat >"$work/bus.conf" <<EOF2
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF2

. "$(dirname "$0")/road-helpers.sh"

fail() {
    echo "FAIL: $*"
    echo "--- program log:"; cat "$work/verbolin.log" 2>/dev/null
    echo "--- later program logs:"; cat "$work/verbolin2.log" "$work/verbolin-first.log" "$work/verbolin3.log" 2>/dev/null
    echo "--- portal stand-in log (last lines):"; tail -n 20 "$work/portal.log" 2>/dev/null
    cat "$work/portal.err" 2>/dev/null
    echo "--- target log (last lines):"; tail -n 15 "$work/target.log" 2>/dev/null
    echo "--- compositor log (last lines):"; tail -n 15 "$work/mutter.log" 2>/dev/null
    exit 1
}

dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 3>"$work/bus.address" &
pids+=($!)
wait_for test -s "$work/bus.address" || fail "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus.address")

mutter --headless --wayland --no-x11 --virtual-monitor 1024x768 --wayland-display=verbolin-e2e \
    >"$work/mutter.log" 2>&1 &
pids+=($!)
wait_for test -S "$runtime/verbolin-e2e" || fail "mutter did not start"
export WAYLAND_DISPLAY=verbolin-e2e
# GNOME's own settings, custom shortcuts among them, in a file of the test's (as dconf keeps
# them on a desktop): the test binds a shortcut with gsettings and Verbolin reads it back.
export XDG_CURRENT_DESKTOP=GNOME GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME=$HOME/.config
mutter_remote_ready() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.gnome.Mutter.RemoteDesktop | grep -q "boolean true"
}
wait_for mutter_remote_ready || fail "mutter's remote desktop service is not on the bus"

# The test's keys. Headless, the seat has no keyboard until a remote desktop session makes
# one, and a Qt client that starts on a seat without one never takes keys from one added
# later: the key presser comes first, as a real keyboard is there first on a desktop.
coproc PRESSER { exec "$py" "$here/mutter-remote.py" presser 2>"$work/presser.err"; }
read -r -t 10 answer <&"${PRESSER[0]}" && [ "$answer" = ready ] || fail "the key presser did not start"
# A key (with modifiers as a prefix, e.g. ctrl+shift+v) held for the given milliseconds.
hold() {
    echo "hold $1 $2" >&"${PRESSER[1]}"
    read -r -t 10 answer <&"${PRESSER[0]}" && [ "$answer" = done ] || fail "the key presser failed on $1"
}
# A left click held 150 ms at a point of the pick window (its own coordinates), by the same
# remote desktop session's pointer, which is there before the programs under test start as
# the keyboard is. Without the shell mutter tells no window's place, so the click goes where
# mutter puts the pick window on this desktop: the target holds the middle of the 1024x768
# monitor and the pick window fits nowhere beside it, so mutter puts its frame in the top
# left corner; inside that frame Qt draws a title bar 30 px high and a border 3 px wide.
pick_x=3 pick_y=30
click_pick() {
    echo "click $((pick_x + $1)) $((pick_y + $2)) 150" >&"${PRESSER[1]}"
    read -r -t 10 answer <&"${PRESSER[0]}" && [ "$answer" = done ] || fail "the pointer failed to click"
}

"$py" "$here/mutter-remote.py" portal "$work/portal.log" 2>"$work/portal.err" &
portal_pid=$!
pids+=($portal_pid)
wait_for grep -q '^ready' "$work/portal.log" || fail "the portal stand-in did not start"

# What the target says.
target_active() {
    python3 -c '
import json, sys
active = None
for line in open(sys.argv[1], encoding="utf-8"):
    e = json.loads(line)
    if e.get("event") == "activation": active = e["active"]
sys.exit(0 if active else 1)' "$work/target.log"
}
# The target has the focus back (and holds it a moment: a window flashing by does not count).
expect_target_focused() {
    for _ in $(seq 1 100); do
        if target_active; then
            sleep 0.3
            target_active && return 0
        fi
        sleep 0.05
    done
    fail "the focus is not back in the target"
}
# A window of Verbolin has the focus: nothing else runs on this desktop.
expect_target_left() {
    for _ in $(seq 1 100); do
        target_active || return 0
        sleep 0.05
    done
    fail "the focus stayed in the target: the pick window is not shown"
}
config_token() {
    python3 -c '
import json, sys
print(json.load(open(sys.argv[1], encoding="utf-8")).get("remote_desktop_token", ""), end="")' "$app/config.json"
}
run_hotkey() {
    "$app/verbolin" --hotkey "$1" >>"$work/commands.log" 2>&1 || fail "verbolin --hotkey $1 failed"
}

"$app/input_target" "$work/target.log" 2>"$work/target.err" &
pids+=($!)
wait_for grep -q '"ready"' "$work/target.log" || fail "the target did not take the focus"
expect_target_focused

"$app/verbolin" --autostart >"$work/verbolin.log" 2>&1 &
verbolin_pid=$!
pids+=($verbolin_pid)
wait_for grep -q "Wayland session" "$work/verbolin.log" || fail "no start-up line"
grep -q "keys: the desktop portal's RemoteDesktop keyboard" "$work/verbolin.log" ||
    fail "the start-up line does not name the portal's keyboard"
grep -q "clipboard: Qt's clipboard, set by a window of Verbolin" "$work/verbolin.log" ||
    fail "the start-up line does not say how the clipboard is set"
wait_for grep -q "RemoteDesktop keyboard is ready" "$work/verbolin.log" || fail "the portal's keyboard is not ready"
echo "step: the restore token the desktop issued is kept in config.json"
wait_for grep -q '^issued e2e-token-1' "$work/portal.log" || fail "the stand-in issued no token"
for _ in $(seq 1 100); do [ "$(config_token)" = e2e-token-1 ] && break; sleep 0.05; done
[ "$(config_token)" = e2e-token-1 ] || fail "config.json holds the token '$(config_token)', not e2e-token-1"

# No tray here: the notice of the hotkey to bind comes in a box of its own, which takes the
# focus; Enter closes it and the focus goes back.
echo "step: the notice of what to bind, dismissed"
expect_target_left ; hold Return 200 ; expect_target_focused

echo "step: the hotkey command shows the pick window, which takes the focus; Down and Enter input"
run_hotkey Ctrl+Shift+V ; expect_target_left
hold Down 200 ; hold Return 200
expect_text "bravo" ; expect_target_focused

echo "step: a badge key held 200 ms"
run_hotkey Ctrl+Shift+V ; expect_target_left ; hold 3 200
expect_text "bravocharlie" ; expect_target_focused

echo "step: a click on the first phrase"
# Row 1 lies below the group tabs and the search box (a click at 200 takes row 3).
run_hotkey Ctrl+Shift+V ; expect_target_left ; click_pick 120 80
expect_text "bravocharliealpha" ; expect_target_focused

echo "step: a phrase with <Enter>, then one with a chord"
run_hotkey Ctrl+Shift+V ; expect_target_left ; hold 4 200
expect_text $'bravocharliealphamike\n' ; expect_target_focused
run_hotkey Ctrl+Shift+V ; expect_target_left ; hold 5 200
expect_text "november" ; expect_target_focused

echo "step: a phrase hotkey while the window is hidden"
run_hotkey Ctrl+Alt+Q ; expect_text "novemberecho" ; expect_target_focused

echo "step: a phrase hotkey run while its keys are still held, as the desktop runs it on the press"
echo "hold ctrl+alt+q 700" >&"${PRESSER[1]}"
sleep 0.15
run_hotkey Ctrl+Alt+Q
read -r -t 10 answer <&"${PRESSER[0]}" && [ "$answer" = done ] || fail "the key presser failed on ctrl+alt+q"
expect_text "novemberechoecho" ; expect_target_focused

echo "step: a phrase of a chord alone, by its hotkey still held: the chord goes once they are let go"
echo "hold ctrl+alt+k 700" >&"${PRESSER[1]}"
sleep 0.15
run_hotkey Ctrl+Alt+K
read -r -t 10 answer <&"${PRESSER[0]}" && [ "$answer" = done ] || fail "the key presser failed on ctrl+alt+k"
expect_text "novemberechoechoK" ; expect_target_focused

echo "step: the next keys typed reach the target"
hold z 150 ; expect_text "novemberechoechoKz"

echo "step: Esc and the hotkey hide the window, the focus goes back"
run_hotkey Ctrl+Shift+V ; expect_target_left ; hold Escape 200 ; expect_target_focused
run_hotkey Ctrl+Shift+V ; expect_target_left ; run_hotkey Ctrl+Shift+V ; expect_target_focused
hold y 150 ; expect_text "novemberechoechoKzy"

echo "step: the next start hands the kept token back and keeps the new one; with the hotkey bound, no notice"
kill "$verbolin_pid" ; wait "$verbolin_pid" 2>/dev/null
media_keys=org.gnome.settings-daemon.plugins.media-keys
gsettings set $media_keys custom-keybindings "['/verbolin/']" &&
    gsettings set $media_keys.custom-keybinding:/verbolin/ command "$app/verbolin --hotkey ctrl+shift+v" ||
    fail "gsettings could not bind the custom shortcut"
"$app/verbolin" --autostart >"$work/verbolin2.log" 2>&1 &
verbolin_pid=$!
pids+=($verbolin_pid)
wait_for grep -q "RemoteDesktop keyboard is ready" "$work/verbolin2.log" || fail "the second start got no keyboard"
grep -q '^restored e2e-token-1' "$work/portal.log" || fail "the second start did not hand back e2e-token-1"
grep -q '^unknown-token' "$work/portal.log" && fail "a token the stand-in never issued came back"
for _ in $(seq 1 100); do [ "$(config_token)" = e2e-token-2 ] && break; sleep 0.05; done
[ "$(config_token)" = e2e-token-2 ] || fail "config.json holds the token '$(config_token)', not e2e-token-2"
grep -q "Wayland session" "$work/verbolin2.log" || fail "no start-up line at the second start"
grep -q "bind Ctrl+Shift+V to the command" "$work/verbolin2.log" &&
    fail "the user was told to bind the hotkey GNOME's custom shortcut runs already"
expect_target_focused
run_hotkey Ctrl+Shift+V ; expect_target_left ; hold 1 200
expect_text "novemberechoechoKzyalpha" ; expect_target_focused

echo "step: the first launch is a phrase hotkey's: the phrase arrives once the desktop's keyboard is there"
# The desktop answers after 400 ms, as when it asks the user: the phrase's keys wait for
# its keyboard.
kill "$verbolin_pid" ; wait "$verbolin_pid" 2>/dev/null
echo 400 >"$work/start-delay-ms"
"$app/verbolin" --hotkey Ctrl+Alt+Q >"$work/verbolin-first.log" 2>&1 &
verbolin_pid=$!
pids+=($verbolin_pid)
expect_text "novemberechoechoKzyalphaecho" ; expect_target_focused
rm -f "$work/start-delay-ms"

echo "step: without the portal the user is told once, and the program runs on"
kill "$portal_pid" "$verbolin_pid" ; wait "$portal_pid" "$verbolin_pid" 2>/dev/null
"$app/verbolin" --autostart >"$work/verbolin3.log" 2>&1 &
verbolin_pid=$!
pids+=($verbolin_pid)
wait_for grep -q "the desktop lends no keyboard" "$work/verbolin3.log" ||
    { cat "$work/verbolin3.log"; fail "no word of the missing keyboard"; }
[ "$(grep -c "the desktop lends no keyboard" "$work/verbolin3.log")" = 1 ] || fail "the missing keyboard was told more than once"
# The notices come in boxes of their own (no tray here): each is closed with Enter.
for _ in 1 2 3; do
    sleep 0.5
    target_active && break
    hold Return 200
done
expect_target_focused
kill -0 "$verbolin_pid" 2>/dev/null || fail "the program ended without the portal"
run_hotkey Ctrl+Shift+V ; expect_target_left ; hold Escape 200 ; expect_target_focused
kill -0 "$verbolin_pid" 2>/dev/null || fail "the program ended without the portal"

echo "1 passed, 0 failed"
exit 0
