#!/usr/bin/env bash
# Memory and time of a Verify against a very long list, in a tree of one file: the list's
# entries name files that are gone, in a folder that is gone ("lost folder") or beside the
# one file ("lost files"). Prints, per case, the peak memory (max RSS) and the elapsed time
# of tlvn -v -p2, with and without -a, and the time of md5sum -c on the same list.
#
# Environment: BENCH_LIST_LINES [5000000] entries of the list; BENCH_TLVN [built in
# BENCH_BUILD, default build/bench] the tlvn to measure; BENCH_DIR [a new temporary folder]
# (kept only when given).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
LINES=${BENCH_LIST_LINES:-5000000}
for tool in md5sum python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 2; }
done
if [ -n "${BENCH_TLVN:-}" ]; then
    tlvn=$BENCH_TLVN
else
    build=$(cd "$repo" && mkdir -p "${BENCH_BUILD:-build/bench}" && cd "${BENCH_BUILD:-build/bench}" && pwd)
    echo "Building tlvn in $build ..." >&2
    cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTLVN_TESTS=OFF >/dev/null
    cmake --build "$build" --target tlvn -j2 >/dev/null
    tlvn=$build/cli/tlvn
fi
if [ -n "${BENCH_DIR:-}" ]; then
    data=$BENCH_DIR
    mkdir -p "$data"
else
    data=$(mktemp -d /tmp/tlvn-list-bench.XXXXXX)
    trap 'rm -rf "$data"' EXIT
fi

# measure LABEL COMMAND...: one run; "label: max RSS MiB, elapsed s".
measure() {
    local label=$1; shift
    /usr/bin/time -f '%M %e' -o "$data/time" "$@" >/dev/null 2>&1 || true
    # time puts "Command exited with non-zero status N" first when the run fails.
    read -r kib seconds < <(tail -n 1 "$data/time")
    awk -v c="$case" -v l="$label" -v k="$kib" -v s="$seconds" \
        'BEGIN { printf "| %s | %s | %.1f | %s |\n", c, l, k / 1024, s }'
}

echo "| Case ($LINES entries) | Run | Max RSS MiB | s |"
echo "|---|---|---|---|"
for case in "lost folder" "lost files"; do
    tree=$data/tree
    rm -rf "$tree" "$data/run.log"
    mkdir -p "$tree"
    echo hello >"$tree/a.txt"
    prefix=$([ "$case" = "lost folder" ] && echo "gone/" || echo "")
    python3 - "$tree/md5sum.lst" "$LINES" "$prefix" <<'PY'
import sys
path, lines, prefix = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(path, "w", newline="") as f:
    for n in range(lines):
        f.write("d41d8cd98f00b204e9800998ecf8427e *%sfile%08d.dat\r\n" % (prefix, n))
PY
    cat "$tree/md5sum.lst" >/dev/null
    measure "tlvn -v -p2" "$tlvn" -v -p2 "$tree"
    measure "tlvn -v -p2 -a LOG" "$tlvn" -v -p2 -a "$data/run.log" "$tree"
    measure "md5sum -c" sh -c "cd '$tree' && md5sum -c --quiet md5sum.lst"
done
