#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh -DVX_WERROR=ON
export QT_QPA_PLATFORM=offscreen
# Wine was installed above, so a Wine test that cannot run is a failure, not a skip.
export VX_REQUIRE_WINE="${VX_REQUIRE_WINE:-1}"
ctest --test-dir build --output-on-failure -j"$(nproc 2>/dev/null || echo 2)"
# A short fuzzing run of the readers of hostile files (VX_FUZZ_SECONDS=0 skips it).
if [ "${VX_FUZZ_SECONDS:-15}" -gt 0 ]; then
  ./scripts/fuzz.sh "${VX_FUZZ_SECONDS:-15}"
fi
