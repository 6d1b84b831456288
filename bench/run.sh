#!/bin/sh
# make bench: installs the peers when missing (nkf, ICU's uconv, uchardet, GNU time),
# writes the corpora once, and measures.  BENCH_RUNS sets the rounds of paired runs
# (default 5).
#   bench/run.sh BUILD
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)

missing=""
for p in nkf icu-devtools uchardet time python3; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q >/dev/null
    $sudo apt-get install -y -q --no-install-recommends $missing >/dev/null
fi

python3 "$here/make_corpus.py" "$build/bench-corpus"
exec python3 "$here/bench.py" "$build" "$here/results/latest.md"
