#!/usr/bin/env bash
# Runs ctest in a Windows build folder under Wine: wine64 for an x86_64 build, 32-bit Wine
# for an i686 one (scripts/wine-env.sh). Call it inside xvfb-run; arguments after the build
# folder go to ctest (-R PATTERN runs a part). A whole run that passes notes the digests of
# the tested tlvn.exe and tlvn.chm in <build>/tested.sha256, which scripts/release.sh reads.
set -u
build=${1:-build/win64}
. scripts/wine-env.sh "$build" || exit 2
rm -f "$build/tested.sha256"
# One persistent Wine server, and Wine's background processes started here with their output
# sent elsewhere: otherwise they inherit the pipe of the first test, and ctest waits for them
# to linger out after every test.
$WINESERVER -p
$WINE cmd /c exit >/dev/null 2>&1 </dev/null
# Now and then Wine fails to start a test's process at all (no output, exit after 0.02 s, seen
# once in a full run): a failed test runs a second time. A test that fails twice still fails.
(cd "$build" && ctest --output-on-failure --repeat until-pass:2 "${@:2}")
rc=$?
$WINESERVER -k
if [ "$rc" -eq 0 ] && [ $# -le 1 ]; then
  (cd "$build" && sha256sum shell/tlvn.exe shell/tlvn.chm >tested.sha256)
fi
exit $rc
