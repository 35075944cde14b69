#!/usr/bin/env bash
# House rules a compiler cannot check:
# - message boxes and file/font dialogs only inside the prompter, so that tests can answer them;
# - no string-based signal/slot connections.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
dialogs=$(grep -rnE 'QMessageBox|QFileDialog|QFontDialog' src --include='*.cpp' --include='*.h' | grep -v '/Prompter' || true)
if [ -n "$dialogs" ]; then
  echo "Dialogs used outside the prompter:"; echo "$dialogs"; status=1
fi
connects=$(grep -rnE '\b(SIGNAL|SLOT)\s*\(' src tests tools --include='*.cpp' --include='*.h' || true)
if [ -n "$connects" ]; then
  echo "String-based connections:"; echo "$connects"; status=1
fi
exit $status
