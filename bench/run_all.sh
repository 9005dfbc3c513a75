#!/usr/bin/env bash
# Runs every benchmark, each on every architecture this machine runs, then repeats
# their `ratio NAME VALUE` lines per architecture. A report, not a test.
set -euo pipefail
bench_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
for script in folder_listing list_fill_bench tree_expand archive_bench decode_bench; do
  bash "$bench_dir/$script.sh" | tee -a "$log"
done
# Each benchmark says "== Timing ... (ARCH)" before its figures.
echo "== Ratios"
awk '/^== Timing .*\((x86|x64)\)$/ { arch = substr($NF, 2, length($NF) - 2) }
     /^ratio / { print arch ": " $0 }' "$log" | sort -s -k1,1
