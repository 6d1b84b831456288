#!/bin/bash
# A small real file system for the disk-full tests (a ctest fixture).
#
#   small-disk.sh BUILD_DIR mount    mount a 64 KiB tmpfs at BUILD_DIR/small-disk and, when
#                                    the tree has a Wine prefix, map it as drive X:
#   small-disk.sh BUILD_DIR umount   undo both
#
# Mounting needs root. When it is impossible the tests find no marker file and skip, so
# this script never fails the run.
set -u

build=$(cd "$1" && pwd)
disk="$build/small-disk"
drive="$build/wineprefix/dosdevices/x:"

case "${2:-}" in
mount)
    mkdir -p "$disk"
    if ! mountpoint -q "$disk" &&
        ! mount -t tmpfs -o size=64k,mode=0777 tmpfs "$disk" 2>/dev/null; then
        echo "small-disk.sh: cannot mount a tmpfs at $disk; the disk-full tests will skip" >&2
        exit 0
    fi
    find "$disk" -mindepth 1 -delete
    touch "$disk/small-disk.ok"
    if [ -d "$build/wineprefix/dosdevices" ]; then ln -sfn "$disk" "$drive"; fi
    ;;
umount)
    rm -f "$drive"
    if mountpoint -q "$disk"; then umount "$disk" || umount -l "$disk"; fi
    rmdir "$disk" 2>/dev/null || true
    ;;
*)
    echo "usage: small-disk.sh BUILD_DIR mount|umount" >&2
    exit 2
    ;;
esac
