#!/usr/bin/env bash
# deb-package.sh BUILD_DIR SOURCE_DIR: builds the Debian package, checks it with the Debian and freedesktop
# validators and starts it unpacked with an empty home: icons found under share/, data in the user folder.
set -u
build=$1
source=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/verbolin-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/verbolin_*.deb) || fail "no package built"

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/verbolin /usr/bin/verbolin-markup /usr/share/applications/org.verbolin.Verbolin.desktop \
         /usr/share/icons/hicolor/scalable/apps/org.verbolin.Verbolin.svg \
         /usr/share/metainfo/org.verbolin.Verbolin.metainfo.xml /usr/share/doc/verbolin/copyright \
         $(cd "$source" && ls icons/*.svg | sed 's|^|/usr/share/verbolin/|'); do
    grep -qx "$f" "$work/files" || fail "$f is not in the package"
done
# The shared libraries were looked up, not listed by hand.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries: $(dpkg-deb -f "$deb" Depends)"

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.verbolin.Verbolin.desktop" || fail "desktop-file-validate"
# KWin (Plasma 5.27, Wayland) offers its fake input only to the program an entry names by full path.
grep -qx 'Exec=/usr/bin/verbolin' "$root/usr/share/applications/org.verbolin.Verbolin.desktop" ||
    fail "the desktop entry does not name /usr/bin/verbolin"
grep -qx 'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input' "$root/usr/share/applications/org.verbolin.Verbolin.desktop" ||
    fail "the desktop entry does not ask for KWin's fake input"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/org.verbolin.Verbolin.metainfo.xml" \
    || fail "appstreamcli validate"
lintian --no-cfg "$deb" >"$work/lintian.log" 2>&1
cat "$work/lintian.log"
! grep -q '^E:' "$work/lintian.log" || fail "lintian reports errors"

# The unpacked program on a private X server; x-session.sh gives it an empty HOME.
cat >"$work/run.sh" <<'RUN'
root=$1
"$root/usr/bin/verbolin" >"$HOME/out.log" 2>&1 &
data="$HOME/.local/share/Verbolin"
for _ in $(seq 1 200); do
    [ -f "$data/config.json" ] && xdotool search --name '^Verbolin$' >/dev/null 2>&1 && break
    sleep 0.1
done
kill $!
wait $! 2>/dev/null
cat "$HOME/out.log"
[ -f "$data/config.json" ] || { echo "FAIL: no config.json in $data" >&2; exit 1; }
! ls "$root/usr/bin"/*.json >/dev/null 2>&1 || { echo "FAIL: data written beside the executable" >&2; exit 1; }
! grep -q 'icons folder' "$HOME/out.log" || { echo "FAIL: icons not found" >&2; exit 1; }
RUN
VERBOLIN_E2E_NO_TRAY=1 "$source/e2e/x-session.sh" bash "$work/run.sh" "$root" || fail "the unpacked program"
echo "PASS"
