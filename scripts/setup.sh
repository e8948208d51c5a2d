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
# A mirror in the middle of a sync serves index files of the wrong size for a while: try
# again, and install from what the indexes already read offer if it still fails.
for attempt in 1 2 3; do
  $SUDO apt-get update -q && break
  echo "setup: apt-get update failed (attempt $attempt of 3)"
  [ "$attempt" -lt 3 ] && sleep 30
done
apt_install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@"; }
apt_install "${missing[@]}" && exit 0
# The i386 packages must match their amd64 halves' versions: an i386 index the mirror could
# not serve leaves wine32 uninstallable. Everything else is installed, and the tests say
# that the i686 build was not run.
rest=()
for p in "${missing[@]}"; do
  [ "$p" = wine32:i386 ] || rest+=("$p")
done
[ ${#rest[@]} -lt ${#missing[@]} ] || exit 1
echo "setup: wine32:i386 could not be installed; installing the rest"
[ ${#rest[@]} -eq 0 ] || apt_install "${rest[@]}"
