# Sourced by the Wine helpers: the project's own Wine prefixes and display.
# Nothing here touches ~/.wine.
#
# Two prefixes under build/: wine (64-bit, for build/x64) and wine32
# (WINEARCH=win32, for the Windows 95 deliverable build/x86; in a 64-bit
# prefix a 32-bit program's registry writes would go to Wow6432Node,
# which Windows 95 does not have). SETUP_WINEARCH=win32 picks the second.

SETUP_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${SETUP_BUILD_ROOT:=$SETUP_TOP/build}"
: "${SETUP_WINEARCH:=win64}"
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
if [ "$SETUP_WINEARCH" = win32 ]; then
    export WINEPREFIX="$SETUP_BUILD_ROOT/wine32"
    WINE=$WINE32
else
    export WINEPREFIX="${SETUP_WINEPREFIX:-$SETUP_BUILD_ROOT/wine}"
    WINE=/usr/lib/wine/wine64
fi
export WINEARCH=$SETUP_WINEARCH
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs when the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Whether this machine runs 32-bit Windows programs: 32-bit Wine is
# installed and the kernel runs 32-bit executables. Else WINE32_NOT says why.
WINE32_NOT=
wine32_runs() {
    local out
    if [ ! -e "$WINE32" ]; then
        WINE32_NOT="32-bit Wine ($WINE32, package wine32:i386) is not installed"
        return 1
    fi
    if ! out=$("$WINE32" --version 2>&1); then
        WINE32_NOT="this machine cannot run 32-bit programs ($WINE32 --version: ${out##*: })"
        return 1
    fi
}

# The prefix's settings, one .reg file: Windows 98 (GetVersion then
# reports the Windows 95 family), unmanaged X windows (Xvfb has no window
# manager to wait for), and the Windows 95 standard colours (grey 3D
# objects and menus, navy captions and selection, a teal desktop). The
# last five names are Wine's and have no Windows 95 counterpart: they
# are set so captions stay flat and menus grey. Wine's Marlett (package
# fonts-wine), which draws the close buttons, is registered from the
# prefix's Fonts folder, where the set-up puts it.
WINE_PREFIX_VERSION=3
WINE_MARLETT=/usr/share/wine/fonts/marlett.ttf
wine_prefix_settings() {
    local name value
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine]\r\n"Version"="win98"\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n'
    printf '"Marlett (TrueType)"="marlett.ttf"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n'
    while read -r name value; do
        printf '"%s"="%s"\r\n' "$name" "$value"
    done <<'COLORS'
ActiveBorder 192 192 192
ActiveTitle 0 0 128
AppWorkspace 128 128 128
Background 0 128 128
ButtonDkShadow 0 0 0
ButtonFace 192 192 192
ButtonHilight 255 255 255
ButtonLight 192 192 192
ButtonShadow 128 128 128
ButtonText 0 0 0
GrayText 128 128 128
Hilight 0 0 128
HilightText 255 255 255
InactiveBorder 192 192 192
InactiveTitle 128 128 128
InactiveTitleText 192 192 192
InfoText 0 0 0
InfoWindow 255 255 225
Menu 192 192 192
MenuText 0 0 0
Scrollbar 192 192 192
TitleText 255 255 255
Window 255 255 255
WindowFrame 0 0 0
WindowText 0 0 0
GradientActiveTitle 0 0 128
GradientInactiveTitle 128 128 128
MenuBar 192 192 192
MenuHilight 0 0 128
HotTrackingColor 0 0 128
COLORS
}

# Makes the prefix on first use, and brings one made by an earlier
# version of these tools up to date (the stamp holds the version), under
# one lock for both prefixes. Fails where the prefix's Wine cannot run.
wine_prefix_ready() {
    if [ "$WINE" = "$WINE32" ] && ! wine32_runs; then
        echo "wineenv: $WINE32_NOT" >&2
        return 1
    fi
    mkdir -p "$SETUP_BUILD_ROOT"
    (
        flock 9
        stamp="$WINEPREFIX/.setup-ready"
        [ "$(cat "$stamp" 2>/dev/null)" = "$WINE_PREFIX_VERSION" ] && exit 0
        if [ ! -f "$stamp" ]; then
            rm -rf "$WINEPREFIX"
            DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1 || exit 1
        fi
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
        [ -f "$WINE_MARLETT" ] && cp "$WINE_MARLETT" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
        wine_prefix_settings >"$WINEPREFIX/settings.reg"
        DISPLAY= "$WINE" reg import "$(winepath_of "$WINEPREFIX/settings.reg")" >/dev/null 2>&1 || exit 1
        rm -f "$WINEPREFIX/settings.reg"
        "$WINESERVER" -w
        echo "$WINE_PREFIX_VERSION" >"$stamp"
    ) 9>"$SETUP_BUILD_ROOT/.wineprefix.lock"
}

XVFB_PID=
XVFB_PIDS=
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
                XVFB_PIDS="$XVFB_PIDS $XVFB_PID"
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

# The lanes: make test runs two ctest entries at a time, each in a Wine
# prefix of its lane (two 64-bit ones and the 32-bit one), and each lane
# on a display of its own, so that two entries never share a registry, a
# drive C: or a screen. SETUP_DISPLAY_<lane> names the lane's display.
SETUP_LANES="wine wine-b wine32"
lane_variable() {
    printf 'SETUP_DISPLAY_%s' "$1" | tr -- - _
}

# Starts a display for every lane (tools/xsession).
lanes_start() {
    local lane
    for lane in $SETUP_LANES; do
        xvfb_start "${WINERUN_SCREEN:-1024x768x24}" || return 1
        export "$(lane_variable "$lane")=$DISPLAY"
    done
}

# The display of this prefix's lane, when the lanes have displays.
lane_display() {
    local variable
    variable=$(lane_variable "$(basename "$WINEPREFIX")")
    printf '%s' "${!variable:-}"
}

# Ends every Wine process of a prefix.
prefix_stop() {
    [ -d "$1" ] || return 0
    WINEPREFIX=$1 "$WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX=$1 "$WINESERVER" -w >/dev/null 2>&1
}

# Ends every Wine process of the prefix, then our Xvfbs (by their pids).
session_stop() {
    local pid
    prefix_stop "$WINEPREFIX"
    for pid in $XVFB_PIDS; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    XVFB_PID=
    XVFB_PIDS=
}

# The Windows name of a Unix path, through Wine's drive Z: (the root).
winepath_of() {
    printf 'Z:%s' "$1" | tr / '\\'
}
