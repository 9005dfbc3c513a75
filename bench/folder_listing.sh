#!/usr/bin/env bash
# Builds the folder-listing benchmark and runs it under Wine, on each architecture this
# machine runs. A report, not a test:
# arguments go to the program ([directory [passes]]).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run_program.sh"

run_benchmark "folder listings" folder_listing_bench.exe "$@"
