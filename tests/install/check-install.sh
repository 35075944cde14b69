#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks the result as a distribution would: every
# file in its FHS place, the menu entry and the AppStream data valid by the freedesktop tools, the
# installed programs answering with the project's version, the manual page and the bash completion
# knowing every command of the CLI.
set -euo pipefail
build=$1 version=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
root="$dest/usr"
for f in bin/vorlix7 bin/vorlix7-cli share/applications/vorlix7.desktop \
  share/mime/packages/vorlix7.xml share/icons/hicolor/scalable/apps/vorlix7.svg \
  share/icons/hicolor/48x48/apps/vorlix7.png share/metainfo/io.github.vorlix.Vorlix7.metainfo.xml \
  share/man/man1/vorlix7.1.gz share/man/man1/vorlix7-cli.1.gz share/bash-completion/completions/vorlix7-cli \
  share/vorlix7/lang/English.lng share/vorlix7/lang/chinese.lng share/doc/vorlix7/copyright; do
  [ -f "$root/$f" ] || fail "not installed: /usr/$f"
done
desktop-file-validate "$root/share/applications/vorlix7.desktop" || fail "menu entry"
appstreamcli validate --no-net "$root/share/metainfo/io.github.vorlix.Vorlix7.metainfo.xml" >/dev/null ||
  fail "AppStream data"
[ "$("$root/bin/vorlix7" --version)" = "vorlix7 $version" ] || fail "vorlix7 --version"
[ "$("$root/bin/vorlix7-cli" --version)" = "vorlix7-cli $version" ] || fail "vorlix7-cli --version"

# The commands, from the CLI's own usage ("command   info | show PROJECT | ...").
commands=$("$root/bin/vorlix7-cli" --help | sed -n '/^  command /,$p' | sed 's/^  command//' | tr -s ' \n' ' ' |
  sed 's/ | /\n/g' | awk '{print $1}' | grep -E '^[a-z-]+$' | sort -u)
[ "$(echo "$commands" | wc -l)" -ge 10 ] || fail "no commands read from the usage: $commands"
completed=$(bash -c 'source /usr/share/bash-completion/bash_completion
  source "$1"; COMP_WORDS=(vorlix7-cli ""); COMP_CWORD=1; COMP_LINE="vorlix7-cli "; COMP_POINT=12
  _vorlix7_cli vorlix7-cli "" vorlix7-cli; printf "%s\n" "${COMPREPLY[@]}"' _ \
  "$root/share/bash-completion/completions/vorlix7-cli" | sort -u)
[ "$completed" = "$commands" ] || fail "completion offers \"$completed\", the CLI has \"$commands\""
page=$(gzip -dc "$root/share/man/man1/vorlix7-cli.1.gz")
for c in $commands; do
  echo "$page" | grep -q "^\.B.* ${c//-/\\\\-}\b\|^\.B ${c//-/\\\\-}\b" || fail "the manual page lacks $c"
done
echo "installed and checked in $dest"
