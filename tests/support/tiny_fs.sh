#!/bin/sh
# mount DIR: a 64 KiB tmpfs at DIR; unmount DIR: takes it away again.
# Where mounting is not allowed the directory stays a plain one and the full-disk test skips.
set -u
dir=$2
case "$1" in
  mount)
    mkdir -p "$dir"
    mountpoint -q "$dir" && umount "$dir"
    mount -t tmpfs -o size=64k tmpfs "$dir" 2>/dev/null && touch "$dir/.tiny-fs"
    exit 0 ;;
  unmount)
    mountpoint -q "$dir" && umount "$dir"
    exit 0 ;;
esac
exit 2
