#!/usr/bin/env bash
# Fails when a C++ source differs from what .clang-format makes of it. To mend:
#   clang-format -i $(git ls-files '*.cpp' '*.h')
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "format: the files above differ from .clang-format's style"
    exit 1
fi
echo "format: ${#files[@]} files in the house style"
