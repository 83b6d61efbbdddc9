#!/bin/sh
# Fails when a C++ file of the repository differs from what clang-format
# makes of it (.clang-format); lists the files and the first differences.
set -eu
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files '*.cpp' '*.h')
else
  files=$(find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
# shellcheck disable=SC2086
if ! clang-format --dry-run --Werror $files 2>/tmp/format.$$; then
  grep -E 'error:' /tmp/format.$$ | sed 's/:[0-9]*:[0-9]*: error:.*//' | sort -u | sed 's/^/not formatted: /'
  head -20 /tmp/format.$$
  rm -f /tmp/format.$$
  echo "format: run clang-format -i on the files above"
  exit 1
fi
rm -f /tmp/format.$$
echo "format: every C++ file as clang-format makes it"
