#!/bin/bash
# Runs a Windows program of a build tree under Wine, in the tree's own prefix.
#
#   wine.sh BUILD_DIR PROGRAM [ARGS...]   run a program (the ctest emulator)
#   wine.sh BUILD_DIR --start             create the prefix, start a persistent server
#   wine.sh BUILD_DIR --stop              stop the server and everything in the prefix
#
# One wineserver stays up for a whole test run so each test does not pay Wine's
# start-up. Wine's background processes inherit the standard streams of whoever
# started them, so the server and the first process are started with their streams
# redirected; otherwise ctest would wait forever on pipes that never close.
# Headless by default (Wine's null graphics driver); ZEKO_WINE_X11=1 uses a second
# prefix that draws on $DISPLAY, for screenshots.
set -eu

build=$(cd "$1" && pwd)
shift

export WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
if [ "${ZEKO_WINE_X11:-}" = 1 ]; then
    export WINEPREFIX="$build/wineprefix-x11"
else
    export WINEPREFIX="$build/wineprefix"
    unset DISPLAY WAYLAND_DISPLAY
fi

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
keepalive="$build/tools/wine_keepalive.exe"
state="$WINEPREFIX.state"

quiet() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

create_prefix() {
    rm -rf "$WINEPREFIX"
    quiet "$wine" wineboot -i
    if [ "${ZEKO_WINE_X11:-}" = 1 ]; then
        # Without a window manager, managed windows get no caption and are slow.
        quiet "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        # Wine draws the caption buttons with Marlett, which this Wine does not find in
        # its own font folder: registered by hand, they show as buttons, not "0 1 r".
        marlett=/usr/share/wine/fonts/marlett.ttf
        [ -f "$marlett" ] && quiet "$wine" reg add \
            'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
            /v 'Marlett (TrueType)' /d "Z:$(echo "$marlett" | tr / '\\')" /f
    else
        quiet "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    fi
    quiet "$wineserver" -w
    touch "$WINEPREFIX/.zeko-ready"
}

# N: is an optical drive without a disc, for the tests of a drive with no medium: a CD-ROM
# drive whose mount point does not exist.  Wine's mount manager reads the drive types when
# the server starts, so this runs before it does.
map_empty_drive() {
    ln -sfn "$build/no-disc" "$WINEPREFIX/dosdevices/n:"
    grep -q '^"n:"="cdrom"' "$WINEPREFIX/system.reg" 2>/dev/null && return 0
    quiet "$wine" reg add 'HKLM\Software\Wine\Drives' /v n: /d cdrom /f
    quiet "$wineserver" -w
}

server_alive() {
    [ -f "$state/keepalive.pid" ] && kill -0 "$(cat "$state/keepalive.pid")" 2>/dev/null
}

start_server() {
    mkdir -p "$state"
    [ -f "$WINEPREFIX/.zeko-ready" ] || create_prefix
    server_alive && return 0
    map_empty_drive
    quiet "$wineserver" -p
    rm -f "$state/keepalive.ready"
    if [ -x "$keepalive" ] || [ -f "$keepalive" ]; then
        # A never-shown window keeps Wine's desktop process up between GUI tests.
        setsid "$wine" "$keepalive" "$(winepath_of "$state/keepalive.ready")" \
            </dev/null >/dev/null 2>&1 9>&- &
        echo $! >"$state/keepalive.pid"
        for _ in $(seq 600); do
            [ -f "$state/keepalive.ready" ] && return 0
            sleep 0.1
        done
        echo "wine.sh: the keep-alive program did not start" >&2
        return 1
    fi
}

# The keep-alive program is given a Windows path; Z: maps the Unix root.
winepath_of() { printf 'Z:%s' "$1" | tr / '\\'; }

with_lock() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    "$@"
    exec 9>&-
}

case "${1:-}" in
--start)
    with_lock start_server
    ;;
--stop)
    if [ -d "$WINEPREFIX" ]; then quiet "$wineserver" -k || true; fi
    rm -f "$state/keepalive.pid" "$state/keepalive.ready"
    ;;
"")
    echo "usage: wine.sh BUILD_DIR (PROGRAM [ARGS...] | --start | --stop)" >&2
    exit 2
    ;;
*)
    with_lock start_server
    exec "$wine" "$@"
    ;;
esac
