#!/bin/bash
# run.sh BUILD_DIR: starts ZEKO.EXE under Wine.  Without a display it runs on Xvfb
# instead and saves a picture of its window to build/screenshot.png.
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
    echo "no DISPLAY: running under Xvfb"
    exec "$here/screenshot.sh" "$build" "$(dirname "$build")/screenshot.png"
fi
export ZEKO_WINE_X11=1
trap '"$here/wine.sh" "$build" --stop' EXIT
"$here/wine.sh" "$build" "$build/ui/ZEKO.EXE"
