#!/usr/bin/env bash
# Builds the file-list fill benchmark and runs it under Wine: selecting a tree node of
# 10,000 files until its rows are shown, beside a bare list-view fill of the same rows.
# On each architecture this machine runs. A report, not a test: arguments go to the
# program ([directory [passes]]).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../tools/common.sh"

detect_architectures testing
start_services own-display
for arch in "${RUN_ARCHS[@]}"; do
  ready_arch "$arch"
  say "Timing the file list's fill ($ARCH)"
  (cd "$BUILD_DIR" && ./wine-exec.sh bin/list_fill_bench.exe "$@")
done
