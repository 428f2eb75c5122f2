#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what .clang-format makes of it, naming
# the file and line; --fix formats them in place instead.
#
#   bash scripts/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh format
mapfile -t files < <(git ls-files '*.h' '*.cpp')
if [[ "${1:-}" == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
echo "format: every C++ file follows .clang-format"
