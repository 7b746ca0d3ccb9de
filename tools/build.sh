#!/usr/bin/env bash
# Configures and builds the three build trees:
#   build/win32   the shipped 32-bit Pelloran.exe (i686) with its test programs and test DLLs
#   build/win64   the same sources for x86-64, with the same test programs and test DLLs
#   build/native  the portable logic, its unit tests, the benchmarks, and CTest for both test layers
# The end-to-end suites run on one of the two Windows builds, chosen when the bench starts (tests/e2e/env.sh);
# both are built on every run so neither falls behind.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${PELLORAN_BUILD:-$here/build}"
jobs="$(nproc)"

configure() { # dir, extra args... (run every time: cheap once configured, and it corrects older caches)
    local dir="$1"; shift
    cmake -S "$here" -B "$out/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}
configure win32 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" -DPELLORAN_APP_ONLY=OFF
configure win64 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-x86_64.cmake"
configure native -DPELLORAN_WIN32_BUILD="$out/win32" -DPELLORAN_WIN64_BUILD="$out/win64"

for dir in win64 win32 native; do
    cmake --build "$out/$dir" -j"$jobs"
done
