#!/usr/bin/env bash
# x-session.sh COMMAND [ARGS...]: runs it under Xvfb, openbox and a trayer tray (none with
# VERBOLIN_E2E_NO_TRAY=1), with a private HOME and runtime folder (the single-instance lock and socket).
set -u

work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-x.XXXXXX") # mode 700
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Polls a command for up to ten seconds.
wait_for() {
    for _ in $(seq 1 200); do
        "$@" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# -displayfd picks a free display number and writes it once the server is ready.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -ac >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
if ! wait_for test -s "$work/display"; then
    echo "x-session: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb XDG_SESSION_TYPE=x11
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"

# On a loaded machine the window manager may die at start; every test of focus depends on it: once more.
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
for attempt in 1 2; do
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wait_for wm_ready && break
    echo "x-session: the window manager did not come up (attempt $attempt):" >&2
    cat "$work/openbox.log" >&2
    kill "${pids[-1]}" 2>/dev/null
done

if [ "${VERBOLIN_E2E_NO_TRAY:-0}" != 1 ] && command -v trayer >/dev/null 2>&1; then
    trayer --edge bottom --align right --widthtype pixel --width 200 --height 32 >"$work/trayer.log" 2>&1 &
    pids+=($!)
    wait_for xdotool search --class trayer >/dev/null
fi

"$@"
