#!/bin/bash
# screenshots.sh BUILD_DIR OUT_DIR: pictures of the program's windows, one PNG each.
set -eu
build=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
"$here/screenshot.sh" "$build" "$out/main.png"
