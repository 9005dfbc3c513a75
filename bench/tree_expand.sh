#!/usr/bin/env bash
# Builds the tree-expansion benchmark and runs it under Wine: expanding a tree node of
# 5,000 sub-directories, beside a bare loop that finds them and inserts one tree item
# each. On each architecture this machine runs. A report, not a test: arguments go to
# the program ([directory [passes]]).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/run_program.sh"

run_benchmark "the tree's expansion" tree_expand_bench.exe "$@"
