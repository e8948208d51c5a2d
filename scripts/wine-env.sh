# Source me: the Wine environment of the tests, with a private prefix inside the given
# build folder (default build/win64), or in the folder named second. The build's processor
# picks the Wine: wine64 and a 64-bit prefix for an x86_64 build, 32-bit wine and a 32-bit
# prefix for an i686 build. One wineserver serves both. Creates the prefix once, set up
# for headless runs.
tlvn_build=${1:-build/win64}
tlvn_processor=$(sed -n 's/^set(CMAKE_SYSTEM_PROCESSOR "\(.*\)")$/\1/p' \
  "$tlvn_build"/CMakeFiles/*/CMakeSystem.cmake 2>/dev/null | head -n 1)
case $tlvn_processor in
  x86_64) export WINE=/usr/lib/wine/wine64 WINEARCH=win64 ;;
  i686) export WINE=/usr/lib/wine/wine WINEARCH=win32 ;;
  *)
    echo "wine-env.sh: $tlvn_build is not a configured Windows build folder" >&2
    return 1
    ;;
esac
export WINESERVER=/usr/lib/wine/wineserver64
tlvn_prefix=${2:-$tlvn_build/wineprefix}
export WINEPREFIX=$(cd "${tlvn_prefix%/*}" && pwd)/${tlvn_prefix##*/}
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

# For the screenshot scripts: a throw-away copy of the prefix in folder $1, used from here
# on; with a size as $2 it gets a virtual desktop of that size, so windows get their frames.
tlvn_copy_prefix() { # folder [desktop size]
  mkdir -p "$1/prefix"
  cp -a "$WINEPREFIX/." "$1/prefix/"
  export WINEPREFIX=$1/prefix
  if [ -n "${2:-}" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$2" /f >/dev/null 2>&1
    "$WINESERVER" -k || true
  fi
}
