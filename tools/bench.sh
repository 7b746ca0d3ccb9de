#!/usr/bin/env bash
# Builds everything and prints the benchmark figures: the native refresh and sort benchmarks, and the real
# program under Wine with 10,000 scripted connections (on the build tests/e2e/env.sh chooses).
# Nothing here asserts a time.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${PELLORAN_BUILD:-$here/build}"
"$here/tools/bootstrap.sh"
"$here/tools/build.sh"
for bench in "$out"/native/bench/*_bench; do
    echo "== $(basename "$bench")"
    "$bench"
done
echo "== black-list reader fuzzing"
"$here/tools/fuzz.sh"
work="$out/native/bench-e2e"
bash "$here/tests/e2e/env.sh" start "$work" "$out/win32" "$out/win64"
trap 'bash "$here/tests/e2e/env.sh" stop "$work"' EXIT
echo "== toolbar pictures under Wine"
bash "$here/tests/e2e/run-program.sh" "$work" ToolbarLoad_winbench.exe || true
echo "== Pelloran under Wine, 10,000 scripted connections"
bash "$here/tests/e2e/run-suite.sh" "$work" Benchmark "$work/screenshots" |
    grep -E '^(Build under test|refresh|sort|start-up)|FAILED|OK \]'
