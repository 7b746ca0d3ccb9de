#!/usr/bin/env bash
# Builds everything and prints the benchmark figures: the native refresh and sort benchmarks, the fuzzing of
# every reader of outside bytes (tools/fuzz.sh), and the real program under Wine (the Benchmark suite of
# tests/e2e: start-up, refreshes and header clicks at 10,000 and 100,000 scripted rows, working set, idle CPU)
# on the build tests/e2e/env.sh chooses.
#   PELLORAN_BENCH_BASELINE=/path/to/Pelloran.exe  runs the suite against that program first ("before") and then
#       against the freshly built one ("after"), one figure per line with both values side by side. The baseline
#       must be built for the architecture the bench runs (see tools/wine-choice.sh).
# Nothing here asserts a time.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${PELLORAN_BUILD:-$here/build}"
baseline="${PELLORAN_BENCH_BASELINE:-}"

# A wrong baseline is refused before the long build, not found out after it.
if [ -n "$baseline" ]; then
    # shellcheck disable=SC1091
    . "$here/tools/wine-choice.sh"
    choose_wine
    if [ ! -f "$baseline" ]; then
        echo "PELLORAN_BENCH_BASELINE: no such file: $baseline" >&2
        exit 2
    fi
    kind="$(file -b "$baseline")"
    want="PE32 executable"
    [ "$WIN_ARCH" = win64 ] && want="PE32+ executable"
    if [[ "$kind" != "$want"* ]]; then
        echo "PELLORAN_BENCH_BASELINE: the bench runs $WIN_ARCH programs, but $baseline is: $kind" >&2
        exit 2
    fi
fi

"$here/tools/bootstrap.sh"
"$here/tools/build.sh"
for bench in "$out"/native/bench/*_bench; do
    echo "== $(basename "$bench")"
    "$bench"
done
echo "== fuzzing (tables, black list, PNG, process list)"
# A finding fails the bench at the end; the figures under Wine are still taken.
fuzzStatus=0
"$here/tools/fuzz.sh" || fuzzStatus=1
work="$out/native/bench-e2e"
bash "$here/tests/e2e/env.sh" start "$work" "$out/win32" "$out/win64"
trap 'bash "$here/tests/e2e/env.sh" stop "$work"' EXIT
echo "== toolbar pictures under Wine"
bash "$here/tests/e2e/run-program.sh" "$work" ToolbarLoad_winbench.exe || true

# shellcheck disable=SC1091
. "$work/env"
echo "== Pelloran under Wine"
echo "machine: $(grep -m 1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
echo "wine: $("$WINE" --version) ($WINE, $WIN_ARCH prefix)"

status=0
suite() { # label, program (Windows path; empty: the build's own), result file
    echo "$1"
    # An empty PELLORAN_EXE would name no program at all: the built one runs when the variable is unset.
    if [ -n "$2" ]; then export PELLORAN_EXE="$2"; else unset PELLORAN_EXE; fi
    bash "$here/tests/e2e/run-suite.sh" "$work" Benchmark "$work/screenshots" >"$3" 2>&1 || status=1
    grep -E '^\[ +(OK|FAILED) +\] Benchmark\.' "$3" || true
}
results=()
if [ -n "$baseline" ]; then
    suite "before: $baseline" "$("$WINE" winepath -w "$baseline" 2>/dev/null | tr -d '\r')" "$work/bench-before.log"
    results+=("$work/bench-before.log")
fi
suite "after: $WIN_BUILD/bin/Pelloran.exe" "" "$work/bench-after.log"
results+=("$work/bench-after.log")

# One line per figure ("bench| what| value" in the driver's output), the runs side by side.
echo
awk -F'[|] ' -v runs="${#results[@]}" '
    BEGIN { for (i = 1; i < ARGC; ++i) file[ARGV[i]] = i }
    { run = file[FILENAME] }
    /^bench[|] / { if (!($2 in seen)) { seen[$2] = 1; order[++n] = $2 } value[run, $2] = $3 }
    END {
        printf "%-78s", "figure"; if (runs == 2) printf " %-26s", "before"; printf " %s\n", runs == 2 ? "after" : "value"
        for (i = 1; i <= n; ++i) {
            printf "%-78s", order[i]
            for (r = 1; r <= runs; ++r) printf r < runs ? " %-26s" : " %s", ((r, order[i]) in value) ? value[r, order[i]] : "-"
            printf "\n"
        }
    }' "${results[@]}"
if [ "$status" -ne 0 ]; then
    echo "a Benchmark test failed: the whole output is in ${results[*]}" >&2
fi
if [ "$fuzzStatus" -ne 0 ]; then
    echo "fuzzing found a fault: see the fuzzing report above" >&2
    status=1
fi
exit "$status"
