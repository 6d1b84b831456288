#!/bin/bash
# screenshots.sh BUILD_DIR OUT_DIR: a picture of every dialog template of ZEKO.EXE, one PNG
# each, named <id>-<name>.png, shown by the tree's show_template tool; and the real main
# window with a few files and folders dropped on its list, 102-main-with-rows.png.
set -eu
build=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
exe=$(printf 'Z:%s' "$(cd "$build" && pwd)/ui/ZEKO.EXE" | tr / '\\')

templates=(
    102:main
    103:output-code-page
    104:input-code-page
    105:general-page
    106:extensions-page
    107:progress
    110:name-clash
    111:cannot-convert
    114:about
    115:detection-failed
)
for template in "${templates[@]}"; do
    id=${template%%:*} name=${template#*:}
    "$here/screenshot.sh" "$build" "$out/$id-$name.png" "$build/tools/show_template.exe" "$exe" "$id"
done

sample=$out/sample
rm -rf "$sample"
mkdir -p "$sample/docs" "$sample/my.docs"
for file in readme.txt 表示ソフト.txt index.html README archive.tar.gz; do
    echo text >"$sample/$file"
done
dropped=()
for name in readme.txt 表示ソフト.txt index.html README archive.tar.gz docs my.docs; do
    dropped+=("$(printf 'Z:%s' "$(cd "$sample" && pwd)/$name" | tr / '\\')")
done
"$here/screenshot.sh" "$build" "$out/102-main-with-rows.png" "$build/tools/show_main_window.exe" "${dropped[@]}"
