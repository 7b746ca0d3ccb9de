#!/usr/bin/env bash
# Configures and builds the three build trees:
#   build/win32   the shipped 32-bit Pelloran.exe (i686)
#   build/win64   the same sources for x86_64, with the test IP helper DLL and the end-to-end test programs;
#                 this is what the tests run under Wine (see docs/ENGINEERING.md on why 64-bit)
#   build/native  the portable logic, its unit tests, the benchmarks, and CTest for both test layers
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${PELLORAN_BUILD:-$here/build}"
jobs="$(nproc)"

configure() { # dir, extra args...
    local dir="$1"; shift
    [ -f "$out/$dir/CMakeCache.txt" ] || cmake -S "$here" -B "$out/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}
configure win32 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DPELLORAN_APP_ONLY=ON
configure win64 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-x86_64.cmake"
configure native -DPELLORAN_WIN_BUILD="$out/win64"

for dir in win64 win32 native; do
    cmake --build "$out/$dir" -j"$jobs"
done
