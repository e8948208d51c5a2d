#!/usr/bin/env bash
# Lays out a release of the shipped program, 32-bit tlvn.exe, with its help file, ready to
# copy to a Windows machine:
#   dist/tlvn-<version>/  tlvn.exe (i686), tlvn.chm, README.txt
#   dist/tlvn-<version>.zip
# The files come from build/win32, the i686 build that ./scripts/test.sh tests under 32-bit
# Wine: its last whole Wine run must have passed on these very files (scripts/wine-ctest.sh
# notes their digests), or that run is made now; a failing test stops the release. The
# version is the one of project(VERSION) in CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

build=build/win32
cmake -S . -B "$build" --toolchain cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release \
  >/dev/null
cmake --build "$build" -j"$(nproc)"
if ! (cd "$build" && sha256sum --quiet -c tested.sha256) >/dev/null 2>&1; then
  echo "release: testing $build under 32-bit Wine"
  xvfb-run -a -s "-screen 0 1024x768x24" scripts/wine-ctest.sh "$build" >"$build/wine-ctest.log" 2>&1 ||
    { tail -n 30 "$build/wine-ctest.log"; echo "release: the tests of $build failed" >&2; exit 1; }
fi

version=$(sed -n 's/^#define TLVN_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/version.h")
[ -n "$version" ] || { echo "release: no version in $build/generated/version.h" >&2; exit 1; }
home=$(sed -n 's/^#define TLVN_HOME_PAGE "\(.*\)"$/\1/p' "$build/generated/version.h")
[ -n "$home" ] || { echo "release: no home page in $build/generated/version.h" >&2; exit 1; }
exe="$build/shell/tlvn.exe"
chm="$build/shell/tlvn.chm"
for f in "$exe" "$chm"; do
  [ -s "$f" ] || { echo "release: $f was not built" >&2; exit 1; }
done
# The shipped program must be 32-bit: a 64-bit file would not start on 32-bit Windows.
i686-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-i386' ||
  { echo "release: $exe is not a 32-bit Windows program" >&2; exit 1; }

name="tlvn-$version"
out="dist/$name"
rm -rf "$out" "dist/$name.zip"
mkdir -p "$out"
i686-w64-mingw32-strip -o "$out/tlvn.exe" "$exe"
cp "$chm" "$out/tlvn.chm"
# Windows line ends, so that Notepad shows the lines.
sed 's/$/\r/' > "$out/README.txt" <<TEXT
Tolvane $version
================

Tolvane creates and verifies checksum files (md5sum and SFV lists) for whole
folder trees.

Install: copy tlvn.exe and tlvn.chm into one folder of your choice and start
tlvn.exe. Nothing else is needed; the help file must stay next to the program
under the same name. Settings are kept in the registry under
HKEY_CURRENT_USER\\Software\\Quorvale\\tlvn (delete the key to start afresh).

Use: choose a folder, a file filter and a checksum-file name, then press
Update to write checksum files or Verify to check the files against them.
Press F1 or the "?" button for the help, which describes every control,
the five placement modes, both file formats, every log message and the
command line, for example:

    tlvn.exe /u /s+ /p2 /n md5sum.lst /o+ /a D:\\update.log D:\\Archive
    tlvn.exe /v /s+ /p2 /n md5sum.lst /a D:\\verify.log D:\\Archive

Runs on 32-bit and 64-bit Windows.

Home page: $home
TEXT

(cd dist && rm -f "$name.zip" && zip -q -r -X "$name.zip" "$name")
echo "release: $out"
ls -l "$out" "dist/$name.zip"
