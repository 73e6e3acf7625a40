#!/usr/bin/env bash
# Builds Qt for Windows (mingw-w64, shared libraries) from Debian's source of the very Qt
# the Linux build uses, once, into a cache folder outside the repository, and prints its
# prefix. Later calls find the finished build and only print the prefix.
# Usage: windows-qt.sh            (VERBOLIN_WINDOWS_QT_CACHE overrides the cache folder)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
lock=(-o DPkg::Lock::Timeout=900)

need=(dpkg-dev ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools)
missing=()
for p in "${need[@]}"; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    "${sudo[@]}" apt-get "${lock[@]}" update -qq >&2
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${lock[@]}" install -y -qq "${missing[@]}" </dev/null >&2
fi

# The same upstream version as the host tools, which the cross build runs.
debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
upstream=${debian_version%%+*}
# Everything that changes the result is in the key: the Debian version, these options and
# the toolchain file.
options=(-DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
         -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
         -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DINPUT_openssl=no
         -DCMAKE_BUILD_TYPE=Release)
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
key=$(printf '%s\n' "$debian_version" "${options[@]}" | cat - "$toolchain" | sha256sum | cut -c1-12)
cache=${VERBOLIN_WINDOWS_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/verbolin}
prefix="$cache/qt-$upstream-mingw64-$key"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# Debian's source packages: a deb-src entry beside each deb entry of the system's sources.
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
    src_list=/etc/apt/sources.list.d/verbolin-deb-src.sources
    tmp=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && [ "$f" != "$src_list" ] || continue
        # Only the Debian archive's own entries.
        awk 'BEGIN{RS=""; ORS="\n\n"} /debian\.org|debian-archive-keyring/ {
                 sub(/Types: deb($|\n)/, "Types: deb-src\n"); print }' "$f" >>"$tmp"
    done
    if [ -f /etc/apt/sources.list ]; then
        grep -E '^deb [^#]*debian' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"$tmp.list" || true
        [ -s "$tmp.list" ] && "${sudo[@]}" cp "$tmp.list" /etc/apt/sources.list.d/verbolin-deb-src.list
    fi
    [ -s "$tmp" ] && "${sudo[@]}" cp "$tmp" "$src_list"
    rm -f "$tmp" "$tmp.list"
    "${sudo[@]}" apt-get "${lock[@]}" update -qq >&2
fi

work="$cache/work-$key"
mkdir -p "$work"
cd "$work"
# The exact Debian version where the archive still has it, else the current one.
fetch_source() {
    find . -maxdepth 1 -type d -name "$1-*" | grep -q . && return 0
    apt-get source -qq "$1=$2" >&2 2>/dev/null || apt-get source -qq "$1" >&2
}
fetch_source qt6-base "$debian_version"
base_src=$(find . -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)

jobs=$(nproc)
echo "Building Qt $upstream for Windows into $prefix (about 1,300 steps; 20-30 minutes on two cores)" >&2
cmake -S "$base_src" -B build-base -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >build-base.log 2>&1 ||
    { tail -n 40 build-base.log >&2; exit 1; }
cmake --build build-base --parallel "$jobs" >>build-base.log 2>&1 || { tail -n 40 build-base.log >&2; exit 1; }
cmake --install build-base >>build-base.log 2>&1 || { tail -n 40 build-base.log >&2; exit 1; }

# Debian's archive no longer serves the source of qt6-svg 6.4.2, so this Qt has no SVG
# plugin: the Windows build draws PNG renderings of its icons instead.

touch "$prefix/.complete"
cd / && rm -rf "$work"
echo "$prefix"
