#!/usr/bin/env bash
# Sets up the machine, builds the console program and runs it. Without arguments it
# shows a demo: an Update of a small tree, then one file changed, one deleted and one
# added, and a Verify that reports them. With arguments they go to tlvn unchanged.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native --target tlvn -j"$(nproc)" >/dev/null
tlvn=$PWD/build/native/cli/tlvn

if [ $# -gt 0 ]; then
  exec "$tlvn" "$@"
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/tlvn-demo.XXXXXX")
trap 'rm -rf "$demo"' EXIT
mkdir -p "$demo/photos/2026" "$demo/letters"
printf 'Dear Ann,\nthe tree is planted.\n' >"$demo/letters/ann.txt"
printf 'Dear Bob,\nsee you on Monday.\n' >"$demo/letters/bob.txt"
head -c 300000 /dev/urandom >"$demo/photos/2026/lake.jpg"
head -c 120000 /dev/urandom >"$demo/photos/2026/hill.jpg"
printf 'Tolvane demo tree\n' >"$demo/readme.txt"

echo "\$ tlvn -u -p2 $demo"
"$tlvn" -u -p2 "$demo" || true
echo
echo "# change letters/ann.txt, delete photos/2026/hill.jpg, add photos/2026/river.jpg"
sleep 2 # file times have a two-second grain: the change must come after the list
printf 'Dear Ann,\nthe tree is planted twice.\n' >"$demo/letters/ann.txt"
rm "$demo/photos/2026/hill.jpg"
head -c 50000 /dev/urandom >"$demo/photos/2026/river.jpg"
echo
echo "\$ tlvn -v -p2 $demo"
status=0
"$tlvn" -v -p2 "$demo" || status=$?
echo
echo "exit code of the verify: $status"
