#!/bin/bash
# screenshot.sh BUILD_DIR OUT.png [PROGRAM [ARGS...]]
# Starts a Windows program of the build tree under Wine on a private Xvfb display,
# waits for its first window, saves a picture of that window and stops everything.
# PROGRAM defaults to the tree's ZEKO.EXE.
set -eu

build=$1 out=$2
shift 2
[ $# -gt 0 ] || set -- "$build/ui/ZEKO.EXE"
here=$(cd "$(dirname "$0")" && pwd)

display=""
for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "screenshot.sh: no free X display" >&2; exit 1; }

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
export ZEKO_WINE_X11=1 DISPLAY=$display
cleanup() {
    "$here/wine.sh" "$build" --stop >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$here/wine.sh" "$build" --start
"$here/wine.sh" "$build" "$@" </dev/null >/dev/null 2>&1 &

# Wait for the program's first viewable top-level window (Wine's helper windows stay
# unmapped; a dialog's caption may be empty, so names are no guide), give it a moment
# to paint, and photograph just that window.
for _ in $(seq 300); do
    for id in $(xwininfo -root -children 2>/dev/null | grep -o '^ *0x[0-9a-f]*'); do
        if xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; then
            sleep 1.5
            mkdir -p "$(dirname "$out")"
            import -window "$id" "$out"
            echo "screenshot saved to $out"
            exit 0
        fi
    done
    sleep 0.1
done
echo "screenshot.sh: no window appeared" >&2
exit 1
