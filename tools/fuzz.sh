#!/usr/bin/env bash
# Runs the robustness tests with N times as many hostile inputs, for a longer search by hand.
# usage: tools/fuzz.sh N
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

scale="${1:?usage: tools/fuzz.sh N}"
detect_architectures testing
start_services own-display
for arch in "${RUN_ARCHS[@]}"; do
  ready_arch "$arch"
  say "Running the robustness tests ($ARCH) with $scale times the cases"
  # The hostile-input tests live in core_tests beside others; only they run.
  (cd "$BUILD_DIR" && MELODRIFT_FUZZ_SCALE="$scale" GTEST_FILTER='Hostile*:DamagedArchives*' \
    ctest -R '^core_tests$' --output-on-failure --timeout 86400)
done
