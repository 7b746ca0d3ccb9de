#!/usr/bin/env bash
# The bench the end-to-end suites run on, started and stopped by CTest's e2e_env fixture:
#   env.sh start WORKDIR WIN32_BUILD WIN64_BUILD
#       choose the build under test and its Wine (tools/wine-choice.sh: the shipped 32-bit build under 32-bit
#       Wine where this machine can run it, else the 64-bit build under 64-bit Wine; PELLORAN_E2E_ARCH forces
#       either), start Xvfb on a free display, create a fresh Wine prefix of that kind in WORKDIR/prefix, keep
#       its wineserver running, and write WORKDIR/env (WIN_BUILD names the build the suites take their programs from)
#   env.sh stop WORKDIR
#       stop the wineserver and Xvfb named in WORKDIR/env
# Every background process gets its output sent to a log file in WORKDIR: CTest waits for the output pipes of a
# test to close, and Wine's services would otherwise hold them open.
set -euo pipefail

usage="usage: env.sh start WORKDIR WIN32_BUILD WIN64_BUILD | env.sh stop WORKDIR"
command="${1:?$usage}"
work="${2:?$usage}"
envfile="$work/env"

wineserver_of() { # the wineserver that belongs to this loader (the versions must match)
    local dir bits=64
    dir="$(dirname "$1")"
    [ "$(basename "$1")" = wine ] && bits=32
    for candidate in "$dir/wineserver$bits" "$dir/wineserver"; do
        if [ -x "$candidate" ]; then
            echo "$candidate"
            return
        fi
    done
    command -v wineserver
}

stop() {
    [ -f "$envfile" ] || return 0
    # shellcheck disable=SC1090
    . "$envfile"
    if [ -n "${WINESERVER:-}" ] && [ -d "${WINEPREFIX:-/nonexistent}" ]; then
        WINEPREFIX="$WINEPREFIX" timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
        WINEPREFIX="$WINEPREFIX" timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true
    fi
    if [ -n "${XVFB_PID:-}" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
        kill "$XVFB_PID" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$XVFB_PID" 2>/dev/null || true
    fi
    rm -f "$envfile"
}

start() {
    local win32_build="${1:?$usage}" win64_build="${2:?$usage}"
    # shellcheck disable=SC1091
    . "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-choice.sh"
    choose_wine
    local build="$win64_build" wine="$WINE" arch="$WINEARCH" wineserver
    [ "$WIN_ARCH" = win32 ] && build="$win32_build"
    if [ ! -f "$build/bin/pelloran_e2e.exe" ]; then
        echo "no test programs in $build/bin: build the $WIN_ARCH tree first" >&2
        exit 1
    fi
    wineserver="$(wineserver_of "$wine")"
    stop # a bench left behind by an interrupted run
    mkdir -p "$work"
    rm -rf "$work/prefix" "$work/display"

    # Xvfb chooses a free display itself and writes its number to the given descriptor once it accepts clients.
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
        </dev/null >"$work/xvfb.log" 2>&1 &
    local xvfb=$!
    for _ in $(seq 1 100); do
        [ -s "$work/display" ] && break
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$work/display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    local display=":$(head -n 1 "$work/display")"
    {
        printf 'export DISPLAY=%q\n' "$display"
        printf 'export WINEPREFIX=%q\n' "$work/prefix"
        printf 'export WINEARCH=%q\n' "$arch"
        printf 'export WIN_ARCH=%q\n' "$WIN_ARCH"
        printf 'export WIN_BUILD=%q\n' "$build"
        printf 'export WINEDEBUG=-all\n'
        printf 'export WINE=%q\n' "$wine"
        printf 'export WINESERVER=%q\n' "$wineserver"
        printf 'export XVFB_PID=%q\n' "$xvfb"
    } >"$envfile"
    # shellcheck disable=SC1090
    . "$envfile"
    unset WAYLAND_DISPLAY
    # A persistent wineserver keeps the prefix warm between the suites (each would otherwise pay the start-up);
    # it needs the prefix folder to exist, and wineboot then fills the folder through it.
    mkdir -p "$WINEPREFIX"
    "$WINESERVER" -p </dev/null >"$work/wineserver.log" 2>&1
    if ! timeout 240 "$WINE" wineboot -i </dev/null >"$work/wineboot.log" 2>&1; then
        echo "wineboot failed:" >&2
        cat "$work/wineboot.log" >&2
        exit 1
    fi
    # Wine's virtual desktop: Wine itself manages the windows inside one X window, as the Windows desktop
    # does, instead of leaving placement and maximising to an X window manager that a bare Xvfb lacks.
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >>"$work/wineboot.log" 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f </dev/null \
        >>"$work/wineboot.log" 2>&1
    # The desktop process that wineboot started has no virtual desktop: restart the server so the first
    # program of a suite starts one that has.
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -p </dev/null >>"$work/wineserver.log" 2>&1
    echo "Build under test: $WIN_ARCH ($build), $WINE in a $arch prefix; $WIN_ARCH_REASON"
    echo "Wine prefix $WINEPREFIX ready on display $DISPLAY"
}

case "$command" in
start) start "${3:-}" "${4:-}" ;;
stop) stop ;;
*)
    echo "$usage" >&2
    exit 2
    ;;
esac
