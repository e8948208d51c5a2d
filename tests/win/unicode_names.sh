#!/usr/bin/env bash
# Names beyond any ANSI code page and a path past 260 characters, between tlvn.exe under
# Wine and Linux: Update and Verify in three placement modes, the lists of each program
# checked by the other (and by md5sum), an old list in the legacy code page, and such a
# folder kept in the registry from one start to the next.
# usage: unicode_names.sh <wine> <tlvn.exe> <tlvn of a native build>
set -u
wine=$1 exe=$2 tlvn=$3
if [ ! -x "$tlvn" ]; then
  echo "skipped: no native console program at $tlvn (build build/native first)"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/tlvn-unicode.XXXXXX")
key='HKCU\Software\Quorvale\tlvn'
cleanup() {
  "$wine" reg delete "$key" /f >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
cleanup
mkdir -p "$work"
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# tlvn.exe with these options; /a closes it after the run and saves the log.
win() { "$wine" "$exe" "$@" </dev/null >/dev/null 2>&1; }
# The saved log names the files processed and ends with no failure and no error.
clean() { # what, log, files
  grep -q " in $3 files for " "$2" && grep -q 'warnings: 0, failures: 0, errors: 0' "$2" ||
    fail "$1: $(tr -d '\r' <"$2" | grep -v 'is empty. Skipped' | tail -n 4)"
}

# A fresh tree for each run: six files, one of them in a folder past 260 characters.
make_tree() { # folder
  local long=$1
  for i in $(seq -w 1 14); do long+=/long-folder-name-$i; done
  mkdir -p "$1/Кириллица" "$1/日本語" "$long"
  printf a >"$1/café.txt"
  printf b >"$1/😀.txt"
  printf c >"$1/plain.txt"
  printf d >"$1/Кириллица/файл.txt"
  printf e >"$1/日本語/データ.txt"
  printf f >"$long/ünïcode-深い.txt"
  [ ${#long} -gt 260 ] || fail "the deepest folder's path is only ${#long} characters"
}

# Placement, list name, lists written, sub-folders for Verify (a list for the whole tree
# names them itself).
for mode in "1 md5sum.lst 1 -" "2 md5sum.lst 4 +" "4 *.md5 6 +"; do
  read -r p name count sub <<<"$mode"
  tree=$work/p$p
  make_tree "$tree"
  win /u /o+ /s /p"$p" /n "$name" /h1 /a "$(winpath "$work/u$p.log")" "$(winpath "$tree")"
  clean "tlvn.exe /u /p$p" "$work/u$p.log" 6
  lists=0
  while IFS= read -r -d '' list; do
    lists=$((lists + 1))
    # Lists of bare names, one per folder or file, are for md5sum too.
    [ "$p" = 1 ] || (cd "${list%/*}" && md5sum --quiet -c "${list##*/}") >/dev/null 2>&1 ||
      fail "md5sum -c $list"
  done < <(find "$tree" -name "$name" -print0)
  [ "$lists" -eq "$count" ] || fail "tlvn.exe /u /p$p wrote $lists lists, not $count"
  "$tlvn" -v -s"$sub" -p"$p" -n "$name" -a "$work/nv$p.log" "$tree" >/dev/null 2>&1
  clean "tlvn -v -p$p of the lists of tlvn.exe" "$work/nv$p.log" 6
  "$tlvn" -u -o+ -s -p"$p" -n "$name" -a "$work/nu$p.log" "$tree" >/dev/null 2>&1
  win /v /s"$sub" /p"$p" /n "$name" /i1 /a "$(winpath "$work/v$p.log")" "$(winpath "$tree")"
  clean "tlvn.exe /v /p$p of the lists of tlvn" "$work/v$p.log" 6
done
grep -qF '\long-folder-name-14\ünïcode-深い.txt) = ' "$work/v4.log" ||
  fail "the detailed log names the file of the long path"

# A list of an earlier version: é in Windows-1252, then an emoji in UTF-8 on the next line.
tree=$work/old
make_tree "$tree"
printf '; old list\r\n%s *caf\xe9.txt\r\n%s *plain.txt\r\n%s *😀.txt\r\n' \
  "$(printf a | md5sum | cut -c1-32)" "$(printf c | md5sum | cut -c1-32)" \
  "$(printf b | md5sum | cut -c1-32)" >"$tree/old.lst"
wtree=$(winpath "$tree")
win /v /s- /p2 /n old.lst /a "$(winpath "$work/old.log")" "$wtree"
clean "tlvn.exe /v of a legacy list" "$work/old.log" 3
win /u /o+ /s- /p2 /n old.lst /h0 /a "$(winpath "$work/old-u.log")" "$wtree"
(cd "$tree" && md5sum --quiet -c old.lst) >/dev/null 2>&1 || fail "the rewritten list is UTF-8"

# The folder of the last run comes back from the registry when none is given.
win /v /s- /p2 /a "$(winpath "$work/r1.log")" "$wtree\\Кириллица"
win /v /a "$(winpath "$work/r2.log")"
grep -qF "Verifying folder \"$wtree\\Кириллица\\*.*\"" "$work/r2.log" ||
  fail "the folder kept in the registry: $(grep -a 'Verifying folder' "$work/r2.log")"

echo "$((failed == 0 ? 1 : 0)) passed, $((failed == 0 ? 0 : 1)) failed"
[ "$failed" -eq 0 ]
