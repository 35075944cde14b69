#!/usr/bin/env bash
# Fails when any tracked C++ file differs from the layout in .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
