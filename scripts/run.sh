#!/usr/bin/env bash
# Sets up the machine, builds Tolvane and runs it.
#   ./scripts/run.sh                 the Windows program tlvn.exe under Wine: with a DISPLAY
#                                    it opens the window; without one it runs an Update and a
#                                    Verify of a demo tree through its command line with /a
#                                    under Xvfb and prints the two saved logs and exit codes
#   ./scripts/run.sh window ARGS...  tlvn.exe with these arguments (under Xvfb without a DISPLAY)
#   ./scripts/run.sh console         the console program's demo: an Update of a small tree,
#                                    then one file changed, one deleted and one added, and a
#                                    Verify that reports them, with the two exit codes
#   ./scripts/run.sh ARGS...         the console program tlvn with these arguments, unchanged
# The demos go on whatever a run's exit code is (the Verify ends with 4: a file
# is missing)
# and show it; the script ends with 0 when both runs ran.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

# A demo tree, $demo/tree, in a new temporary folder removed when the script ends; saved
# logs go beside the tree, not into it.
make_demo_tree() {
  demo=$(mktemp -d "${TMPDIR:-/tmp}/tlvn-demo.XXXXXX")
  trap 'rm -rf "$demo"' EXIT
  root=$demo/tree
  mkdir -p "$root/photos/2026" "$root/letters"
  printf 'Dear Ann,\nthe tree is planted.\n' >"$root/letters/ann.txt"
  printf 'Dear Bob,\nsee you on Monday.\n' >"$root/letters/bob.txt"
  head -c 300000 /dev/urandom >"$root/photos/2026/lake.jpg"
  head -c 120000 /dev/urandom >"$root/photos/2026/hill.jpg"
  printf 'Tolvane demo tree\n' >"$root/readme.txt"
}

change_demo_tree() {
  echo "# change letters/ann.txt, delete photos/2026/hill.jpg, add photos/2026/river.jpg"
  sleep 2 # file times have a two-second grain: the change must come after the list
  printf 'Dear Ann,\nthe tree is planted twice.\n' >"$root/letters/ann.txt"
  rm "$root/photos/2026/hill.jpg"
  head -c 50000 /dev/urandom >"$root/photos/2026/river.jpg"
}

run_console() {
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/native --target tlvn -j"$(nproc)" >/dev/null
  local tlvn=$PWD/build/native/cli/tlvn
  if [ $# -gt 0 ]; then
    exec "$tlvn" "$@"
  fi
  make_demo_tree
  local status=0
  echo "\$ tlvn -u -p2 $root"
  "$tlvn" -u -p2 "$root" || status=$?
  echo
  echo "exit code of the update: $status"
  echo
  change_demo_tree
  echo
  echo "\$ tlvn -v -p2 $root"
  status=0
  "$tlvn" -v -p2 "$root" || status=$?
  echo
  echo "exit code of the verify: $status"
}

# Wine sees the Linux file system as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Runs a Windows program on a private X server; the Wine server ends with it.
under_xvfb() {
  xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c '"$WINE" "$@"; rc=$?; "$WINESERVER" -k; exit $rc' wine "$@"
}

run_window() {
  cmake -S . -B build/win64 --toolchain cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/win64 --target tlvn -j"$(nproc)" >/dev/null
  local exe=$PWD/build/win64/shell/tlvn.exe
  # A prefix of its own: the fonts below change what the tests' prefix draws.
  . scripts/wine-env.sh build/win64 build/win64/run-prefix
  # Wine's own fonts in the prefix: Marlett draws the caption buttons.
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  if [ $# -gt 0 ] || [ -n "${DISPLAY:-}" ]; then
    if [ -n "${DISPLAY:-}" ]; then
      "$WINE" "$exe" "$@"
      "$WINESERVER" -w
    else
      under_xvfb "$exe" "$@"
    fi
    return
  fi
  make_demo_tree
  local tree update_log verify_log
  tree=$(winpath "$root")
  update_log=$(winpath "$demo/update.log")
  verify_log=$(winpath "$demo/verify.log")
  local status=0
  echo "\$ tlvn.exe /u /o+ /s /p2 /a $update_log $tree"
  under_xvfb "$exe" /u /o+ /s /p2 /a "$update_log" "$tree" || status=$?
  tr -d '\r' <"$demo/update.log"
  echo
  echo "exit code of the update: $status"
  echo
  change_demo_tree
  echo
  echo "\$ tlvn.exe /v /s /p2 /a $verify_log $tree"
  status=0
  under_xvfb "$exe" /v /s /p2 /a "$verify_log" "$tree" || status=$?
  tr -d '\r' <"$demo/verify.log"
  echo
  echo "exit code of the verify: $status"
}

case "${1:-}" in
  "") run_window ;;
  window) shift; run_window "$@" ;;
  console) shift; run_console "$@" ;;
  *) run_console "$@" ;;
esac
