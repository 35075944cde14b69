#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and runs
# each for a short while: hostile hive files, registry files, export escaping, PE images (version
# resources, imports, package information), language files and profile (INI) files in every
# encoding. A crash fails.
#   scripts/fuzz.sh [seconds per target, default 15]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-15}"
jobs=$(nproc 2>/dev/null || echo 2)
CXX=clang++ CC=clang cmake -S . -B build-fuzz -DVX_BUILD_FUZZ=ON -DVX_BUILD_TESTS=OFF -DVX_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(fuzz_hive fuzz_regfile fuzz_export fuzz_pe fuzz_imports fuzz_packageinfo fuzz_language fuzz_ini)
targets+=(fuzz_snapshot)
cmake --build build-fuzz -j"$jobs" --target "${targets[@]}"
for t in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$t"
  mkdir -p "$corpus"
  echo "== $t for ${seconds}s"
  "build-fuzz/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 "$corpus" 2>&1 | tail -n 3
done
