#!/bin/sh
# mount DIR: a 64 KiB tmpfs at DIR, so that a save meets a full disk; unmount DIR: takes it away.
# Where mounting is not allowed DIR stays a plain directory and the full-disk test skips.
mountpoint -q "$2" && umount "$2"
[ "$1" = mount ] && mkdir -p "$2" && mount -t tmpfs -o size=64k tmpfs "$2" 2>/dev/null && touch "$2/.tiny-fs"
exit 0
