#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test under Wine, Xvfb and PulseAudio.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_dependencies
fetch_7zip
build_project
create_wine_prefix
start_services own-display

results="$BUILD_DIR/test-results"
rm -rf "$results" && mkdir -p "$results"
export GTEST_OUTPUT="xml:Z:${results//\//\\}\\"

say "Running the tests"
status=0
(cd "$BUILD_DIR" && ctest --output-on-failure --timeout 1200) || status=$?

# CTest counts test programs; the closing line counts the cases inside them.
python3 "$REPO_DIR/tools/count_test_cases.py" "$results" || status=1
exit "$status"
