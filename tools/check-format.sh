#!/usr/bin/env bash
# Checks that every C++ file of the tree is formatted as .clang-format says (CTest `format`).
#   check-format.sh [CLANG_FORMAT]      prints the offending places and fails; `clang-format -i FILE` mends them
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
format="${1:-clang-format-14}"
find src tests bench -name '*.cpp' -o -name '*.h' | sort | xargs "$format" --dry-run -Werror
