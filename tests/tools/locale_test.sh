#!/usr/bin/env bash
# The scripts' shared steps (tools/common.sh, the argument) sourced where the Japanese locale
# cannot be loaded, as on a fresh machine before install-deps.sh makes it (an empty LOCPATH
# hides it): nothing is said and the locale is left alone. Where it loads, it is used.
set -u
missing=$(mktemp -d)
trap 'rm -rf "$missing"' EXIT
sourced() {  # what sourcing says, and the LC_ALL it leaves
  env -u LANG -u LC_ALL "$@" bash -c 'source "$0"; echo "LC_ALL=${LC_ALL:-}"' "$common" 2>&1
}
common=$1
status=0
said=$(sourced LOCPATH="$missing")
[ "$said" = "LC_ALL=" ] || { echo "without the locale: $said"; status=1; }
if [ "$(LC_ALL=ja_JP.UTF-8 locale charmap 2>/dev/null)" = UTF-8 ]; then
  said=$(sourced)
  [ "$said" = "LC_ALL=ja_JP.UTF-8" ] || { echo "with the locale: $said"; status=1; }
fi
exit "$status"
