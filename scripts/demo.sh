#!/usr/bin/env bash
# Installs what is needed, builds, creates the demo sandbox in ./sandbox, copies the program into
# the sandbox's Delphi directory and starts it there on the sample project. Without a display the
# program runs under Xvfb for a few seconds and leaves a screenshot in sandbox/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
rm -rf sandbox
./build/tools/vorlix7-sandbox sandbox
delphi="$PWD/sandbox/drive_c/Program Files/Borland/Delphi7"
cp build/src/app/Vorlix7 build/src/cli/vorlix7-cli "$delphi/"
cd "$delphi"
./vorlix7-cli info
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./Vorlix7 Samples/Sample.vx7
fi
echo "No display: running under Xvfb; the screenshot goes to sandbox/screenshot.png"
shot="$(cd ../../../.. && pwd)/screenshot.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  ./Vorlix7 Samples/Sample.vx7 & pid=$!
  sleep 6
  import -window root "$1" || true
  kill $pid' _ "$shot"
echo "screenshot: $shot"
