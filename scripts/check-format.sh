#!/usr/bin/env bash
# Fails when a tracked C++ source or header differs from .clang-format's style; changes
# nothing. Fix with: git ls-files '*.h' '*.cpp' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.h' '*.cpp')
if [ ${#files[@]} -eq 0 ]; then
    echo "check-format: no sources tracked"
    exit 1
fi
if clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-format: ${#files[@]} files formatted"
else
    echo "check-format: the files above differ from .clang-format (clang-format -i fixes them)"
    exit 1
fi
