#!/usr/bin/env bash
# Sets up a fresh machine, builds everything and runs every test: natively, and the
# Windows build under Wine (headless, in a private prefix). The i686 build is built
# only: this machine cannot run 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=$(nproc)
summary=()
run_ctest() { # name, build folder, ctest args...
  local name=$1 dir=$2; shift 2
  local out; out=$(mktemp)
  set +e
  (cd "$dir" && ctest --output-on-failure "$@") 2>&1 | tee "$out"
  local rc=${PIPESTATUS[0]}
  set -e
  local line; line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$out" | tail -n 1)
  summary+=("$name: ${line:-no result}")
  rm -f "$out"
  return $rc
}

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release
cmake --build build/native -j"$jobs"

cmake -S . -B build/win64 --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/win64 -j"$jobs"

cmake -S . -B build/win32 --toolchain cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/win32 -j"$jobs"

status=0
run_ctest native build/native -j"$jobs" || status=1

set +e
xvfb-run -a -s "-screen 0 1024x768x24" scripts/wine-ctest.sh build/win64 2>&1 |
  tee build/win64/wine-ctest.log
wine_rc=${PIPESTATUS[0]}
set -e
[ "$wine_rc" -eq 0 ] || status=1
summary+=("wine: $(grep -E 'tests passed, [0-9]+ tests failed out of' build/win64/wine-ctest.log | tail -n 1)")

echo
printf '%s\n' "${summary[@]}"
passed=0; failed=0
for s in "${summary[@]}"; do
  t=$(echo "$s" | sed -n 's/.* \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p')
  [ -n "$t" ] || { failed=$((failed + 1)); continue; }
  set -- $t
  failed=$((failed + $1)); passed=$((passed + $2 - $1))
done
echo "all: $passed passed, $failed failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
