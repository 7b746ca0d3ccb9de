#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: when every package and the libpng build are already there it only checks and returns.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

packages=(
    g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
    g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    wine64 xvfb xauth imagemagick x11-utils
    cmake g++ make googletest libbenchmark-dev python3 dpkg-dev clang-format-14
)
# 32-bit Wine, for the end-to-end suites on the shipped 32-bit build, only where this machine executes
# 32-bit x86 code (elsewhere the suites run the 64-bit build) and the 64-bit path is not forced.
wine32=0
if [ "${PELLORAN_E2E_ARCH:-}" != win64 ] && "$here/tools/runs-x86-32.sh"; then
    wine32=1
    packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "bootstrap: installing ${missing[*]}"
    if [ "$wine32" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# libpng has no MinGW package: build Debian's own source of it into the build tree's prefix.
"$here/tools/build-libpng.sh" i686
"$here/tools/build-libpng.sh" x86_64
