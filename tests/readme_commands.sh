#!/usr/bin/env bash
# The README's first commands as a newcomer types them, without a display: both demos end
# with exit code 0 and print, in order, the Update's log, its exit code, the change, the
# Verify's log with one finding of each kind and its exit code.
# usage: readme_commands.sh <source folder>
# run.sh builds build/native and build/win64 as ./scripts/test.sh does, so after that
# script (or the README's build commands) it only checks that both are up to date.
set -u
source=$1
for built in build/native/cli/tlvn build/win64/shell/tlvn.exe; do
  if [ ! -x "$source/$built" ]; then
    echo "skipped: no $built (./scripts/test.sh builds it); the demos would build it here"
    exit 77
  fi
done
failed=0

# The lines a demo prints, in this order (extended regular expressions); the window's saved
# log has no kind prefixes, the console's lines have them.
window=(
  '^\$ tlvn\.exe /u /o\+ /s /p2 /a Z:\\.*\\update\.log Z:\\.*\\tree$'
  '^[A-Z][a-z]+, .* Updating folder "Z:\\.*\\tree\\\*\.\*", with checksum files name "md5sum\.lst"$'
  '^[A-Z][a-z]+, .* Updating is completed\.$'
  '^Total hints: 1, warnings: 0, failures: 0, errors: 0$'
  '^exit code of the update: 0$'
  '^# change letters/ann\.txt'
  '^\$ tlvn\.exe /v /s /p2 /a Z:\\.*\\verify\.log Z:\\.*\\tree$'
  '^[A-Z][a-z]+, .* Verifying folder "Z:\\.*\\tree\\\*\.\*"'
  '^The file ".*\\letters\\ann\.txt" has been updated$'
  '^The file ".*\\photos\\2026\\hill\.jpg" is missing$'
  '^The file ".*\\photos\\2026\\river\.jpg" not listed in checksum file$'
  '^[A-Z][a-z]+, .* Verifying is completed\.$'
  '^Total hints: 0, warnings: 2, failures: 1, errors: 0$'
  '^exit code of the verify: 4$'
)
console=(
  '^\$ tlvn -u -p2 /.*/tree$'
  '^START: .* Updating folder "/.*/tree/\*\.\*", with checksum files name "md5sum\.lst"$'
  '^HINT: The folder "/.*/tree/photos/\*\.\*" is empty\. Skipped\.\.\.$'
  '^STOP: .* Updating is completed\.$'
  '^STAT: Total hints: 1, warnings: 0, failures: 0, errors: 0$'
  '^exit code of the update: 0$'
  '^# change letters/ann\.txt'
  '^\$ tlvn -v -p2 /.*/tree$'
  '^START: .* Verifying folder "/.*/tree/\*\.\*"'
  '^WARN: The file "/.*/letters/ann\.txt" has been updated$'
  '^FAIL: The file "/.*/photos/2026/hill\.jpg" is missing$'
  '^WARN: The file "/.*/photos/2026/river\.jpg" not listed in checksum file$'
  '^STOP: .* Verifying is completed\.$'
  '^STAT: Total hints: 0, warnings: 2, failures: 1, errors: 0$'
  '^exit code of the verify: 4$'
)

demo() { # name of the list of expected lines, run.sh arguments...
  local -n expected=$1
  shift
  local output rc=0 next=0 line
  output=$(cd "$source" && env -u DISPLAY ./scripts/run.sh "$@" 2>&1) || rc=$?
  [ "$rc" -eq 0 ] || echo "FAIL: ./scripts/run.sh${*:+ $*} ended with exit code $rc"
  while IFS= read -r line && [ "$next" -lt "${#expected[@]}" ]; do
    [[ $line =~ ${expected[$next]} ]] && next=$((next + 1))
  done <<<"$output"
  if [ "$rc" -ne 0 ] || [ "$next" -lt "${#expected[@]}" ]; then
    [ "$next" -lt "${#expected[@]}" ] &&
      echo "FAIL: ./scripts/run.sh${*:+ $*}: no line matching ${expected[$next]} after the ones before"
    echo "$output"
    failed=$((failed + 1))
  fi
}

demo window
demo console console
echo "$((2 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
