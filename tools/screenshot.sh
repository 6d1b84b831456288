#!/bin/bash
# screenshot.sh BUILD_DIR OUT.png [PROGRAM [ARGS...]]
# Starts a Windows program of the build tree under Wine on a private Xvfb display,
# waits for its first window, saves a picture of that window and stops everything.
# PROGRAM defaults to the tree's ZEKO.EXE.  With SHOT_WINDOWS=N in the environment it
# waits for N windows instead and photographs the screen, cut to what the windows cover.
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

Xvfb "$display" -screen 0 1024x768x24 -br -nolisten tcp </dev/null >/dev/null 2>&1 &
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

# Wait for the program's viewable top-level windows (Wine's helper windows stay unmapped;
# a dialog's caption may be empty, so names are no guide), give them a moment to paint,
# and photograph the first one, or the screen on the black background cut to the windows.
wanted=${SHOT_WINDOWS:-1}
mkdir -p "$(dirname "$out")"
for _ in $(seq 300); do
    viewable=()
    for id in $(xwininfo -root -children 2>/dev/null | grep -o '^ *0x[0-9a-f]*'); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' && viewable+=("$id")
    done
    if [ ${#viewable[@]} -ge "$wanted" ]; then
        sleep 1.5
        if [ "$wanted" -eq 1 ]; then
            import -window "${viewable[0]}" "$out"
        else
            import -window root png:- | convert - -trim +repage "$out"
        fi
        echo "screenshot saved to $out"
        exit 0
    fi
    sleep 0.1
done
echo "screenshot.sh: no window appeared" >&2
exit 1
