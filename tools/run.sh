#!/usr/bin/env bash
# Installs what is missing, builds Pelloran and starts it under Wine. Without a display it starts a
# virtual one (Xvfb) and tells where to find it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/tools/bootstrap.sh"
"$here/tools/build.sh"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-pelloran}" WINEDEBUG="${WINEDEBUG:--all}"
wine=/usr/lib/wine/wine64
exe="${PELLORAN_BUILD:-$here/build}/win64/bin/Pelloran.exe"
[ -d "$WINEPREFIX" ] || "$wine" wineboot -i >/dev/null 2>&1
if [ -z "${DISPLAY:-}" ]; then
    echo "No display: starting Pelloran on a virtual X display (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$exe"
fi
exec "$wine" "$exe"
