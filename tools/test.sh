#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit tests plain and under the
# sanitizers, the formatting, then the end-to-end suites under Wine on the build tools/wine-choice.sh
# chooses; PELLORAN_E2E_ARCH=win32|win64 forces one). The last lines are CTest's summary.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/tools/bootstrap.sh"
"$here/tools/build.sh"
# The same choice e2e.env.start makes (its output shows only on failure); said here before the run.
# shellcheck disable=SC1091
. "$here/tools/wine-choice.sh"
if choose_wine; then
    echo "End-to-end suites: the $WIN_ARCH build under $WINE ($WIN_ARCH_REASON)"
fi
cd "${PELLORAN_BUILD:-$here/build}/native"
ctest --output-on-failure "$@"
