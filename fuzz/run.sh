#!/bin/sh
# Runs fuzz targets of a fuzz tree for a bounded time each, from generated seeds; the
# corpus grown on the way stays in the tree for the next run.  With --fresh (the smoke
# runs of make test) a run starts from the seeds alone, so that its time stays short
# however much corpus long runs have grown.
#   run.sh [--fresh] TREE SECONDS [TARGET...]   (targets: detector engine config; default all)
set -eu
corpora=fuzz-corpus
if [ "$1" = --fresh ]; then
    corpora=fuzz-smoke-corpus
    shift
fi
tree=$(cd "$1" && pwd)  # the targets work in a scratch folder of their own
seconds=$2
shift 2
[ $# -gt 0 ] || set -- detector engine config
here=$(cd "$(dirname "$0")" && pwd)

for target in "$@"; do
    seeds=$tree/fuzz-seeds/$target
    corpus=$tree/$corpora/$target
    rm -rf "$seeds"
    [ "$corpora" = fuzz-corpus ] || rm -rf "$corpus"
    "$here/make_seeds.sh" "$seeds" "$target"
    mkdir -p "$corpus" "$tree/fuzz-artifacts"
    echo "== $target: $seconds s"
    "$tree/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$tree/fuzz-artifacts/$target-" "$corpus" "$seeds" 2>&1 |
        grep -v '^#[0-9]*[[:space:]]*\(NEW\|REDUCE\|pulse\)' || true
    # The pipe hides the target's status: a finding leaves an artifact.
    if ls "$tree/fuzz-artifacts/$target-"* >/dev/null 2>&1; then
        echo "== $target: finding in $tree/fuzz-artifacts" >&2
        exit 1
    fi
done
