#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages Verbolin needs, only those that are missing.
# Usage: install-deps.sh [build|test|windows]
#   (test = build + everything the tests need, the Windows build's included)
set -eu
what=${1:-build}

# The build: Qt (its private headers too: the group tab bar is filled in one pass), X11, a
# CJK font, and unicode-data for the Han readings the pinyin search is made from (bzip2
# unpacks them). Wayland: the client library, wayland-scanner (libwayland-bin)
# that makes the protocol code at build time, xkbcommon for the virtual keyboard's keymap and
# the compositor's, KWin's fake-input protocol (plasma-wayland-protocols), and Qt's wayland
# platform plugin.
build_packages=(cmake make g++ pkg-config qt6-base-dev qt6-base-private-dev qt6-base-dev-tools libqt6svg6 libgl-dev
                libx11-dev libxtst-dev libx11-xcb-dev libxcb1-dev libfontconfig-dev fonts-wqy-microhei
                unicode-data bzip2 libwayland-dev libwayland-bin libxkbcommon-dev qt6-wayland
                plasma-wayland-protocols)
# Xvfb, a window manager and a tray host for the end-to-end tests; xdotool/xclip drive
# and read them, setxkbmap (x11-xkb-utils) switches their keyboard layout; mingw-w64
# and wine run the Windows backend for real; strace and e2fsprogs (chattr) inject the
# faults of the file tests; the package test validates the .deb (dpkg-dev for cpack's
# dpkg-shlibdeps); xterm is a terminal target. The Wayland road runs on a headless sway
# (keys held with wtype, the compositor asked with swaymsg and read with python3, the
# clipboard set and read with wl-clipboard); dbus-daemon gives the tests of the desktop's
# D-Bus services a private message bus. The KDE road runs on a headless KWin 5.27 in a bus of
# its own (dbus-run-session from dbus-daemon, dbus-send from dbus-bin), its desktop entries
# indexed by kbuildsycoca5 (libkf5service-bin), the global accelerator served by KWin or
# kglobalaccel5 (libkf5globalaccel-bin); xkb-data gives the layouts the keymap tests compile.
# The GNOME road runs on a headless mutter, driven through its remote desktop service by
# python3-dbus with python3-gi (GLib's main loop); GNOME's custom shortcuts are set and
# read with gsettings (libglib2.0-bin) in the schema of gnome-settings-daemon-common.
test_packages=(xvfb openbox trayer xdotool xclip x11-utils x11-xkb-utils wmctrl imagemagick
               g++-mingw-w64-x86-64-posix wine wine64 strace e2fsprogs
               dpkg-dev desktop-file-utils appstream lintian xterm
               sway wtype wl-clipboard python3 dbus-daemon
               kwin-wayland dbus-bin libkf5service-bin libkf5globalaccel-bin xkb-data
               mutter python3-dbus python3-gi libglib2.0-bin gnome-settings-daemon-common)

# The Windows build: Qt cross-built from Debian's source with mingw-w64 (windows-qt.sh),
# the icons rendered to PNG for it, its tests run under wine in Xvfb.
windows_packages=(g++-mingw-w64-x86-64-posix ninja-build dpkg-dev librsvg2-bin wine wine64 xvfb openbox
                  xdotool x11-utils imagemagick)

packages=("${build_packages[@]}")
[ "$what" = test ] && packages+=("${test_packages[@]}" "${windows_packages[@]}")
[ "$what" = windows ] && packages+=("${windows_packages[@]}")

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
    echo "These packages are missing and there is no apt-get to install them: ${missing[*]}" >&2
    exit 1
fi
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo=(sudo); else
        echo "Run as root or install sudo; missing packages: ${missing[*]}" >&2
        exit 1
    fi
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another apt run (an unattended upgrade, say) may hold the dpkg lock: wait for it.
lock=(-o DPkg::Lock::Timeout=900)
"${sudo[@]}" apt-get "${lock[@]}" update -qq
"${sudo[@]}" apt-get "${lock[@]}" install -y -qq "${missing[@]}" </dev/null
