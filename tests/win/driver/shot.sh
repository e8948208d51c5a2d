#!/usr/bin/env bash
# Screenshot of the main window after an Update and a Verify with findings of every kind,
# on a Wine virtual desktop under Xvfb: docs/window-verify.png.
# usage: tests/win/driver/shot.sh <win64 build folder>
set -euo pipefail
cd "$(dirname "$0")/../../.."
build=$(cd "${1:-build/win64}" && pwd)
. scripts/wine-env.sh "$build"
work=$(mktemp -d "${TMPDIR:-/tmp}/tlvn-shot.XXXXXX")
trap 'rm -rf "$work"' EXIT
tlvn_copy_prefix "$work" 800x540
# Wine's own fonts in the prefix: Marlett draws the caption buttons.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
marker=$work/ready
mkdir -p docs
xvfb-run -a -s "-screen 0 800x540x24" bash -c '
  "$WINE" "$1" "$2" --shot "Z:${3//\//\\}" &
  driver=$!
  for _ in $(seq 1 600); do [ -f "$3" ] && break; sleep 0.1; done
  sleep 0.5
  import -window root docs/window-verify.png
  touch "$3.done"
  wait $driver; rc=$?
  "$WINESERVER" -k
  exit $rc' shot "$build/tests/win/tlvn_e2e_driver.exe" "$build/shell/tlvn.exe" "$marker"
echo "docs/window-verify.png"
