#!/usr/bin/env bash
# Runs a command inside a private X session: Xvfb, the openbox window manager and a
# trayer system tray, plus a private per-user runtime folder so that the program's
# single-instance lock and socket are not shared with any other run.
# Usage: x-session.sh COMMAND [ARGS...]   (no tray: VERBOLIN_E2E_NO_TRAY=1)
set -u

work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-x.XXXXXX")
chmod 700 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd picks a free display number and writes it once the server is ready.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -ac >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
if [ ! -s "$work/display" ]; then
    echo "x-session: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
export XDG_SESSION_TYPE=x11
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME"

# A window manager announces itself through _NET_SUPPORTING_WM_CHECK on the root window.
# On a loaded machine it may take a while, or die at start: then it is started once more,
# since every test of focus and activation depends on it.
wm_ready() {
    for _ in $(seq 1 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.05
    done
    return 1
}
for attempt in 1 2; do
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wm_ready && break
    echo "x-session: the window manager did not come up (attempt $attempt):" >&2
    cat "$work/openbox.log" >&2
    kill "${pids[-1]}" 2>/dev/null
done

if [ "${VERBOLIN_E2E_NO_TRAY:-0}" != 1 ] && command -v trayer >/dev/null 2>&1; then
    trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 >"$work/trayer.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 100); do
        xprop -root 2>/dev/null | grep -q '_NET_SYSTEM_TRAY_S' && break
        # The tray selection is an owned selection, not a root property: ask for its owner.
        xdotool search --class trayer >/dev/null 2>&1 && break
        sleep 0.05
    done
fi

"$@"
status=$?
exit $status
