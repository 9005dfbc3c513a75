#!/usr/bin/env bash
# Builds the folder-listing benchmark and runs it under Wine. A report, not a test:
# arguments go to the program ([directory [passes]]).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../tools/common.sh"

build_project
create_wine_prefix
start_services own-display

say "Timing folder listings"
(cd "$BUILD_DIR" && ./wine-exec.sh bin/folder_listing_bench.exe "$@")
