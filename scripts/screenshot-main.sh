#!/usr/bin/env bash
# Takes the README's pictures of the main window: tlvn.exe under Xvfb on a Wine virtual
# desktop of 1024x768, at its first start (centred, its default size) and after a resize and
# a move (stored in its settings), in a private
# prefix with Wine's own fonts (Tahoma, and Marlett for the caption buttons).
# Usage: scripts/screenshot-main.sh [win64 build folder]   (writes docs/main-window*.png)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
exe=$build/shell/tlvn.exe
[ -f "$exe" ] || { echo "no $exe: build the win64 program first" >&2; exit 1; }
shots=$build/screenshots # a prefix of its own, apart from the tests
mkdir -p "$shots"

cat >"$shots/take.sh" <<'INNER'
set -u
. scripts/wine-env.sh "$1" "$2/wineprefix"
exe=$3 out=$4
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
$WINE reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
$WINE reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
key='HKCU\Software\Quorvale\tlvn'
set_value() { $WINE reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
shot() { # picture name
  $WINESERVER -k; $WINESERVER -w
  $WINE "$exe" & local pid=$!
  sleep 8
  import -window root "$out/$1.full.png"; convert "$out/$1.full.png" -crop 1024x768+0+0 +repage "$out/$1"; rm -f "$out/$1.full.png"
  $WINESERVER -k; wait $pid || true
}
$WINE reg delete "$key" /f >/dev/null 2>&1
$WINE reg add "$key" /v FilePath /d 'C:\Data\Photos' /f >/dev/null 2>&1
shot main-window.png
set_value Left 40; set_value Top 40
set_value Width 720; set_value Height 460; set_value Panel 330
# Reading the values back before the server stops: without it a write was seen to get lost.
$WINE reg query "$key" >/dev/null 2>&1
shot main-window-resized.png
INNER
# The pointer rests at the screen's centre: a screen larger than the virtual desktop keeps
# it off the window, so no tooltip covers the picture.
xvfb-run -a -s "-screen 0 1600x1200x24" bash "$shots/take.sh" "$build" "$shots" "$exe" docs
echo "written: docs/main-window.png docs/main-window-resized.png"
