#!/usr/bin/env bash
# Speed of tlvn against md5sum, sha256sum, rhash, OpenSSL and Python on data made here, in one run.
# Prints a Markdown table: per case our time, the peer's time and the speed ratio
# (peer time / our time: above 1 means we are faster). Every time is the best of
# BENCH_REPEAT runs with a warm cache; "cpu" is user + system time of that run.
#
# Sizes (environment, defaults in brackets):
#   BENCH_BIG_MIB [1024]        the one big file
#   BENCH_SMALL_FILES [20000]   small files of 1 to 16 KiB ...
#   BENCH_SMALL_DIRS [200]      ... spread over this many folders
#   BENCH_LARGE_FILES [200]     large files of 1 to BENCH_LARGE_MAX_MIB [20] MiB
#   BENCH_MEM_FILES [100000]    files of the peak-memory tree (in BENCH_MEM_FILES/100 folders)
#   BENCH_REPEAT [3]
# Programs: BENCH_BUILD [build/bench] (native build folder, configured and built if needed),
#   BENCH_WIN_BUILD [build/win64] (its tlvn.exe is measured under Wine when it exists),
#   BENCH_DIR [a new temporary folder] (kept only when given).
# A quick run: BENCH_BIG_MIB=64 BENCH_SMALL_FILES=2000 BENCH_SMALL_DIRS=20 BENCH_LARGE_FILES=10 \
#   BENCH_MEM_FILES=10000 BENCH_REPEAT=1 bench/run.sh
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
BIG_MIB=${BENCH_BIG_MIB:-1024}
SMALL_FILES=${BENCH_SMALL_FILES:-20000}
SMALL_DIRS=${BENCH_SMALL_DIRS:-200}
LARGE_FILES=${BENCH_LARGE_FILES:-200}
LARGE_MAX_MIB=${BENCH_LARGE_MAX_MIB:-20}
MEM_FILES=${BENCH_MEM_FILES:-100000}
REPEAT=${BENCH_REPEAT:-3}
build=$(cd "$repo" && mkdir -p "${BENCH_BUILD:-build/bench}" && cd "${BENCH_BUILD:-build/bench}" && pwd)
win_build="$repo/${BENCH_WIN_BUILD:-build/win64}"

xvfb_pid=
if [ -n "${BENCH_DIR:-}" ]; then
    data=$BENCH_DIR
    mkdir -p "$data"
else
    data=$(mktemp -d /tmp/tlvn-bench.XXXXXX)
fi
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -z "${BENCH_DIR:-}" ]; then
        rm -rf "$data"
    fi
}
trap cleanup EXIT

for tool in openssl python3 md5sum sha256sum rhash /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 2; }
done

echo "Building tlvn and digest_bench in $build ..." >&2
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTLVN_TESTS=OFF >/dev/null
cmake --build "$build" --target tlvn digest_bench -j2 >/dev/null
tlvn=$build/cli/tlvn
digest_bench=$build/bench/digest_bench

