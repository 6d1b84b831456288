#!/bin/bash
# Small real file systems for the tests that need a full or a read-only disk (ctest
# fixtures).
#
#   small-disk.sh BUILD_DIR mount [read-only]
#       mount a 64 KiB tmpfs at BUILD_DIR/small-disk and, when the tree has a Wine prefix,
#       map it as drive X:; with read-only, at BUILD_DIR/read-only-disk holding out/DUMMY,
#       made read-only and mapped as drive R: (root writes into any folder whatever its
#       permissions, so only a read-only mount is really not writable)
#   small-disk.sh BUILD_DIR umount [read-only]   undo both
#
# Mounting needs root. When it is impossible the tests find no marker file and skip, so
# this script never fails the run.
set -u

build=$(cd "$1" && pwd)
if [ "${3:-}" = read-only ]; then
    name=read-only-disk letter=r
else
    name=small-disk letter=x
fi
disk="$build/$name"
drive="$build/wineprefix/dosdevices/$letter:"

skip() {
    echo "small-disk.sh: $1; the tests that need $disk will skip" >&2
    exit 0
}

case "${2:-}" in
mount)
    mkdir -p "$disk"
    if ! mountpoint -q "$disk" &&
        ! mount -t tmpfs -o size=64k,mode=0777 tmpfs "$disk" 2>/dev/null; then
        skip "cannot mount a tmpfs at $disk"
    fi
    # A read-only disk left by an interrupted run is emptied too.
    mount -o remount,rw "$disk" 2>/dev/null
    find "$disk" -mindepth 1 -delete
    if [ "$name" = read-only-disk ]; then
        mkdir "$disk/out"
        printf 'a file of the user\r\n' >"$disk/out/DUMMY"
    fi
    touch "$disk/$name.ok"
    if [ "$name" = read-only-disk ] && ! mount -o remount,ro "$disk"; then
        umount "$disk"
        skip "cannot make $disk read-only"
    fi
    if [ -d "$build/wineprefix/dosdevices" ]; then ln -sfn "$disk" "$drive"; fi
    ;;
umount)
    rm -f "$drive"
    if mountpoint -q "$disk"; then umount "$disk" || umount -l "$disk"; fi
    rmdir "$disk" 2>/dev/null || true
    ;;
*)
    echo "usage: small-disk.sh BUILD_DIR mount|umount [read-only]" >&2
    exit 2
    ;;
esac
