#!/usr/bin/env bash
# Builds the file-list fill benchmark and runs it under Wine: selecting a tree node of
# 10,000 files until its rows are shown, beside a bare loop that finds the files and
# inserts one row each. On each architecture this machine runs. A report, not a test:
# arguments go to the program ([directory [passes]]).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run_program.sh"

run_benchmark "the file list's fill" list_fill_bench.exe "$@"
