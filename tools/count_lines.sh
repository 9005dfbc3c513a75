#!/usr/bin/env bash
# Prints the non-blank lines of program code and of test code, and their ratio.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

count() {  # count FIND-ARGS...: non-blank lines of the files found
  find "$@" -type f -print0 2>/dev/null | xargs -0 -r cat | grep -cv '^[[:space:]]*$' || true
}

# All program code lives in these folders, one per layer.
program_dirs=()
for dir in base settings archive decoding playback library ui main_window app; do
  [ -d "$dir" ] && program_dirs+=("$dir")
done
program=$(count "${program_dirs[@]}" \( -name '*.cpp' -o -name '*.h' \))
tests=$(count tests \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.py' -o -name '*.sh' \))
echo "program code: $program lines (${program_dirs[*]})"
echo "test code: $tests lines (tests)"
awk -v t="$tests" -v p="$program" 'BEGIN { printf "ratio tests/program %.2f\n", t / p }'
