# Sourced by the scripts that start Pelloran or its tests under Wine: chooses the Windows build and the
# Wine that runs it. Sets WIN_ARCH (win32 or win64), WINE (the loader), WINEARCH and WIN_ARCH_REASON.
#  - win32: the shipped i686 build under 32-bit Wine (/usr/lib/wine/wine, a win32 prefix). Chosen where this
#    machine executes 32-bit x86 code (tools/runs-x86-32.sh) and 32-bit Wine is installed.
#  - win64: the x86-64 build of the same sources under 64-bit Wine (/usr/lib/wine/wine64, a win64 prefix),
#    everywhere else.
# PELLORAN_E2E_ARCH=win32|win64 forces either; choose_wine fails with a message when the forced one cannot run.
# shellcheck shell=bash

pelloran_tools="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64

# True when the win32 path can run here.
can_run_win32() {
    [ -x "$wine32_loader" ] && "$pelloran_tools/runs-x86-32.sh"
}

choose_wine() {
    case "${PELLORAN_E2E_ARCH:-}" in
    win32)
        if ! can_run_win32; then
            echo "PELLORAN_E2E_ARCH=win32, but this machine cannot run it (needs 32-bit x86 execution and $wine32_loader)" >&2
            return 1
        fi
        WIN_ARCH=win32 WIN_ARCH_REASON="forced by PELLORAN_E2E_ARCH" ;;
    win64) WIN_ARCH=win64 WIN_ARCH_REASON="forced by PELLORAN_E2E_ARCH" ;;
    "")
        if can_run_win32; then
            WIN_ARCH=win32 WIN_ARCH_REASON="this machine runs 32-bit x86 code and 32-bit Wine is installed"
        elif "$pelloran_tools/runs-x86-32.sh"; then
            WIN_ARCH=win64 WIN_ARCH_REASON="32-bit Wine is not installed"
        else
            WIN_ARCH=win64 WIN_ARCH_REASON="this machine does not run 32-bit x86 code"
        fi
        ;;
    *)
        echo "PELLORAN_E2E_ARCH must be win32 or win64, not '$PELLORAN_E2E_ARCH'" >&2
        return 1
        ;;
    esac
    if [ "$WIN_ARCH" = win32 ]; then
        WINE="$wine32_loader" WINEARCH=win32
    else
        WINE="$wine64_loader" WINEARCH=win64
    fi
    if [ ! -x "$WINE" ]; then
        echo "no Wine loader at $WINE" >&2
        return 1
    fi
}
