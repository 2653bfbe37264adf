# Sourced by the Wine helpers: the project's own Wine prefix and display.
# Nothing here touches ~/.wine.

SETUP_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${SETUP_BUILD_ROOT:=$SETUP_TOP/build}"
export WINEPREFIX="${SETUP_WINEPREFIX:-$SETUP_BUILD_ROOT/wine}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Creates the prefix on first use: Windows 98 version (GetVersion then
# reports the Windows 95 family) and unmanaged X windows (Xvfb has no
# window manager to wait for).
wine_prefix_ready() {
    mkdir -p "$SETUP_BUILD_ROOT"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.setup-ready" ]; then
            rm -rf "$WINEPREFIX"
            DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
            DISPLAY= "$WINE" reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
            DISPLAY= "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
            "$WINESERVER" -w
            touch "$WINEPREFIX/.setup-ready"
        fi
    ) 9>"$SETUP_BUILD_ROOT/.wineprefix.lock"
}

XVFB_PID=
# Starts an Xvfb of our own on a free display number and exports DISPLAY.
xvfb_start() {
    local screen="${1:-1024x768x24}" n
    for n in $(seq 91 190); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        local i
        for i in $(seq 1 100); do
            # Another run may have taken the number first: then ours ends.
            kill -0 "$XVFB_PID" 2>/dev/null || break
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                sleep 0.1
                kill -0 "$XVFB_PID" 2>/dev/null || break
                export DISPLAY=":$n"
                return 0
            fi
            sleep 0.05
        done
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    done
    echo "winerun: no free X display" >&2
    return 1
}

# Ends every Wine process of the prefix, then our Xvfb (by its pid).
session_stop() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    fi
}

# The Windows name of a Unix path, through Wine's drive Z: (the root).
winepath_of() {
    printf 'Z:%s' "$1" | tr / '\\'
}
