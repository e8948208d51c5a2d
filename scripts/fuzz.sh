#!/usr/bin/env bash
# Builds the checksum-file fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
# Usage: scripts/fuzz.sh [seconds, default 60] [extra libFuzzer options...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
out=build/fuzz
mkdir -p "$out/corpus"
# Configuring makes the generated headers the engine includes.
cmake -S . -B "$out" -DTLVN_TESTS=OFF >/dev/null
clang++ -std=c++17 -g -O1 -I. -I"$out/generated" \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  fuzz/checksum_lines_fuzz.cpp engine/*.cpp \
  platform/files_posix.cpp -o "$out/checksum_lines_fuzz"
# The seeds stay as they are; what the run learns goes to the build folder.
"$out/checksum_lines_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/" "$@" "$out/corpus" fuzz/seeds
