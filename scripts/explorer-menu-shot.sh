#!/usr/bin/env bash
# A picture of Explorer's verbs as the registry holds them, written by tlvn.exe itself:
# the program is put at C:\Tolvane\tlvn.exe in a copy of the test prefix, its settings say
# the menu is on for another place, so its start writes the verbs again for this one; the
# keys of a folder and of a fixed-name list are exported and rendered (as `reg export`
# writes them) to docs/explorer-menu.png.
# usage: scripts/explorer-menu-shot.sh <win64 build folder with tlvn.exe built>
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/win64}" && pwd)
. scripts/wine-env.sh "$build"

work=$(mktemp -d "${TMPDIR:-/tmp}/tlvn-menu-shot.XXXXXX")
trap 'rm -rf "$work"' EXIT
tlvn_copy_prefix "$work"
mkdir -p "$WINEPREFIX/drive_c/Tolvane"
cp "$build/shell/tlvn.exe" "$WINEPREFIX/drive_c/Tolvane/"
"$WINE" reg add 'HKCU\Software\Quorvale\tlvn' /v ExplorerMenu /d 'D:\Old\tlvn.exe' /f >/dev/null 2>&1
# A Verify of a folder that does not exist: the start, then at once the end under /a.
# The server ends first: the window's process must start Wine's desktop on the display.
"$WINESERVER" -w
xvfb-run -a "$WINE" 'C:\Tolvane\tlvn.exe' /v /a 'C:\menu.log' 'C:\none' || true
for key in 'Directory\shell' 'SystemFileAssociations\.lst'; do
  "$WINE" reg export "HKCU\\Software\\Classes\\$key" "$work/${key//\\/-}.reg" /y >/dev/null 2>&1
done
"$WINESERVER" -k || true

{
  printf 'Windows Registry Editor Version 5.00\n\n'
  for file in "$work"/*.reg; do
    iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | sed '1d' |
      awk '/^\[/ { keep = index($0, "Tolvane.") > 0 } keep'
  done
} | cat -s >"$work/menu.txt"
cat "$work/menu.txt"
mkdir -p docs
convert -background white -fill black -font DejaVu-Sans-Mono -pointsize 13 \
  label:"$(sed 's/%/%%/g; s/\\/\\\\/g' "$work/menu.txt")" -bordercolor white -border 12 -strip docs/explorer-menu.png
ls -l docs/explorer-menu.png
