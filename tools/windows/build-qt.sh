#!/usr/bin/env bash
# Builds Qt for Windows (64-bit, mingw-w64 with POSIX threads) from Debian's own qt6-base source
# package, once, into a cache outside the tree. Debian's Linux Qt provides the host tools.
#   tools/windows/build-qt.sh [CACHE_DIR]   (default: ${XDG_CACHE_HOME:-~/.cache}/quillon/qt-windows)
set -euo pipefail

cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon/qt-windows}
prefix=$cache/install
[ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] && { echo "$prefix"; exit 0; }

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$cache"
cd "$cache"

if [ ! -f /etc/apt/sources.list.d/quillon-src.sources ]; then
    cat >/etc/apt/sources.list.d/quillon-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    apt-get -o DPkg::Lock::Timeout=600 update -qq
fi
if ! ls -d qtbase-everywhere-src-*/ >/dev/null 2>&1; then
    apt-get source --download-only qt6-base >/dev/null
    tar xf qt6-base_*.orig.tar.xz
fi
src=$(ls -d "$cache"/qtbase-everywhere-src-*/ | head -n 1)
# With OpenGL left out, the Windows platform plugin still asks the dynamic GL loader whether it
# renders in software; that question only exists when OpenGL does.
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$src/src/plugins/platforms/windows/qwindowswindow.cpp"

cmake -S "$src" -B "$cache/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_icu=OFF \
    -DFEATURE_tabletevent=OFF >"$cache/configure.log" 2>&1
cmake --build "$cache/build" -j "$(nproc)" >"$cache/build.log" 2>&1
cmake --install "$cache/build" >/dev/null
echo "$prefix"
