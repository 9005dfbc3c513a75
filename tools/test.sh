#!/usr/bin/env bash
# Installs what is needed, builds both architectures, writes the release zips, and runs
# every test under Wine, Xvfb and PulseAudio: under 64-bit Wine always, under 32-bit
# Wine too where this machine runs 32-bit programs.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

detect_architectures testing
install_dependencies
say "Checking the format"
bash "$REPO_DIR/tools/check_format.sh"
for arch in "${BUILD_ARCHS[@]}"; do
  use_arch "$arch"
  fetch_7zip
  build_project
  bash "$REPO_DIR/tools/package.sh" "$BUILD_DIR"
done
start_services own-display

status=0
result_dirs=()
for arch in "${RUN_ARCHS[@]}"; do
  use_arch "$arch"
  create_wine_prefix
  start_wine
  results="$BUILD_DIR/test-results"
  rm -rf "$results" && mkdir -p "$results"
  result_dirs+=("$results")
  export GTEST_OUTPUT="xml:Z:${results//\//\\}\\"
  say "Running the tests ($ARCH)"
  (cd "$BUILD_DIR" && ctest --output-on-failure --timeout 1200) || status=$?
  python3 "$REPO_DIR/tools/count_test_cases.py" "$results" | sed "s/^cases:/$ARCH cases:/" || status=1
  "$WINESERVER" -k 2>/dev/null || true
done

# CTest counts test programs; the closing line counts the cases inside them, over
# every architecture that ran.
python3 "$REPO_DIR/tools/count_test_cases.py" "${result_dirs[@]}" || status=1
exit "$status"
