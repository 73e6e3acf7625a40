#!/usr/bin/env bash
# Installs what is missing, builds, and starts Verbolin. Without a display it starts
# it on a virtual X server instead and saves a screenshot of it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VERBOLIN_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" build
"$root/scripts/build.sh" verbolin
exe="$build/verbolin"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    [ -n "${WAYLAND_DISPLAY:-}" ] && [ -z "${DISPLAY:-}" ] &&
        echo "Wayland without X: global hotkeys and phrase input need an X11 session." >&2
    exec "$exe" "$@"
fi

echo "No display found (DISPLAY is not set)."
echo "Verbolin is a desktop program: start it inside an X11 session, or run it"
echo "on a virtual display with:  xvfb-run -a $exe"
"$root/scripts/install-deps.sh" test >/dev/null
shot="$build/verbolin-screenshot.png"
echo "Starting it on a virtual X server now, to show that it runs..."
"$root/e2e/x-session.sh" bash -c '
    "$1" & pid=$!
    shown=1
    for _ in $(seq 1 100); do
        xdotool search --onlyvisible --name "^Verbolin$" >/dev/null 2>&1 && { shown=0; break; }
        sleep 0.1
    done
    [ $shown = 0 ] && { sleep 0.5; import -window root "$2"; }
    kill $pid
    exit $shown' _ "$exe" "$shot" && status=0 || status=$?
if [ $status -eq 0 ]; then
    echo "Verbolin started and showed its pick window; screenshot: $shot"
else
    echo "Verbolin did not show its pick window on the virtual X server." >&2
    exit 1
fi