# ---------------------------------------------------------------- data
make_data() {
    python3 - "$data" "$BIG_MIB" "$SMALL_FILES" "$SMALL_DIRS" "$LARGE_FILES" "$LARGE_MAX_MIB" \
        "$MEM_FILES" <<'PY'
import os, random, sys
root = sys.argv[1]
big_mib, small, small_dirs, large, large_max, mem = map(int, sys.argv[2:])
rnd = random.Random(20261207)

def write(path, size):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        while size > 0:
            n = min(size, 1 << 22)
            f.write(rnd.randbytes(n))
            size -= n

def tree(name, files, dirs, low, high):
    stamp = os.path.join(root, name + ".made")
    if os.path.exists(stamp):
        return
    for i in range(files):
        d = i % dirs
        write(os.path.join(root, name, "d%04d" % d, "f%06d.bin" % i), rnd.randint(low, high))
    open(stamp, "w").close()

if not os.path.exists(os.path.join(root, "big.made")):
    write(os.path.join(root, "big", "big.bin"), big_mib << 20)
    open(os.path.join(root, "big.made"), "w").close()
tree("small", small, small_dirs, 1 << 10, 16 << 10)
tree("large", large, 1, 1 << 20, large_max << 20)
tree("mem", mem, max(1, mem // 100), 1, 1024)
PY
}

echo "Making data in $data ..." >&2
make_data
mkdir -p "$data/lists"
warm() { find "$@" -type f -print0 | xargs -0 cat >/dev/null; }

# ---------------------------------------------------------------- timing
# measure NAME COMMAND...: best elapsed of REPEAT runs; sets t_NAME (elapsed) and c_NAME (cpu).
measure() {
    local name=$1 best= bestcpu= i e u s
    shift
    for ((i = 0; i < REPEAT; i++)); do
        /usr/bin/time -f "%e %U %S" -o "$data/time.txt" "$@" >/dev/null 2>&1 || true
        read -r e u s <"$data/time.txt" || { echo "bench: $name did not run" >&2; return 1; }
        if [ -z "$best" ] || awk "BEGIN{exit !($e < $best)}"; then
            best=$e
            bestcpu=$(awk "BEGIN{printf \"%.2f\", $u + $s}")
        fi
    done
    printf -v "t_$name" '%s' "$best"
    printf -v "c_$name" '%s' "$bestcpu"
}

ratio() { awk "BEGIN{ if ($2 > 0) printf \"%.2f\", $1 / $2; else print \"-\" }"; }

rows=()
# row CASE OURS PEER_LABEL PEER: one table line comparing two measured names.
row() {
    local t_ours="t_$2" c_ours="c_$2" t_peer="t_$4" c_peer="c_$4"
    rows+=("| $1 | ${!t_ours} (${!c_ours}) | $3 | ${!t_peer} (${!c_peer}) | $(ratio "${!t_peer}" "${!t_ours}") | $(ratio "${!c_peer}" "${!c_ours}") |")
}

# ---------------------------------------------------------------- digests over the big file
big=$data/big/big.bin
py_md5='import hashlib,sys
h=hashlib.md5(); f=open(sys.argv[1],"rb",buffering=0)
for b in iter(lambda: f.read(65536), b""): h.update(b)
print(h.hexdigest())'
py_crc='import zlib,sys
c=0; f=open(sys.argv[1],"rb",buffering=0)
for b in iter(lambda: f.read(65536), b""): c=zlib.crc32(b,c)
print("%08X" % c)'

echo "Digests over ${BIG_MIB} MiB ..." >&2
warm "$data/big"
measure md5_bare "$digest_bench" md5 "$big"
measure md5_tlvn "$tlvn" -u -s- -o+ -p0 -f0 -n "$data/lists/big.md5" "$data/big"
measure md5_openssl openssl dgst -md5 "$big"
measure md5_python python3 -c "$py_md5" "$big"
measure crc_bare "$digest_bench" crc32 "$big"
measure crc_table "$digest_bench" crc32 --portable "$big"
measure crc_tlvn "$tlvn" -u -s- -o+ -p0 -f1 -n "$data/lists/big.sfv" "$data/big"
measure crc_zlib python3 -c "$py_crc" "$big"
measure crc_rhash rhash --crc32 "$big"
row "MD5, ${BIG_MIB} MiB file, digest_bench" md5_bare "openssl dgst -md5" md5_openssl
row "MD5, ${BIG_MIB} MiB file, tlvn -u" md5_tlvn "openssl dgst -md5" md5_openssl
row "MD5, ${BIG_MIB} MiB file, digest_bench" md5_bare "Python hashlib.md5" md5_python
row "CRC-32, ${BIG_MIB} MiB file, digest_bench" crc_bare "Python zlib.crc32, 64 KiB blocks" crc_zlib
row "CRC-32, ${BIG_MIB} MiB file, tlvn -u -f1" crc_tlvn "Python zlib.crc32, 64 KiB blocks" crc_zlib
row "CRC-32, ${BIG_MIB} MiB file, digest_bench" crc_bare "rhash --crc32" crc_rhash
row "CRC-32, ${BIG_MIB} MiB file, digest_bench" crc_bare "our table path (--portable)" crc_table
measure sha_tlvn "$tlvn" -u -s- -o+ -p0 -f2 -n "$data/lists/big.sha256" "$data/big"
measure sha_openssl openssl dgst -sha256 "$big"
measure sha_sha256sum sha256sum "$big"
row "SHA-256, ${BIG_MIB} MiB file, tlvn -u -f2" sha_tlvn "openssl dgst -sha256" sha_openssl
row "SHA-256, ${BIG_MIB} MiB file, tlvn -u -f2" sha_tlvn "sha256sum" sha_sha256sum

# ---------------------------------------------------------------- trees
# tree_cases NAME LABEL: update and verify one tree with tlvn and the peers (MD5 lists).
tree_cases() {
    local name=$1 label=$2 dir=$data/$1 lists=$data/lists
    echo "Tree $name ..." >&2
    warm "$dir"
    measure "${name}_u" "$tlvn" -u -s+ -o+ -p0 -f0 -n "$lists/$name.tlvn.md5" "$dir"
    measure "${name}_v" "$tlvn" -v -s+ -p0 -f0 -n "$lists/$name.tlvn.md5" "$dir"
    measure "${name}_md5sum" bash -c "cd '$dir' && find . -type f -print0 | xargs -0 md5sum >'$lists/$name.md5sum'"
    measure "${name}_md5sum_c" bash -c "cd '$dir' && md5sum -c --quiet '$lists/$name.md5sum'"
    measure "${name}_rhash" bash -c "cd '$dir' && rhash -r --md5 . >'$lists/$name.rhash.md5'"
    measure "${name}_rhash_c" bash -c "cd '$dir' && rhash -c --skip-ok '$lists/$name.rhash.md5'"
    row "$label, update (tlvn -u)" "${name}_u" "find \\| xargs md5sum" "${name}_md5sum"
    row "$label, update (tlvn -u)" "${name}_u" "rhash -r --md5" "${name}_rhash"
    row "$label, verify (tlvn -v)" "${name}_v" "md5sum -c" "${name}_md5sum_c"
    row "$label, verify (tlvn -v)" "${name}_v" "rhash -c" "${name}_rhash_c"
}

tree_cases small "$SMALL_FILES files of 1-16 KiB"
measure small_sha "$tlvn" -u -s+ -o+ -p0 -f2 -n "$data/lists/small.tlvn.sha256" "$data/small"
measure small_sha256sum bash -c "cd '$data/small' && find . -type f -print0 | xargs -0 sha256sum >'$data/lists/small.sha256sum'"
row "$SMALL_FILES files of 1-16 KiB, update (tlvn -u -f2)" small_sha "find \\| xargs sha256sum" small_sha256sum
tree_cases large "$LARGE_FILES files of 1-$LARGE_MAX_MIB MiB"
measure large_bare bash -c "'$digest_bench' md5 '$data'/large/*/*"
row "$LARGE_FILES files of 1-$LARGE_MAX_MIB MiB, update (tlvn -u)" large_u "digest_bench md5, same files" large_bare

# ---------------------------------------------------------------- the Windows program under Wine
tlvn_exe=$(find "$win_build" -name tlvn.exe -print -quit 2>/dev/null || true)
wine_note="tlvn.exe not found in $win_build: Wine not measured"
if [ -n "$tlvn_exe" ] && command -v Xvfb >/dev/null; then
    echo "tlvn.exe under Wine ..." >&2
    # shellcheck disable=SC1091
    . "$repo/scripts/wine-env.sh" "$win_build"
    winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
    # One display and one Wine server for all runs: their start is not the program's time.
    Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$data/display.txt" >/dev/null 2>&1 &
    xvfb_pid=$!
    while [ ! -s "$data/display.txt" ]; do sleep 0.1; done
    export DISPLAY=":$(cat "$data/display.txt")"
    $WINESERVER -p
    "$WINE" cmd /c exit >/dev/null 2>&1 || true
    measure exe_start "$WINE" cmd /c exit
    measure small_exe "$WINE" "$tlvn_exe" /u /s+ /o+ /p0 /f0 /n "$(winpath "$data/lists/small.exe.md5")" \
        /a "$(winpath "$data/lists/exe.log")" "$(winpath "$data/small")"
    $WINESERVER -k || true
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
    rows+=("| $SMALL_FILES small files, update: tlvn.exe under Wine | ${t_small_exe} (${c_small_exe}) | tlvn -u native | ${t_small_u} (${c_small_u}) | $(ratio "$t_small_u" "$t_small_exe") | $(ratio "$c_small_u" "$c_small_exe") |")
    wine_note="Wine process start alone (wine64 cmd /c exit, server running): ${t_exe_start} s, included in the tlvn.exe time."
fi

# ---------------------------------------------------------------- peak memory
echo "Peak memory over $MEM_FILES files ..." >&2
max_rss() {
    /usr/bin/time -f "%M" -o "$data/rss.txt" "$@" >/dev/null 2>&1 || true
    echo $(($(cat "$data/rss.txt") / 1024))
}
warm "$data/mem"
rss_u=$(max_rss "$tlvn" -u -s+ -o+ -p0 -f0 -n "$data/lists/mem.md5" "$data/mem")
rss_v=$(max_rss "$tlvn" -v -s+ -p0 -f0 -n "$data/lists/mem.md5" "$data/mem")
rss_big=$(max_rss "$tlvn" -u -s- -o+ -p0 -f0 -n "$data/lists/big.md5" "$data/big")

# ---------------------------------------------------------------- report
echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Times in seconds, best of $REPEAT, elapsed (cpu). Ratio = peer time / our time."
echo
echo "| Case | Ours s | Peer | Peer s | Ratio | Ratio (cpu) |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
echo "Files per second, $SMALL_FILES small files: update $(awk "BEGIN{printf \"%.0f\", $SMALL_FILES / $t_small_u}"), verify $(awk "BEGIN{printf \"%.0f\", $SMALL_FILES / $t_small_v}")."
echo "Peak memory (max RSS): $MEM_FILES files update ${rss_u} MiB, verify ${rss_v} MiB; ${BIG_MIB} MiB file update ${rss_big} MiB."
echo "$wine_note"
