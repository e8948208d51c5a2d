#!/usr/bin/env bash
# Installs every Debian package that building and testing Tolvane needs, with the i386
# architecture for the 32-bit Wine that runs the shipped i686 program. Idempotent: when
# everything is there it only checks and exits.
set -euo pipefail

packages=(
  # native build and tests
  g++ make cmake googletest python3
  # small files read through io_uring (optional: without it they are read as elsewhere)
  liburing-dev
  # fuzzing (libFuzzer and sanitizers come with clang's runtime)
  clang libclang-rt-14-dev
  # the Windows builds and running them headless
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 fonts-wine xvfb xauth imagemagick
  # the help file compiler (chmcmd) and the release zip
  fp-utils-3.2.2 zip
  # peers for interoperability tests and benchmarks
  coreutils rhash cksfv openssl hyperfine b3sum xxhash
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# wine32:i386 comes from the i386 half of the archive, which apt reads from its next update
# on (the update below: wine32 is missing while the architecture is new).
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
