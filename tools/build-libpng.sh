#!/usr/bin/env bash
# Builds libpng (Debian's source package) with the MinGW toolchain of one architecture (i686 or x86_64)
# into third-party/prefix-<arch>.
# Only the installed library and headers are used; the source is never committed.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
root="${PELLORAN_DEPS:-$here/third-party}"
arch="${1:-i686}"
triple="$arch-w64-mingw32"
prefix="$root/prefix-$arch"
[ -f "$prefix/lib/libpng.a" ] && [ -f "$prefix/include/png.h" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
src_list=/etc/apt/sources.list.d/pelloran-src.sources
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    $SUDO tee "$src_list" >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    $SUDO apt-get update -qq
fi

mkdir -p "$root/src"
cd "$root/src"
if ! ls -d libpng1.6-*/ >/dev/null 2>&1; then
    apt-get source -qq libpng1.6 >/dev/null 2>&1 || { apt-get update -qq; apt-get source -qq libpng1.6 >/dev/null; }
fi
srcdir="$(ls -d "$root"/src/libpng1.6-*/ | head -n1)"

cat > "$root/mingw-$arch.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER $triple-gcc)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TC

cmake -S "$srcdir" -B "$root/build-$arch" -DCMAKE_TOOLCHAIN_FILE="$root/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include \
    -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_PROGRAMS=ON >/dev/null
cmake --build "$root/build-$arch" -j"$(nproc)" >/dev/null
cmake --install "$root/build-$arch" >/dev/null
echo "bootstrap: libpng installed in $prefix"
