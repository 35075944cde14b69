#!/usr/bin/env bash
# Kills vorlix7-cli with SIGKILL at random moments of apply, import, clear and recover on a real
# Wine prefix, lets the next command (a backup, which only reads) finish what the kill interrupted,
# and judges the hives: either neither changed, or the same ones changed as when the operation
# runs to its end on a copy of the hives, and Wine itself reads them (`wine reg export`, whose
# loader reports a torn file). Half of the rounds give user.reg a second hard link, so that it is
# written in place.
#
#   scripts/kill-loop.sh [ROUNDS]      (default 200; needs a build and Wine)
#
# Prints one line per round and the counts at the end; exits 1 when any round went wrong.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-200}"
work="$(mktemp -d)"
# A copy, so that a build during the loop does not swap the program under it.
cp build/src/cli/vorlix7-cli "$work/vorlix7-cli"
cli="$work/vorlix7-cli"
trap 'WINEPREFIX="$work/pfx" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/pfx" WINEDEBUG=-all XDG_STATE_HOME="$work/state"

echo "making a Wine prefix in $WINEPREFIX"
wine wineboot -i >/dev/null 2>&1 || true
wineserver -w
./build/tools/vorlix7-sandbox "$work/sb" >/dev/null
mkdir -p "$WINEPREFIX/drive_c/Program Files/Borland"
cp -r "$work/sb/drive_c/Program Files/Borland/Delphi7" "$WINEPREFIX/drive_c/Program Files/Borland/"
root="$WINEPREFIX/drive_c/Program Files/Borland/Delphi7"
run() { "$cli" --root "$root" --prefix "$WINEPREFIX" "$@"; }
run recover >/dev/null
run capture "$work/a.vx7" >/dev/null

# The same operation left to run to its end on copies of the hives, in a prefix whose drive C is
# the real one (so that DelphiRoot and every file are the same): which hives it changes.
scratch="$work/scratch"
mkdir -p "$scratch/dosdevices"
ln -s ../drive_c "$scratch/dosdevices/c:"
ln -s "$WINEPREFIX/drive_c" "$scratch/drive_c"
expected_change() {
  cp "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" "$scratch/"
  # shellcheck disable=SC2046
  "$cli" --root "$scratch/drive_c/Program Files/Borland/Delphi7" --prefix "$scratch" $(op_args_again "$1") >/dev/null 2>&1
  cmp -s "$scratch/user.reg" "$WINEPREFIX/user.reg" && echo -n 0 || echo -n 1
  cmp -s "$scratch/system.reg" "$WINEPREFIX/system.reg" && echo 0 || echo 1
}

# The operations of the cycle (an import with new values each time).
op_args() {
  case "$1" in
    recover) echo recover ;;
    clear) echo clear ;;
    apply) echo "apply $work/a.vx7" ;;
    import)
      printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Vx]\r\n"n"="%s"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0\\Vx]\r\n"n"="%s"\r\n' \
        "$RANDOM$RANDOM" "$RANDOM" >"$work/i.reg"
      echo "import $work/i.reg" ;;
  esac
}
op_args_again() {
  if [ "$1" = import ]; then echo "import $work/i.reg"; else op_args "$1"; fi
}
ops=(recover clear apply import)

# How long each operation takes when left alone (the shortest of three runs, in microseconds):
# the kills fall within that.
declare -A took
for op in "${ops[@]}"; do
  took[$op]=999999999
  for _ in 1 2 3; do
    start=$(date +%s%N)
    # shellcheck disable=SC2046
    run $(op_args "$op") >/dev/null
    t=$(( ($(date +%s%N) - start) / 1000 ))
    [ "$t" -lt "${took[$op]}" ] && took[$op]=$t
  done
  echo "$op takes ${took[$op]} us"
done

declare -A count=([old]=0 [new]=0 [mixed]=0 [torn]=0 [completed]=0)
for ((i = 0; i < rounds; i++)); do
  op=${ops[i % 4]}
  linked=$(( (i / 4) % 2 ))
  rm -f "$WINEPREFIX/user.reg.link"
  [ "$linked" = 1 ] && ln "$WINEPREFIX/user.reg" "$WINEPREFIX/user.reg.link"
  cp "$WINEPREFIX/user.reg" "$work/user.before"
  cp "$WINEPREFIX/system.reg" "$work/system.before"
  args=$(op_args "$op")
  expected=$(expected_change "$op")
  delay=$(( RANDOM * 32768 + RANDOM ))
  # Between two fifths of the time and a little past its end: the commit is near the end.
  delay=$(( took[$op] * 2 / 5 + delay % (took[$op] * 7 / 10 + 1) ))
  # The program itself in the background (not a shell function, whose subshell would be killed
  # instead of it).
  # shellcheck disable=SC2046
  "$cli" --root "$root" --prefix "$WINEPREFIX" $args >/dev/null 2>&1 &
  pid=$!
  sleep "$(printf '0.%06d' "$delay")"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -e "$WINEPREFIX/.vorlix7-commit" ] && count[completed]=$((count[completed] + 1))
  run backup "$work/b.reg" >/dev/null 2>"$work/backup.err" || { cat "$work/backup.err"; }

  cmp -s "$WINEPREFIX/user.reg" "$work/user.before" && u=0 || u=1
  cmp -s "$WINEPREFIX/system.reg" "$work/system.before" && m=0 || m=1
  if [ "$u$m" = 00 ]; then state=old; elif [ "$u$m" = "$expected" ]; then state=new; else state=mixed; fi
  leftovers=$(cd "$WINEPREFIX" && ls -A | grep -E 'vx-new|vx-old|vxtmp|vorlix7-commit' || true)
  [ -n "$leftovers" ] && state=mixed && echo "left behind: $leftovers"
  [ "$state" = mixed ] && echo "user.reg changed: $u, system.reg changed: $m; when run to the end: $expected"

  # Wine reads both hives at its start; a torn file shows in what its loader says.
  wine reg export 'HKEY_CURRENT_USER\Software\Borland' "$work/u.reg" /y >/dev/null 2>"$work/wine.err" || true
  wineserver -w
  if grep -qE 'Unrecognized|user\.reg:|system\.reg:' "$work/wine.err"; then state=torn; fi
  count[$state]=$((count[$state] + 1))
  echo "round $i: $op, hard link $linked, killed after ${delay} us: $state"
done

echo "rounds: $rounds  all old: ${count[old]}  all new: ${count[new]}  one new one old: ${count[mixed]}  torn: ${count[torn]}  interrupted commits completed by the next command: ${count[completed]}"
[ "${count[mixed]}" = 0 ] && [ "${count[torn]}" = 0 ]
