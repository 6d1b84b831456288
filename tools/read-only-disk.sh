#!/bin/bash
# A small read-only file system for the not-writable tests (a ctest fixture).
#
#   read-only-disk.sh BUILD_DIR mount    mount a tmpfs at BUILD_DIR/read-only-disk holding
#                                        out/DUMMY, make it read-only and, when the tree has
#                                        a Wine prefix, map it as drive R:
#   read-only-disk.sh BUILD_DIR umount   undo both
#
# Mounting needs root (root writes into a folder whose permissions forbid it, so only a
# read-only mount is really not writable). When it is impossible the tests find no marker
# file and skip, so this script never fails the run.
set -u

build=$(cd "$1" && pwd)
disk="$build/read-only-disk"
drive="$build/wineprefix/dosdevices/r:"

case "${2:-}" in
mount)
    mkdir -p "$disk"
    if mountpoint -q "$disk"; then umount "$disk" || umount -l "$disk"; fi
    if ! mount -t tmpfs -o size=64k,mode=0755 tmpfs "$disk" 2>/dev/null; then
        echo "read-only-disk.sh: cannot mount a tmpfs at $disk; the tests will skip" >&2
        exit 0
    fi
    mkdir "$disk/out"
    printf 'a file of the user\r\n' >"$disk/out/DUMMY"
    touch "$disk/read-only-disk.ok"
    if ! mount -o remount,ro "$disk"; then
        umount "$disk"
        echo "read-only-disk.sh: cannot make $disk read-only; the tests will skip" >&2
        exit 0
    fi
    if [ -d "$build/wineprefix/dosdevices" ]; then ln -sfn "$disk" "$drive"; fi
    ;;
umount)
    rm -f "$drive"
    if mountpoint -q "$disk"; then umount "$disk" || umount -l "$disk"; fi
    rmdir "$disk" 2>/dev/null || true
    ;;
*)
    echo "usage: read-only-disk.sh BUILD_DIR mount|umount" >&2
    exit 2
    ;;
esac
