#!/usr/bin/env bash
# Fails, naming the files, when a tracked C/C++ source differs from what
# clang-format 14 makes of it with the project's .clang-format.
# Usage: format_check.sh SOURCE_DIR   (fix: clang-format -i FILE...)
set -uo pipefail
src=${1:?usage: format_check.sh SOURCE_DIR}
cd "$src" || { echo "format check: cannot enter $src"; exit 1; }

formatter=
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null && "$candidate" --version | grep -q 'version 14\.'; then
    formatter=$candidate
    break
  fi
done
if [ -z "$formatter" ]; then
  echo "format check: clang-format 14 not found (install the Debian package clang-format;" \
    "scripts/setup-deps.sh does)"
  exit 1
fi
[ -f .clang-format ] || { echo "format check: no .clang-format in $src"; exit 1; }
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "format check: $src is not a git checkout; the tracked sources cannot be listed"
  exit 1
fi

mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ ${#files[@]} -eq 0 ]; then
  echo "format check: git lists no C/C++ sources in $src"
  exit 1
fi
report=$("$formatter" --style=file --dry-run "${files[@]}" 2>&1)
status=$?
mapfile -t deviating < <(printf '%s\n' "$report" |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ $status -ne 0 ]; then
  printf '%s\n' "$report" | grep -v 'code should be clang-formatted' | head -20
  echo "format check: $formatter failed (status $status)"
  exit 1
fi
if [ ${#deviating[@]} -gt 0 ]; then
  echo "format check: ${#deviating[@]} of ${#files[@]} sources deviate from .clang-format" \
    "(fix with: $formatter -i FILE...):"
  printf '  %s\n' "${deviating[@]}"
  exit 1
fi
echo "format check: all ${#files[@]} sources follow .clang-format ($formatter)"
