#!/usr/bin/env bash
# Installs what is missing, builds Pelloran and starts it under Wine: the shipped 32-bit build where this
# machine runs 32-bit Wine, else the 64-bit build (tools/wine-choice.sh; PELLORAN_E2E_ARCH forces either).
# Without a display it starts a virtual one (Xvfb) and tells where to find it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/tools/bootstrap.sh"
"$here/tools/build.sh"
# shellcheck disable=SC1091
. "$here/tools/wine-choice.sh"
choose_wine
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-pelloran-$WIN_ARCH}" WINEARCH WINEDEBUG="${WINEDEBUG:--all}"
exe="${PELLORAN_BUILD:-$here/build}/$WIN_ARCH/bin/Pelloran.exe"
if [ ! -d "$WINEPREFIX" ]; then
    # A program started while the new prefix's first server is still finishing its set-up exits at once:
    # wait for that server to end before the first start.
    "$WINE" wineboot -i >/dev/null 2>&1
    server="$(dirname "$WINE")/wineserver"
    [ -x "$server" ] && "$server" -w
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "No display: starting Pelloran ($WIN_ARCH) on a virtual X display (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$WINE" "$exe"
fi
exec "$WINE" "$exe"
