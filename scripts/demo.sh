#!/usr/bin/env bash
# Installs what is needed, builds, creates the demo sandbox in ./sandbox and runs the program there.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
rm -rf sandbox
./build/tools/vorlix7-sandbox sandbox
delphi="sandbox/drive_c/Program Files/Borland/Delphi7"
cp build/src/cli/vorlix7-cli "$delphi/"
cd "$delphi"
./vorlix7-cli info
./vorlix7-cli show Samples/Sample.vx7 --verify
