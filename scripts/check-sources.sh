#!/usr/bin/env bash
# House rules a compiler cannot check:
# - message boxes and file/font dialogs only inside the prompter, so that tests can answer them;
# - no string-based signal/slot connections;
# - includes point down the layers only (platform <- project, i18n, prompter <- delphireg <-
#   editing, integration <- app), and the CLI and everything below the window use no widgets.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
dialogs=$(grep -rnE 'QMessageBox|QFileDialog|QFontDialog' src --include='*.cpp' --include='*.h' | grep -v '^src/app/DialogPrompter' || true)
if [ -n "$dialogs" ]; then
  echo "Dialogs used outside the prompter:"; echo "$dialogs"; status=1
fi
connects=$(grep -rnE '\b(SIGNAL|SLOT)\s*\(' src tests tools --include='*.cpp' --include='*.h' || true)
if [ -n "$connects" ]; then
  echo "String-based connections:"; echo "$connects"; status=1
fi
# The folders a layer may include from, besides its own.
declare -A allowed=(
  [platform]=""
  [project]="platform"
  [i18n]="platform"
  [prompter]=""
  [delphireg]="platform project"
  [editing]="platform project i18n delphireg prompter"
  [integration]="platform project i18n delphireg prompter editing"
  [cli]="platform project i18n delphireg prompter editing integration"
  [app]="platform project i18n delphireg prompter editing integration"
)
for layer in "${!allowed[@]}"; do
  [ -d "src/$layer" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$hit")
    if [ "$target" != "$layer" ] && [[ " ${allowed[$layer]} " != *" $target "* ]]; then
      echo "Include pointing up a layer ($layer may not include $target/): $hit"; status=1
    fi
  done < <(grep -rnE '^\s*#\s*include "[a-z]+/' "src/$layer" --include='*.cpp' --include='*.h' || true)
done
# Inside platform/: the folders of one concern build on the files at the top of platform/ (errors,
# file operations, clock, code pages), never on one another; the top uses only the hive reader,
# to find the prefix's code page in system.reg and the IDE's folder, and the version resource, to
# check the IDE's executable of an installation it finds.
declare -A platformAllowed=(
  [top]="registry pe"
  [registry]=""
  [ini]=""
  [pe]=""
  [desktop]=""
)
while IFS= read -r hit; do
  file=${hit%%:*}
  rel=${file#src/platform/}
  from=top
  [[ "$rel" == */* ]] && from=${rel%%/*}
  if [ -z "${platformAllowed[$from]+set}" ]; then
    echo "Platform folder without a rule in scripts/check-sources.sh: src/platform/$from"; status=1; continue
  fi
  target=$(sed -E 's/.*#include "platform\/([^"]*)".*/\1/' <<<"$hit")
  to=top
  [[ "$target" == */* ]] && to=${target%%/*}
  if [ "$to" != "$from" ] && [ "$to" != top ] && [[ " ${platformAllowed[$from]} " != *" $to "* ]]; then
    echo "Include across platform folders ($from may not include platform/$to/): $hit"; status=1
  fi
done < <(grep -rnE '^\s*#\s*include "platform/' src/platform --include='*.cpp' --include='*.h' || true)
widgets=$(grep -rnE '#\s*include <(QtWidgets/)?(QWidget|QApplication|QMainWindow|QDialog|QLabel|QPushButton|QAction|QMenu)>' \
  src --include='*.cpp' --include='*.h' | grep -vE '^src/(app|editing|integration)/' || true)
if [ -n "$widgets" ]; then
  echo "Widgets used below the window:"; echo "$widgets"; status=1
fi
exit $status
