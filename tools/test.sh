#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit tests plain and under the
# sanitizers, then the end-to-end suites under Wine). The last lines are CTest's summary.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/tools/bootstrap.sh"
"$here/tools/build.sh"
cd "${PELLORAN_BUILD:-$here/build}/native"
ctest --output-on-failure "$@"
