#!/bin/bash
# screenshots.sh BUILD_DIR OUT_DIR: a picture of every dialog template of ZEKO.EXE, one PNG
# each, named <id>-<name>.png, shown by the tree's show_template tool; the real main
# window with a few files and folders dropped on its list, 102-main-with-rows.png; and each
# page of the real settings sheet over the default settings, settings-<n>-<page>.png; the
# main window over its progress dialog during a run, run-in-progress.png; and the summary
# of a run that left a file unconverted, summary.png.
set -eu
build=$1 out=$2
here=$(cd "$(dirname "$0")" && pwd)
# The Wine path of an existing file or folder.
windows_path() { printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }
exe=$(windows_path "$build/ui/ZEKO.EXE")

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
    116:summary
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
    dropped+=("$(windows_path "$sample/$name")")
done
"$here/screenshot.sh" "$build" "$out/102-main-with-rows.png" "$build/tools/show_main_window.exe" "${dropped[@]}"

pages=(output-code input-code general extensions)
for page in "${!pages[@]}"; do
    "$here/screenshot.sh" "$build" "$out/settings-$page-${pages[$page]}.png" \
        "$build/tools/show_settings.exe" "$page"
done

# A run in progress: a long Shift_JIS text converted into an output folder beside it.
run=$out/run
rm -rf "$run"
mkdir -p "$run/in" "$run/out"
python3 - "$run/in/長い文章.txt" <<'PY'
import sys
line = "吾輩はテキストである。名前はまだ無い。ASCII and カナ, 1234567890.\r\n".encode("cp932")
with open(sys.argv[1], "wb") as f:
    f.write(line * (400_000_000 // len(line)))
PY
cp "$sample/readme.txt" "$run/in/"
SHOT_WINDOWS=2 "$here/screenshot.sh" "$build" "$out/run-in-progress.png" \
    "$build/tools/show_main_window.exe" --convert-to "$(windows_path "$run/out")" \
    "$(windows_path "$run/in/長い文章.txt")" "$(windows_path "$run/in/readme.txt")"
rm -rf "$run"

# The summary after a run in place with backups, over a file and an earlier run's backup.
beside=$out/beside
rm -rf "$beside"
mkdir -p "$beside"
printf 'text\r\n' >"$beside/a.txt"
printf 'old\r\n' >"$beside/Z_a.txt"
SHOT_WINDOWS=2 "$here/screenshot.sh" "$build" "$out/summary.png" \
    "$build/tools/show_main_window.exe" --beside "$(windows_path "$beside/a.txt")" \
    "$(windows_path "$beside/Z_a.txt")"
rm -rf "$beside"
