#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into ./build-asan and runs
# the whole test suite there. Any report fails the run.
#   scripts/sanitize.sh [ctest arguments, e.g. -R Snapshot]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_SANITIZE=ON -DVX_WERROR=ON -DVX_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
export QT_QPA_PLATFORM=offscreen
export VX_REQUIRE_WINE="${VX_REQUIRE_WINE:-1}"
# Leaks are not judged: Qt and fontconfig keep process-lifetime allocations that LeakSanitizer reports.
# No strict_string_checks: with it, libxkbcommon's strndup of a name inside an X reply (legal, at most
# n bytes) is reported as an overflow when the window starts on a real X server.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-asan --output-on-failure -j"$jobs" "$@"
