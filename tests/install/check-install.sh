#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks the result as a distribution would: every
# file in its FHS place, the menu entry and the AppStream data valid by the freedesktop tools, the
# installed programs answering with the project's version, the manual page and the bash completion
# knowing every command of the CLI; and, with the sandbox tool given, the installed CLI finding the
# Delphi installations of fake prefixes under a temporary HOME and keeping its settings per installation.
set -euo pipefail
build=$1 version=$2 sandbox=${3:-}
dest=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$dest" "$home"' EXIT
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

if [ -n "$sandbox" ]; then
  # Only the test's HOME is searched.
  cli() { env -u WINEPREFIX -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" XDG_STATE_HOME="$home/state" \
    "$root/bin/vorlix7-cli" "$@"; }
  d7="drive_c/Program Files/Borland/Delphi7"
  "$sandbox" "$home/.wine" >/dev/null
  "$sandbox" "$home/.local/share/bottles/bottles/Delphi 7" >/dev/null
  listed=$(cli installations --json)
  [ "$(grep -c '"hostRoot"' <<<"$listed")" = 2 ] || fail "installations --json: $listed"
  grep -qF "\"hostRoot\": \"$home/.wine/$d7\"" <<<"$listed" || fail "installations lacks ~/.wine: $listed"
  grep -qF '"place": "bottles"' <<<"$listed" || fail "installations lacks the bottle: $listed"
  grep -qxF "$home/.wine/$d7"$'\t''C:\Program Files\Borland\Delphi7\'$'\t''7.0'$'\t''wine'$'\t'"$home/.wine" \
    <<<"$(cli installations)" || fail "installations as text: $(cli installations)"
  if several=$(cli info 2>&1); then fail "info chose among two installations: $several"; fi
  grep -q -- "--root" <<<"$several" || fail "info with two installations does not name --root: $several"
  info=$(cli --prefix "$home/.wine" info --json) || fail "info --prefix: $info"
  grep -qF "\"hostRoot\": \"$home/.wine/$d7\"" <<<"$info" || fail "info --prefix used another one: $info"
  grep -qE "\"settingsFile\": \"$home/.config/vorlix7/wine-[0-9a-f]{8}\.wv7\"" <<<"$info" ||
    fail "the installed CLI keeps its settings elsewhere: $info"
  rm -rf "$home/.local/share/bottles"
  info=$(cli info --json) || fail "info with one installation: $info"
  grep -qF "\"prefix\": \"$home/.wine\"" <<<"$info" || fail "info used another prefix: $info"
  rm -rf "$home/.wine"
  if none=$(cli info 2>&1); then fail "info without an installation: $none"; fi
  grep -qF "$home/.cxoffice/*" <<<"$none" || fail "info does not name the places searched: $none"
  grep -qF "$home/.config/vorlix7/vorlix7.conf" <<<"$none" || fail "info does not say how to add one: $none"
  # A folder of prefixes the user adds to the configuration.
  "$sandbox" "$home/mine/d7" >/dev/null
  mkdir -p "$home/.config/vorlix7"
  printf '[Installations]\nPrefixes=/nonexistent:%s\n' "$home/mine" >"$home/.config/vorlix7/vorlix7.conf"
  info=$(cli info --json) || fail "info with a configured prefix folder: $info"
  grep -qF "\"prefix\": \"$home/mine/d7\"" <<<"$info" || fail "info ignored the configured folder: $info"
fi
echo "installed and checked in $dest"
