# Source me: the Wine environment of the tests, with a private prefix inside the given
# build folder (default build/win64). Creates the prefix once, set up for headless runs.
tlvn_build=${1:-build/win64}
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver64
export WINEPREFIX=$(cd "$tlvn_build" && pwd)/wineprefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.tlvn-ready" ]; then
  rm -rf "$WINEPREFIX"
  $WINE wineboot -i >/dev/null 2>&1
  # No window manager under Xvfb: unmanaged windows avoid a 2 s wait per hidden window.
  $WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # A crash must end the process, not open a dialog that waits forever.
  $WINE reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  $WINESERVER -w
  touch "$WINEPREFIX/.tlvn-ready"
fi
