#!/usr/bin/env bash
# Fuzzes every reader of bytes the program takes from outside, each for ten million inputs (or RUNS):
#   table_decode      the IP helper table read (sizing, growth) and decode, every row layout; statistics rows
#   blacklist_reader  the black-list file
#   png_decode        the toolbar's PNG strip, its prepared variants and the composite
#   process_records   the native process list's records and the tree kill's walks over them
# One program per target (bench/<target>_fuzz.cpp): clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer where clang is installed, otherwise the random-input driver
# (bench/fuzz_random_driver.cpp) built by g++ with the same sanitizers. Seeds come from
# bench/fuzz-corpus/<target>/ (and res/images/toolbar.png); what a run adds stays in the build tree.
# Two targets run at a time. Prints per target the inputs run, the time and the findings (saved inputs
# that crashed or drew a sanitizer report), and exits non-zero on any finding. Called by tools/bench.sh;
# not part of CTest.
#   fuzz.sh [RUNS [TARGET...]]   RUNS inputs for each TARGET (all four by default)
#   fuzz.sh --seeds              writes the seed files of bench/fuzz-corpus/ again (bench/fuzz_seeds.cpp)
#   PELLORAN_FUZZ_RANDOM=1       uses the random driver even where clang is installed
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${PELLORAN_BUILD:-$here/build}/native/fuzz"
mkdir -p "$out"

declare -A sources=(
    [table_decode]="src/connections/TableDecode.cpp src/connections/TableFetch.cpp src/connections/Address6.cpp
                    src/connections/ConnectionEntry.cpp src/dialogs/StatisticsRows.cpp"
    [blacklist_reader]="src/blacklist/BlackListFile.cpp"
    [png_decode]="src/controls/PngDecode.cpp src/controls/ToolbarImages.cpp"
    [process_records]="src/processes/ProcessTree.cpp"
)
declare -A libraries=([png_decode]="$(pkg-config --libs libpng) -lz")
declare -A maxLength=([table_decode]=2048 [blacklist_reader]=4096 [png_decode]=8192 [process_records]=4096)
declare -A extraSeeds=([png_decode]="$here/res/images/toolbar.png")

if [[ "${1:-}" == "--seeds" ]]; then
    g++ -std=c++20 -O1 -I"$here/src" "$here/bench/fuzz_seeds.cpp" "$here/src/blacklist/BlackListFile.cpp" \
        $(pkg-config --libs libpng) -o "$out/fuzz_seeds"
    for target in "${!sources[@]}"; do rm -rf "$here/bench/fuzz-corpus/$target"; done
    "$out/fuzz_seeds" "$here/bench/fuzz-corpus"
    exit 0
fi
runs="${1:-10000000}"
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(table_decode blacklist_reader png_decode process_records)

clang="$(command -v clang++-14 || command -v clang++ || true)"
[[ "${PELLORAN_FUZZ_RANDOM:-0}" == 0 ]] || clang=""
flags=(-std=c++20 -O1 -g -fno-sanitize-recover=all -I"$here/src")
build() { # target: the program, built with libFuzzer or with the random driver
    local target="$1" files=() file
    for file in ${sources[$target]}; do files+=("$here/$file"); done
    if [[ -n "$clang" ]]; then
        "$clang" "${flags[@]}" -fsanitize=fuzzer,address,undefined "$here/bench/${target}_fuzz.cpp" "${files[@]}" \
            ${libraries[$target]:-} -o "$out/$target"
    else
        g++ "${flags[@]}" -fsanitize=address,undefined "$here/bench/${target}_fuzz.cpp" \
            "$here/bench/fuzz_random_driver.cpp" "${files[@]}" ${libraries[$target]:-} -o "$out/$target"
    fi
}

run() { # target: RUNS inputs; writes the log, and the exit status and seconds to `result`
    local target="$1" dir="$out/$target.run"
    rm -rf "$dir"
    mkdir -p "$dir/corpus" "$dir/findings"
    local options=(-max_len="${maxLength[$target]}" -artifact_prefix="$dir/findings/")
    if [[ -f "$here/bench/fuzz-corpus/$target.dict" ]]; then
        options+=(-dict="$here/bench/fuzz-corpus/$target.dict")
    fi
    local status=0 start end
    start="$(date +%s)"
    if [[ -n "$clang" ]]; then
        # New inputs go to the first folder, so the seeds in the tree stay as they are.
        if [[ -n "${extraSeeds[$target]:-}" ]]; then
            options+=(-seed_inputs="${extraSeeds[$target]}")
        fi
        "$out/$target" -runs="$runs" -print_final_stats=1 "${options[@]}" "$dir/corpus" \
            "$here/bench/fuzz-corpus/$target" >"$dir/log" 2>&1 || status=$?
    else
        # (The braces keep the shell's own "Aborted" notice out of the report.)
        { "$out/$target" "$runs" "${options[@]}" "$here/bench/fuzz-corpus/$target" ${extraSeeds[$target]:-} \
            >"$dir/log" 2>&1; } 2>/dev/null || status=$?
    fi
    end="$(date +%s)"
    echo "$status $((end - start))" >"$dir/result"
}

echo "fuzzing with ${clang:-g++ and the random driver}, $runs inputs per target"
for target in "${targets[@]}"; do
    [[ -n "${sources[$target]:-}" ]] || { echo "unknown target: $target" >&2; exit 2; }
    build "$target"
done
running=0
for target in "${targets[@]}"; do
    if ((running == 2)); then
        wait -n || true
        running=$((running - 1))
    fi
    echo "started $target (log: $out/$target.run/log)"
    run "$target" &
    running=$((running + 1))
done
wait

found=0
printf '%-18s %12s %9s  %s\n' target inputs time findings
for target in "${targets[@]}"; do
    dir="$out/$target.run"
    read -r status seconds <"$dir/result"
    inputs="$(grep -oE '^stat::number_of_executed_units: [0-9]+' "$dir/log" | grep -oE '[0-9]+$' || true)"
    [[ -n "$inputs" ]] || inputs="$(grep -oE '^Done [0-9]+ runs' "$dir/log" | grep -oE '[0-9]+' || true)"
    [[ -n "$inputs" ]] || inputs="$(grep -oE '^#[0-9]+' "$dir/log" | tail -n 1 | tr -d '#' || true)"
    mapfile -t saved < <(find "$dir/findings" -type f ! -name 'slow-unit-*' | sort)
    count="${#saved[@]}"
    ((status == 0 || count > 0)) || count=1
    if ((count == 0)); then
        printf '%-18s %12s %7s s  none\n' "$target" "${inputs:-?}" "$seconds"
        continue
    fi
    found=1
    printf '%-18s %12s %7s s  %s (exit status %s)\n' "$target" "${inputs:-?}" "$seconds" "$count" "$status"
    grep -E '^SUMMARY|runtime error|ERROR: libFuzzer|==ERROR' "$dir/log" | head -n 5 | sed 's/^/    /' || true
    for file in "${saved[@]}"; do echo "    input: $file"; done
done
exit "$found"
