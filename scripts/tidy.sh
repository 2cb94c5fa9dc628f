#!/usr/bin/env bash
# Checks the naming of .clang-tidy on the library and tool sources: those changed since BASE
# (a git revision) when one is given, else all of them. Needs a configured build/ for
# compile_commands.json, so the Windows-only sources (*_win.cpp), which it does not compile, are
# left out. Exit status 1 on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -gt 0 ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=d "$1" -- '*.cpp' | grep -v '^tests/\|^bench/\|_win\.cpp$' || true)
else
  mapfile -t files < <(git ls-files '*.cpp' | grep -v '^tests/\|^bench/\|_win\.cpp$')
fi
((${#files[@]})) || { echo "tidy: nothing to check"; exit 0; }
echo "tidy: ${#files[@]} files"
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 8 clang-tidy -p build --quiet 2>/dev/null |
  tee build/tidy.log
! grep -q 'error:\|warning:' build/tidy.log
