#!/usr/bin/env bash
# Installs every Debian package that building and testing Tolvane needs. Idempotent:
# when everything is there it only checks and exits.
set -euo pipefail

packages=(
  # native build and tests
  g++ make cmake googletest python3
  # fuzzing (libFuzzer and sanitizers come with clang's runtime)
  clang libclang-rt-14-dev
  # the Windows builds and running them headless
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 fonts-wine xvfb xauth imagemagick
  # the help file compiler (chmcmd) and the release zip
  fp-utils-3.2.2 zip
  # peers for interoperability tests and benchmarks
  coreutils rhash cksfv openssl hyperfine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
