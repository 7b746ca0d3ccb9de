#!/usr/bin/env bash
# Runs one Windows test program under the bench env.sh started (display, prefix), with name lookups kept
# on this machine, and with the native iphlpapi preferred for programs that load the test DLL by path:
#   run-program.sh WORKDIR PROGRAM [ARGS...]
# PROGRAM is a file name in bin/ of the build under test (WIN_BUILD in the bench's env file).
set -uo pipefail
work="${1:?usage: run-program.sh WORKDIR PROGRAM [ARGS...]}"
program="${2:?}"
shift 2
if [ ! -f "$work/env" ]; then
    echo "no test bench: $work/env is missing (the e2e.env.start fixture did not run or failed)" >&2
    exit 1
fi
# shellcheck disable=SC1091
. "$work/env"
program="$WIN_BUILD/bin/$program"
echo "Build under test: $WIN_ARCH ($program)"
log="$work/$(basename "$program").log"
WINEDLLOVERRIDES="iphlpapi=n,b" bash "$(dirname "$0")/isolated.sh" "$work/isolated" "$WINE" "$program" "$@" \
    </dev/null >"$log" 2>&1
status=$?
cat "$log"
exit "$status"
