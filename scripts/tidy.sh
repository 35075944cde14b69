#!/usr/bin/env bash
# Runs clang-tidy with the checks in .clang-tidy over every source of ours (or the files given),
# using the compile commands of ./build. Any finding fails.
#   scripts/tidy.sh [files...]
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || ./scripts/build.sh
if [ $# -gt 0 ]; then
  files=("$@")
else
  # Every source the build compiles (a tool that is not part of the build has no compile command).
  mapfile -t files < <(git ls-files 'src/*.cpp' 'tools/*.cpp' |
    while read -r f; do grep -qF "\"file\": \"$PWD/$f\"" build/compile_commands.json && echo "$f"; done)
fi
jobs=$(nproc 2>/dev/null || echo 2)
printf '%s\n' "${files[@]}" | xargs -P "$jobs" -n 4 clang-tidy -p build --quiet
