#!/usr/bin/env bash
# Checks a compiled help file against the sources it was compiled from (the staged folder):
# every page of the project, every topic of the contents and the index, and every local link
# and picture of the pages is inside the help file; every #anchor is on its page; and the
# full-text search index was built. Prints each fault and fails when there is one.
#   help/check.sh <tlvn.chm> <folder of the sources>
set -euo pipefail
chm=$1
src=$2
faults=0
fault() {
  echo "help check: $*" >&2
  faults=$((faults + 1))
}

inside=$(chmls -n -p list "$chm" 2>/dev/null | sed -n 's|^/||p')
contains() { grep -qixF -- "$1" <<<"$inside"; }

contains '$FIftiMain' || fault "no full-text search index (\$FIftiMain) in $chm"

# The pages the project names.
pages=$(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^[[:space:]]*$/d;p}' "$src/tlvn.hhp" | tr -d '\r')
[ -n "$pages" ] || fault "tlvn.hhp names no pages"
for page in $pages; do
  contains "$page" || fault "$page of tlvn.hhp is not in the help file"
done

# Topics of the contents and the index.
for list in toc.hhc index.hhk; do
  for topic in $(grep -o 'name="Local" value="[^"]*"' "$src/$list" | sed 's/.*value="\([^"]*\)"/\1/'); do
    contains "${topic%%#*}" || fault "$list: topic $topic is not in the help file"
  done
done

# Links and pictures of every page, with their anchors.
for file in "$src"/*.htm; do
  page=$(basename "$file")
  for target in $(grep -oE '(href|src)="[^"]*"' "$file" | sed -E 's/^(href|src)="([^"]*)"$/\2/'); do
    case "$target" in
      http:* | https:* | mailto:*) continue ;;
    esac
    name=${target%%#*}
    [ -n "$name" ] || name=$page
    if ! contains "$name"; then
      fault "$page: link $target leads to no file of the help file"
      continue
    fi
    if [ "$target" != "${target#*#}" ]; then
      anchor=${target#*#}
      grep -qE "(id|name)=\"$anchor\"" "$src/$name" ||
        fault "$page: link $target leads to no anchor $anchor on $name"
    fi
  done
done

[ "$faults" -eq 0 ] || { echo "help check: $faults fault(s) in $chm" >&2; exit 1; }
