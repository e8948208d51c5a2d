#!/usr/bin/env bash
# Sets up a fresh machine, builds everything and runs every test: natively, then the
# Windows builds under Wine (headless, each in a private prefix): the x86_64 build under
# wine64 and the shipped i686 build under 32-bit Wine, the two at once.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=$(nproc)

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release
cmake --build build/native -j"$jobs"

cmake -S . -B build/win64 --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/win64 -j"$jobs"

cmake -S . -B build/win32 --toolchain cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build/win32 -j"$jobs"

# The counts of a ctest log: "passed failed skipped"; ctest counts a skipped test as passed.
counts() { # log
  local line total failed skipped
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$1" | tail -n 1)
  [ -n "$line" ] || return 1
  failed=$(echo "$line" | sed 's/.* \([0-9]*\) tests failed out of.*/\1/')
  total=$(echo "$line" | sed 's/.* out of \([0-9]*\).*/\1/')
  skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .* \(Skipped\)$' "$1" || true)
  echo "$((total - failed - skipped)) $failed $skipped"
}

# Each Wine run on an X server of its own; the two prefixes and servers share nothing.
wine_ctest() { # build folder
  xvfb-run -a -s "-screen 0 1024x768x24" scripts/wine-ctest.sh "$1" >"$1/wine-ctest.log" 2>&1
}

# A kernel may run no 32-bit programs at all (seen on a virtual machine whose kernel has the
# 32-bit support built in: "Exec format error"): 32-bit Wine cannot start there, so the i686
# build is built but not run, and the summary says so.
runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1 || [ $? -ne 126 ]; }

status=0
(cd build/native && ctest --output-on-failure -j"$jobs") 2>&1 | tee build/native/ctest.log ||
  status=1

wine32=
wine32_why=
rm -f build/win32/wine-ctest.log
# 32-bit Wine may also be missing: setup installs the rest when the mirror cannot serve it.
if [ ! -x /usr/lib/wine/wine ]; then
  wine32_why="32-bit Wine is not installed (see setup's output)"
elif ! runs_32bit; then
  wine32_why="this machine's kernel runs no 32-bit programs"
else
  wine_ctest build/win32 &
  wine32=$!
fi
set +e
wine_ctest build/win64
wine64_rc=$?
wine32_rc=0
if [ -n "$wine32" ]; then
  wait $wine32
  wine32_rc=$?
fi
set -e
cat build/win64/wine-ctest.log
[ -z "$wine32" ] || cat build/win32/wine-ctest.log
[ "$wine64_rc" -eq 0 ] && [ "$wine32_rc" -eq 0 ] || status=1

# The checksum-file reader's fuzz target, for a bounded time (60 s unless TLVN_FUZZ_SECONDS).
fuzz_seconds=${TLVN_FUZZ_SECONDS:-60}
if ./scripts/fuzz.sh "$fuzz_seconds" >build/fuzz.log 2>&1; then
  fuzz_result="fuzz: $(grep -oE 'Done [0-9]+ runs in [0-9]+ second' build/fuzz.log | tail -n 1)s, clean"
else
  fuzz_result="fuzz: FAILED, see build/fuzz.log"
  status=1
fi

echo
passed=0; failed=0; skipped=0
for run in native:build/native/ctest.log wine64:build/win64/wine-ctest.log \
  wine32:build/win32/wine-ctest.log; do
  if [ "${run%%:*}" = wine32 ] && [ -z "$wine32" ]; then
    echo "wine32: not run: $wine32_why (build/win32 is built)"
    continue
  fi
  if c=$(counts "${run#*:}"); then
    set -- $c
  else
    set -- 0 1 0 # no result at all counts as a failure
  fi
  echo "${run%%:*}: $1 passed, $2 failed, $3 skipped"
  passed=$((passed + $1)); failed=$((failed + $2)); skipped=$((skipped + $3))
done
echo "$fuzz_result"
echo "all: $passed passed, $failed failed, $skipped skipped"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
