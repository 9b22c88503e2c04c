#!/usr/bin/env bash
# Formats every C++ file of the repository with .clang-format; with --check, changes nothing
# and fails listing the files that are not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t FILES < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${FILES[@]}"
else
  clang-format -i "${FILES[@]}"
fi
