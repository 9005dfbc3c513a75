#!/usr/bin/env bash
# Builds the folder-listing benchmark and runs it under Wine, on each architecture this
# machine runs. A report, not a test:
# arguments go to the program ([directory [passes]]).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../tools/common.sh"

detect_architectures testing
start_services own-display
for arch in "${RUN_ARCHS[@]}"; do
  ready_arch "$arch"
  say "Timing folder listings ($ARCH)"
  (cd "$BUILD_DIR" && ./wine-exec.sh bin/folder_listing_bench.exe "$@")
done
