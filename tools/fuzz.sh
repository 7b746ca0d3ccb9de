#!/usr/bin/env bash
# Fuzzes the black-list reader for a million inputs (or $1): with clang's libFuzzer under AddressSanitizer
# and UndefinedBehaviorSanitizer where clang is installed, otherwise with the random-input driver built
# by g++ with the same sanitizers. Called by tools/bench.sh; not part of CTest.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${PELLORAN_BUILD:-$here/build}/native/fuzz"
runs="${1:-1000000}"
mkdir -p "$out"
sources=("$here/bench/blacklist_reader_fuzz.cpp" "$here/src/blacklist/BlackListFile.cpp")
clang="$(command -v clang++-14 || command -v clang++ || true)"
if [[ -n "$clang" ]]; then
    "$clang" -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I"$here/src" "${sources[@]}" \
        -o "$out/blacklist_reader_fuzz"
    printf '"<link>"\n"</link>"\n"<"\n"\\x0a"\n"\\x0d\\x0a"\n' >"$out/blacklist.dict"
    status=0
    "$out/blacklist_reader_fuzz" -runs="$runs" -max_len=4096 -dict="$out/blacklist.dict" >"$out/fuzz.log" 2>&1 ||
        status=$?
    grep -E '^(Done|SUMMARY)|ERROR|deadly' "$out/fuzz.log" || true
    exit "$status"
fi
g++ -std=c++20 -O1 -g -fsanitize=address,undefined -DPELLORAN_RANDOM_DRIVER -I"$here/src" "${sources[@]}" \
    -o "$out/blacklist_reader_random"
"$out/blacklist_reader_random" "$runs"
