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
cmake -S . -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTLVN_TESTS=OFF \
  -DTLVN_FUZZ=ON >/dev/null
cmake --build "$out" --target checksum_lines_fuzz -j2 >/dev/null
# The seeds stay as they are; what the run learns goes to the build folder.
"$out/fuzz/checksum_lines_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$out/" "$@" "$out/corpus" fuzz/seeds
