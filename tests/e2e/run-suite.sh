#!/usr/bin/env bash
# Runs one end-to-end suite on the bench env.sh started:
#   run-suite.sh WORKDIR SUITE SCREENSHOTS [DRIVER]
# runs the driver pelloran_e2e.exe of the build under test (WIN_BUILD in the bench's env file) under its Wine
# with the GoogleTest filter SUITE.*:SUITE/*, with name lookups kept
# on this machine, then turns the BMP screenshots the tests left in SCREENSHOTS into PNG files. The exit code is
# the driver's.
set -uo pipefail

work="${1:?usage: run-suite.sh WORKDIR SUITE SCREENSHOTS}"
suite="${2:?}"
screenshots="${3:?}"
driver_file="${4:-pelloran_e2e.exe}"

if [ ! -f "$work/env" ]; then
    echo "no test bench: $work/env is missing (the e2e.env.start fixture did not run or failed)" >&2
    exit 1
fi
# shellcheck disable=SC1091
. "$work/env"
if ! kill -0 "$XVFB_PID" 2>/dev/null; then
    echo "the virtual display $DISPLAY is gone" >&2
    exit 1
fi
driver="$WIN_BUILD/bin/$driver_file"
echo "Build under test: $WIN_ARCH ($driver)"
if [ ! -f "$driver" ]; then
    echo "no test driver at $driver: build the cross tree first" >&2
    exit 1
fi

mkdir -p "$screenshots"
rm -f "$screenshots"/*.bmp
PELLORAN_E2E_SCREENSHOTS="$("$WINE" winepath -w "$screenshots" 2>/dev/null | tr -d '\r')"
export PELLORAN_E2E_SCREENSHOTS

# Name lookups stay on this machine (isolated.sh): the program resolves addresses, and no suite may reach or
# wait on a real name server. The driver's output goes through a file: Wine services started on the way would
# otherwise keep the pipe CTest reads open.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
log="$work/$suite.log"
bash "$here/isolated.sh" "$work/isolated" "$WINE" "$driver" --gtest_color=no "--gtest_filter=$suite.*:$suite/*" \
    </dev/null >"$log" 2>&1
status=$?
cat "$log"

for bmp in "$screenshots"/*.bmp; do
    [ -e "$bmp" ] || continue
    if convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null; then
        rm -f "$bmp"
    fi
done
exit "$status"
