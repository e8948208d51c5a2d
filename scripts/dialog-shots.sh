#!/usr/bin/env bash
# Screenshots of the small dialogs on a Wine virtual desktop under Xvfb, taken from the
# running program: docs/dialog-options.png, docs/dialog-reminder.png, docs/dialog-about.png
# (the mouse on the web link), docs/help-viewer.png (the help file opened with F1) and
# docs/help-missing.png (F1 with the help file renamed).
# The first three also go into help/, where the help pages show them.
# usage: scripts/dialog-shots.sh <win64 build folder with tlvn.exe and tlvn.chm built>
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/win64}" && pwd)
. scripts/wine-env.sh "$build"

work=$(mktemp -d "${TMPDIR:-/tmp}/tlvn-dialog-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/dialog_shots.exe" \
  tests/win/shots/dialog_shots.cpp
mkdir -p "$work/program" "$work/markers"
cp "$build/shell/tlvn.exe" "$build/shell/tlvn.chm" "$work/program/"

tlvn_copy_prefix "$work" 800x600

mkdir -p docs
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  work=$1
  win() { echo "Z:${1//\//\\}"; }
  "$WINE" "$work/dialog_shots.exe" "$(win "$work/program/tlvn.exe")" "$(win "$work/markers")" &
  driver=$!
  for name in options reminder about help-missing help; do
    for _ in $(seq 1 600); do [ -f "$work/markers/$name.ready" ] && break; sleep 0.1; done
    [ -f "$work/markers/$name.ready" ] || { echo "no $name window" >&2; break; }
    import -window root "$work/$name-full.png"
    # The window with a margin of desktop around it (the help viewer as it stands).
    read -r geometry < "$work/markers/$name.ready"
    case $name in
    help) convert "$work/$name-full.png" -crop "$geometry" +repage -strip docs/help-viewer.png ;;
    *)
      case $name in help-missing) out=docs/help-missing.png ;; *) out=docs/dialog-$name.png ;; esac
      convert "$work/$name-full.png" -crop "$geometry" +repage -strip -bordercolor "#3a6ea5" \
        -border 8 "$out" ;;
    esac
    touch "$work/markers/$name.done"
  done
  wait $driver; rc=$?
  "$WINESERVER" -k
  exit $rc' shots "$work"

for name in options reminder about; do
  cp "docs/dialog-$name.png" "help/$name.png"
done
ls -l docs/dialog-*.png docs/help-viewer.png docs/help-missing.png
