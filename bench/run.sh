#!/usr/bin/env bash
# Speed of tlvn against md5sum, sha256sum, b3sum, xxhsum, rhash, cksfv and OpenSSL on data made here, of a
# quick update against a full update, of a verify with moved files or a report against a
# plain one, and of tlvn.exe under Wine against a bare Win32 program doing the least the same
# job needs.
# Every pair runs interleaved (ours, peer, peer, ours, ...) BENCH_REPEAT times with a warm
# cache, so a change of the machine's load hits both sides alike; the table gives the median
# with the min and max, and the ratio of the medians (peer time / our time: above 1 means we
# are faster). Under Wine the ratio is tlvn.exe's time as a multiple of the reference.
#
# Sizes (environment, defaults in brackets):
#   BENCH_BIG_MIB [1024]        the one big file
#   BENCH_SMALL_FILES [20000]   small files of 1 to 16 KiB ...
#   BENCH_SMALL_DIRS [200]      ... spread over this many folders
#   BENCH_LARGE_FILES [200]     large files of 1 to BENCH_LARGE_MAX_MIB [20] MiB
#   BENCH_TINY_FILES [100000]   files of 0 to 2 KiB, in BENCH_TINY_FILES/100 folders
#   BENCH_LONG_FILES [100000]   files of a few bytes in 100 folders 10 deep, every name 40
#                               characters long: the memory row of real-length paths
#   BENCH_REPEAT [5]            runs of each side of a pair
#   BENCH_ONLY [all]            an extended regular expression: only the cases whose name
#                               matches it run (BENCH_ONLY=BLAKE3 for the BLAKE3 rows)
#   BENCH_BASE_TLVN []          another tlvn (say, main's) that the clean verify also times
# Cold rows drop the page cache before every single run (sync; echo 3 >
#   /proc/sys/vm/drop_caches): they run only where that may be written (as root), and the
#   output says so when it may not.
# Programs: BENCH_BUILD [build/bench] (native build folder, configured and built if needed),
#   BENCH_WIN_BUILD [build/win64] (its tlvn.exe and win_floor.exe are run under Wine when
#   they exist), BENCH_DIR [a new temporary folder] (kept only when given).
# A quick run: BENCH_BIG_MIB=64 BENCH_SMALL_FILES=2000 BENCH_SMALL_DIRS=20 BENCH_LARGE_FILES=10 \
#   BENCH_TINY_FILES=10000 BENCH_REPEAT=3 bench/run.sh
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
BIG_MIB=${BENCH_BIG_MIB:-1024}
SMALL_FILES=${BENCH_SMALL_FILES:-20000}
SMALL_DIRS=${BENCH_SMALL_DIRS:-200}
LARGE_FILES=${BENCH_LARGE_FILES:-200}
LARGE_MAX_MIB=${BENCH_LARGE_MAX_MIB:-20}
TINY_FILES=${BENCH_TINY_FILES:-100000}
LONG_FILES=${BENCH_LONG_FILES:-100000}
REPEAT=${BENCH_REPEAT:-5}
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
        "${WINESERVER:-true}" -k 2>/dev/null || true
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -z "${BENCH_DIR:-}" ]; then
        rm -rf "$data"
    fi
}
trap cleanup EXIT

for tool in openssl md5sum sha256sum b3sum xxhsum rhash cksfv python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 2; }
done

echo "Building tlvn in $build ..." >&2
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTLVN_TESTS=OFF >/dev/null
cmake --build "$build" --target tlvn -j2 >/dev/null
tlvn=$build/cli/tlvn
# Every run names its worker count: by default the count follows the disk, and many virtual
# disks call themselves rotational.
workers=$(nproc)

# ---------------------------------------------------------------- data
echo "Making data in $data ..." >&2
python3 - "$data" "$BIG_MIB" "$SMALL_FILES" "$SMALL_DIRS" "$LARGE_FILES" "$LARGE_MAX_MIB" \
    "$TINY_FILES" "$LONG_FILES" <<'PY'
import os, random, sys
root = sys.argv[1]
big_mib, small, small_dirs, large, large_max, tiny, long_files = map(int, sys.argv[2:])
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
        write(os.path.join(root, name, "d%04d" % (i % dirs), "f%06d.bin" % i), rnd.randint(low, high))
    open(stamp, "w").close()

if not os.path.exists(os.path.join(root, "big.made")):
    write(os.path.join(root, "big", "big.bin"), big_mib << 20)
    open(os.path.join(root, "big.made"), "w").close()
tree("small", small, small_dirs, 1 << 10, 16 << 10)
tree("large", large, 1, 1 << 20, large_max << 20)
tree("tiny", tiny, max(1, tiny // 100), 0, 2 << 10)

# 100 folders 10 deep (10 x 10 branches), every folder and file name 40 characters long.
if not os.path.exists(os.path.join(root, "long.made")):
    for i in range(long_files):
        a, b = (i % 100) // 10, i % 10
        parts = [("level%d-%d-" % (l, a if l < 5 else b)).ljust(40, "x") for l in range(10)]
        folder = os.path.join(root, "long", *parts)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, ("file-%07d-" % i).ljust(36, "y") + ".bin"), "wb") as f:
            f.write(b"%d" % i)
    open(os.path.join(root, "long.made"), "w").close()
PY
lists=$data/lists
mkdir -p "$lists"
warm() { find "$@" -type f -print0 | xargs -0 cat >/dev/null; }

# ---------------------------------------------------------------- timing
# Cold rows: the page cache is dropped before every run (cold=1) where that may be done.
cold=0
may_drop=0
if [ -w /proc/sys/vm/drop_caches ]; then
    may_drop=1
fi

# once COMMAND: the elapsed seconds of one run of a shell command, output discarded.
once() {
    if ((cold)); then
        sync
        echo 3 >/proc/sys/vm/drop_caches
    fi
    local start=$EPOCHREALTIME rc=0
    (eval "$1") >/dev/null 2>&1 || rc=$?
    # A run that failed is no time of the job: its row says so instead of a ratio.
    if ((rc != 0)); then
        echo "bench: exit code $rc: $1" >&2
        touch "$data/failed"
    fi
    awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.3f", e - s }'
}

# spread TIMES...: "median min max" of the times.
spread() {
    printf '%s\n' "$@" | sort -g | awk '{ t[NR] = $1 }
        END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
              printf "%.3f %.3f %.3f", m, t[1], t[NR] }'
}

shown() { printf '%.2f (%.2f-%.2f)' "$1" "$2" "$3"; }

rows=()
wine_rows=()
# wanted CASE: whether the case is to run.
wanted() { [ -z "${BENCH_ONLY:-}" ] || [[ $1 =~ $BENCH_ONLY ]]; }
# timed COMMAND [LOG]: once COMMAND; with LOG, the run's own time instead, from the last
# "Processed ... for N s" line of the log it saves (what Wine's start and end cost is left out).
timed() {
    if [ -z "${2:-}" ]; then
        once "$1"
        return
    fi
    once "$1" >/dev/null
    sed -n 's/.* for \([0-9.]*\)s, with average rate.*/\1/p' "$2" | tail -n 1
}
# pair CASE OURS_LABEL OURS_COMMAND PEER_LABEL PEER_COMMAND [wine [OURS_LOG PEER_LOG]]: the
# two commands run interleaved, ABBA, REPEAT times each; one table row. With "wine" the row
# goes to the Wine table and its ratio is our time / the peer's; with the logs, the times are
# the runs' own (see timed).
pair() {
    local ours=() peer=() i om omin omax pm pmin pmax ratio
    wanted "$1" || return 0
    for ((i = 0; i < REPEAT; i++)); do
        if ((i % 2 == 0)); then
            ours+=("$(timed "$3" "${7:-}")")
            peer+=("$(timed "$5" "${8:-}")")
        else
            peer+=("$(timed "$5" "${8:-}")")
            ours+=("$(timed "$3" "${7:-}")")
        fi
    done
    local failed=
    if [ -e "$data/failed" ]; then
        failed=1
        rm -f "$data/failed"
    fi
    read -r om omin omax <<<"$(spread "${ours[@]}")"
    read -r pm pmin pmax <<<"$(spread "${peer[@]}")"
    local row
    if [ "${6:-}" = wine ]; then
        ratio=$(awk -v o="$om" -v p="$pm" 'BEGIN { printf (p > 0 ? "%.2f" : "-"), o / p }')
    else
        ratio=$(awk -v o="$om" -v p="$pm" 'BEGIN { printf (o > 0 ? "%.2f" : "-"), p / o }')
    fi
    [ -z "$failed" ] || ratio=failed
    row="| $1 | $2 | $(shown "$om" "$omin" "$omax") | $4 | $(shown "$pm" "$pmin" "$pmax") | $ratio |"
    if [ "${6:-}" = wine ]; then
        wine_rows+=("$row")
    else
        rows+=("$row")
    fi
    echo "  $1: $2 $om, $4 $pm" >&2
    last_ours=$om last_peer=$pm
}

# ---------------------------------------------------------------- one big file
big=$data/big/big.bin
echo "One file of ${BIG_MIB} MiB ..." >&2
warm "$data/big"
case_big="MD5, ${BIG_MIB} MiB file"
pair "$case_big" "tlvn -u" "'$tlvn' -j$workers -u -s- -o+ -p0 -f0 -n '$lists/big.md5' '$data/big'" \
    "openssl dgst -md5" "openssl dgst -md5 '$big'"
case_big="CRC-32, ${BIG_MIB} MiB file"
pair "$case_big" "tlvn -u -f1" "'$tlvn' -j$workers -u -s- -o+ -p0 -f1 -n '$lists/big.sfv' '$data/big'" \
    "rhash --crc32" "rhash --crc32 '$big'"
case_big="SHA-256, ${BIG_MIB} MiB file"
sha_big="'$tlvn' -j$workers -u -s- -o+ -p0 -f2 -n '$lists/big.sha256' '$data/big'"
pair "$case_big" "tlvn -u -f2" "$sha_big" "openssl dgst -sha256" "openssl dgst -sha256 '$big'"
pair "$case_big" "tlvn -u -f2" "$sha_big" "sha256sum" "sha256sum '$big'"
pair "BLAKE3, ${BIG_MIB} MiB file" "tlvn -u -f3" \
    "'$tlvn' -j$workers -u -s- -o+ -p0 -f3 -n '$lists/big.b3' '$data/big'" "b3sum" "b3sum '$big'"
pair "XXH3-128, ${BIG_MIB} MiB file" "tlvn -u -f4" \
    "'$tlvn' -j$workers -u -s- -o+ -p0 -f4 -n '$lists/big.xxh128' '$data/big'" "xxhsum -H2" "xxhsum -H2 '$big'"

# ---------------------------------------------------------------- trees
# tree_cases NAME LABEL: update and verify of one tree (MD5 lists) against the peers on one
# core and on two; the SFV verify against cksfv for the tiny files.
tree_cases() {
    local name=$1 label=$2 dir=$data/$1
    (cd "$dir" && find . -type f | sort >"$lists/$name.files")
    wanted "$label, update" || wanted "$label, verify" || return 0
    echo "$label ..." >&2
    warm "$dir"
    local u="'$tlvn' -j$workers -u -s+ -o+ -p0 -f0 -n '$lists/$name.md5' '$dir'"
    local v="'$tlvn' -j$workers -v -s+ -p0 -f0 -n '$lists/$name.md5' '$dir'"
    (cd "$dir" && xargs -d '\n' md5sum <"$lists/$name.files" >"$lists/$name.md5sum")
    split -n l/2 "$lists/$name.md5sum" "$lists/$name.half."
    pair "$label, update" "tlvn -u" "$u" "xargs md5sum" \
        "cd '$dir' && xargs -d '\n' md5sum <'$lists/$name.files'"
    pair "$label, update" "tlvn -u" "$u" "xargs -P2 md5sum" \
        "cd '$dir' && xargs -d '\n' -P2 -n 1000 md5sum <'$lists/$name.files'"
    pair "$label, update" "tlvn -u" "$u" "rhash -r --md5" "cd '$dir' && rhash -r --md5 ."
    eval "$u" >/dev/null
    pair "$label, verify" "tlvn -v" "$v" "md5sum -c" "cd '$dir' && md5sum -c --quiet '$lists/$name.md5sum'"
    pair "$label, verify" "tlvn -v" "$v" "md5sum -c, two halves at once" \
        "cd '$dir' && { md5sum -c --quiet '$lists/$name.half.aa' & md5sum -c --quiet '$lists/$name.half.ab'; wait; }"
    pair "$label, verify" "tlvn -v" "$v" "rhash -c" "cd '$dir' && rhash -c --skip-ok '$lists/$name.md5sum'"
}

tree_cases small "$SMALL_FILES files of 1-16 KiB"
pair "$SMALL_FILES files of 1-16 KiB, update" "tlvn -u -f2" \
    "'$tlvn' -j$workers -u -s+ -o+ -p0 -f2 -n '$lists/small.sha256' '$data/small'" "xargs sha256sum" \
    "cd '$data/small' && xargs -d '\n' sha256sum <'$lists/small.files'"
wanted "$SMALL_FILES files of 1-16 KiB, update, BLAKE3" && warm "$data/small"
pair "$SMALL_FILES files of 1-16 KiB, update, BLAKE3" "tlvn -u -f3" \
    "'$tlvn' -j$workers -u -s+ -o+ -p0 -f3 -n '$lists/small.b3' '$data/small'" "xargs b3sum" \
    "cd '$data/small' && xargs -d '\n' b3sum <'$lists/small.files'"
tree_cases large "$LARGE_FILES files of 1-$LARGE_MAX_MIB MiB"
tree_cases tiny "$TINY_FILES files of 0-2 KiB"
# SFV: cksfv checks one list at a time, so the list holds the whole tree.
"$tlvn" -j$workers -u -s+ -o+ -p0 -f1 -n "$lists/tiny.sfv" "$data/tiny" >/dev/null
pair "$TINY_FILES files of 0-2 KiB, verify" "tlvn -v (SFV)" \
    "'$tlvn' -j$workers -v -s+ -p0 -n '$lists/tiny.sfv' '$data/tiny'" \
    "cksfv -f" "cd '$data/tiny' && cksfv -q -f '$lists/tiny.sfv'"

# ---------------------------------------------------------------- cold
# The same trees read from the disk: the page cache is dropped before every single run.
cold_note="Cold rows not run: the page cache cannot be dropped here (needs root)."
if ((may_drop)); then
    echo "Cold rows (page cache dropped before every run) ..." >&2
    # The lists the cold rows check, made here when BENCH_ONLY left out the warm rows.
    for name in small large; do
        if [ ! -s "$lists/$name.md5sum" ]; then
            (cd "$data/$name" && xargs -d '\n' md5sum <"$lists/$name.files" >"$lists/$name.md5sum")
            split -n l/2 "$lists/$name.md5sum" "$lists/$name.half."
        fi
    done
    [ -s "$lists/small.md5" ] ||
        "$tlvn" -j"$workers" -u -s+ -o+ -p0 -f0 -n "$lists/small.md5" "$data/small" >/dev/null
    cold=1
    small_u="'$tlvn' -j$workers -u -s+ -o+ -p0 -f0 -n '$lists/small.md5' '$data/small'"
    small_v="'$tlvn' -j$workers -v -s+ -p0 -f0 -n '$lists/small.md5' '$data/small'"
    pair "cold, $SMALL_FILES files of 1-16 KiB, verify" "tlvn -v" "$small_v" "md5sum -c" \
        "cd '$data/small' && md5sum -c --quiet '$lists/small.md5sum'"
    pair "cold, $SMALL_FILES files of 1-16 KiB, verify" "tlvn -v" "$small_v" \
        "md5sum -c, two halves at once" \
        "cd '$data/small' && { md5sum -c --quiet '$lists/small.half.aa' & md5sum -c --quiet '$lists/small.half.ab'; wait; }"
    pair "cold, $SMALL_FILES files of 1-16 KiB, update" "tlvn -u" "$small_u" "xargs -P2 md5sum" \
        "cd '$data/small' && xargs -d '\n' -P2 -n 1000 md5sum <'$lists/small.files'"
    pair "cold, $LARGE_FILES files of 1-$LARGE_MAX_MIB MiB, update" "tlvn -u" \
        "'$tlvn' -j$workers -u -s+ -o+ -p0 -f0 -n '$lists/large.md5' '$data/large'" "xargs -P2 md5sum" \
        "cd '$data/large' && xargs -d '\n' -P2 -n 1000 md5sum <'$lists/large.files'"
    pair "cold, MD5, ${BIG_MIB} MiB file" "tlvn -u" \
        "'$tlvn' -j$workers -u -s- -o+ -p0 -f0 -n '$lists/big.md5' '$data/big'" "md5sum" "md5sum '$big'"
    cold=0
    cold_note="Cold rows: sync and drop_caches before every single run; disks: $(lsblk -dno NAME,ROTA 2>/dev/null | awk '{ printf "%s%s rotational %s", sep, $1, $2; sep = ", " }')."
fi

# ---------------------------------------------------------------- quick update
# quick_case NAME LABEL CHANGED ADDED ADDED_KIB: a quick update against a full update of the
# tree after CHANGED files were rewritten and ADDED new files of ADDED_KIB were written
# after its list. Both sides start from a copy of the same old list (its date kept), so
# every run finds the same changes; the copy is part of both times.
quick_case() {
    local name=$1 label=$2 changed=$3 added=$4 added_kib=$5 dir=$data/$1
    wanted "$label, quick update" || return 0
    echo "$label, quick update ..." >&2
    find "$dir" -name 'quick-*.bin' -delete
    local list=$lists/$name.quick.md5 old=$lists/$name.quick.old
    "$tlvn" -j$workers -u -s+ -o+ -p0 -f0 -n "$list" "$dir" >/dev/null
    cp -p "$list" "$old"
    sleep 2 # file dates count in steps of two seconds
    local i folders=() files
    mapfile -t files < <(cd "$dir" && find . -name 'f*.bin' | sort | head -n "$changed")
    for ((i = 0; i < ${#files[@]}; i++)); do
        printf 'changed %d' "$i" | dd of="$dir/${files[i]}" conv=notrunc status=none
    done
    mapfile -t folders < <(cd "$dir" && find . -mindepth 1 -type d | sort)
    for ((i = 0; i < added; i++)); do
        head -c "$((added_kib * 1024))" /dev/urandom >"$dir/${folders[i % ${#folders[@]}]}/quick-$i.bin"
    done
    warm "$dir"
    pair "$label, $changed changed and $added added" "tlvn -u --quick" \
        "cp -p '$old' '$list' && '$tlvn' -j$workers -u --quick -s+ -o+ -p0 -f0 -n '$list' '$dir'" \
        "tlvn -u (full update)" "cp -p '$old' '$list' && '$tlvn' -j$workers -u -s+ -o+ -p0 -f0 -n '$list' '$dir'"
    find "$dir" -name 'quick-*.bin' -delete
}
quick_case large "$LARGE_FILES files of 1-$LARGE_MAX_MIB MiB" 5 5 $((LARGE_MAX_MIB * 512))
quick_case tiny "$TINY_FILES files of 0-2 KiB" 100 0 1

# ---------------------------------------------------------------- verify options
# A clean verify of the tiny files with moved files on (nothing is missing, so nothing more
# is read) and with a report, against a plain verify; and against another tlvn when given.
label="$TINY_FILES files of 0-2 KiB, clean verify"
if wanted "$label"; then
    echo "$label ..." >&2
    warm "$data/tiny"
    args="-s+ -p0 -f0 -n '$lists/tiny.md5' '$data/tiny'"
    eval "'$tlvn' -u -o+ $args" >/dev/null
    v="'$tlvn' -v $args"
    pair "$label" "tlvn -v --moved" "$v --moved" "tlvn -v" "$v"
    pair "$label" "tlvn -v --report" "$v --report '$lists/tiny.json'" "tlvn -v" "$v"
    if [ -n "${BENCH_BASE_TLVN:-}" ]; then
        pair "$label" "tlvn -v" "$v" "base tlvn -v" "'$BENCH_BASE_TLVN' -v $args"
    fi
fi

# ---------------------------------------------------------------- the Windows program under Wine
tlvn_exe=$(find "$win_build" -name tlvn.exe -print -quit 2>/dev/null || true)
floor_exe=$(find "$win_build" -name win_floor.exe -print -quit 2>/dev/null || true)
wine_note="tlvn.exe or win_floor.exe not found in $win_build: Wine not measured."
if [ -n "$tlvn_exe" ] && [ -n "$floor_exe" ] && command -v Xvfb >/dev/null; then
    echo "tlvn.exe under Wine ..." >&2
    # shellcheck disable=SC1091
    # A prefix of the benchmark's own, one per build (32-bit Wine refuses a 64-bit prefix):
    # no test run's program or server shares it.
    . "$repo/scripts/wine-env.sh" "$win_build" "$data/wineprefix-${win_build##*/}"
    winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
    # One display and one Wine server for all runs: their start is not the program's time.
    # A kept BENCH_DIR still holds the number of an earlier run's display.
    rm -f "$data/display.txt"
    Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$data/display.txt" >/dev/null 2>&1 &
    xvfb_pid=$!
    while [ ! -s "$data/display.txt" ]; do sleep 0.1; done
    export DISPLAY=":$(cat "$data/display.txt")"
    $WINESERVER -p
    "$WINE" cmd /c exit >/dev/null 2>&1 || true
    # The program keeps its options in the prefix's registry: settings left by earlier runs
    # (a detailed log, one worker) must not change what is measured.
    exe() { echo "'$WINE' '$tlvn_exe' /h0 /i0 /j$(nproc) $* /a '$(winpath "$lists/exe.log")'"; }
    # Per-folder lists: a tree-wide list with sub-folders would ask a question first.
    small=$(winpath "$data/small")
    pair "$SMALL_FILES files, update" "tlvn.exe /u" "$(exe /u /s+ /o+ /p2 /f0 /n wine.lst "'$small'")" \
        "floor: walk, read, MD5" "'$WINE' '$floor_exe' '$small'" wine
    pair "$SMALL_FILES files, verify" "tlvn.exe /v" "$(exe /v /s+ /p2 /f0 /n wine.lst "'$small'")" \
        "floor: walk, read, MD5" "'$WINE' '$floor_exe' '$small'" wine
    pair "MD5, ${BIG_MIB} MiB file" "tlvn.exe /u" \
        "$(exe /u /s- /o+ /p0 /f0 /n "'$(winpath "$lists/big.exe.md5")'" "'$(winpath "$data/big")'")" \
        "native tlvn -u" "'$tlvn' -j$workers -u -s- -o+ -p0 -f0 -n '$lists/big.md5' '$data/big'" wine
    # What a window program's start and end cost under Wine, on one byte, so the BLAKE3 row
    # can be told less it.
    mkdir -p "$data/one" && printf x >"$data/one/one.bin"
    last_ours= last_peer=
    pair "BLAKE3, 1-byte file" "tlvn.exe /u /f3" \
        "$(exe /u /s- /o+ /p0 /f3 /n "'$(winpath "$lists/one.exe.b3")'" "'$(winpath "$data/one")'")" \
        "native tlvn -u -f3" "'$tlvn' -j$workers -u -s- -o+ -p0 -f3 -n '$lists/one.b3' '$data/one'" wine
    start_ours=${last_ours:-} start_native=${last_peer:-}
    pair "BLAKE3, ${BIG_MIB} MiB file" "tlvn.exe /u /f3" \
        "$(exe /u /s- /o+ /p0 /f3 /n "'$(winpath "$lists/big.exe.b3")'" "'$(winpath "$data/big")'")" \
        "native tlvn -u -f3" "'$tlvn' -j$workers -u -s- -o+ -p0 -f3 -n '$lists/big.b3' '$data/big'" wine
    if [ -n "$start_ours" ] && wanted "BLAKE3, ${BIG_MIB} MiB file"; then
        wine_net=$(awk -v o="$last_ours" -v p="$last_peer" -v so="$start_ours" -v sp="$start_native" \
            'BEGIN { printf "%.2f s against native %.2f s, %.2f times", o - so, p - sp, (o - so) / (p - sp) }')
        wine_net="BLAKE3 of the ${BIG_MIB} MiB file under Wine less the 1-byte run (a window program's start and end): $wine_net."
    fi
    pair "BLAKE3, ${BIG_MIB} MiB file, the run's own time" "tlvn.exe /u /f3" \
        "$(exe /u /s- /o+ /p0 /f3 /n "'$(winpath "$lists/big.exe.b3")'" "'$(winpath "$data/big")'")" \
        "native tlvn -u -f3" \
        "'$tlvn' -j$workers -u -s- -o+ -p0 -f3 -n '$lists/big.b3' -a '$lists/native.log' '$data/big'" \
        wine "$lists/exe.log" "$lists/native.log"
    find "$data/small" -name wine.lst -delete
    $WINESERVER -k || true
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
    wine_note="Under Wine: elapsed of the wine64 process (server running), median (min-max) of $REPEAT."
fi

# ---------------------------------------------------------------- peak memory
echo "Peak memory ..." >&2
max_rss() {
    /usr/bin/time -f "%M" -o "$data/rss.txt" "$@" >/dev/null 2>&1 || true
    echo $(($(tail -1 "$data/rss.txt") / 1024))
}
rss_u=$(max_rss "$tlvn" -j$workers -u -s+ -o+ -p0 -f0 -n "$lists/tiny.md5" "$data/tiny")
rss_v=$(max_rss "$tlvn" -j$workers -v -s+ -p0 -f0 -n "$lists/tiny.md5" "$data/tiny")
rss_big=$(max_rss "$tlvn" -j$workers -u -s- -o+ -p0 -f0 -n "$lists/big.md5" "$data/big")
rss_long_u=$(max_rss "$tlvn" -j$workers -u -s+ -o+ -p0 -f0 -n "$lists/long.md5" "$data/long")
rss_long_v=$(max_rss "$tlvn" -j$workers -v -s+ -p0 -f0 -n "$lists/long.md5" "$data/long")

# ---------------------------------------------------------------- report
echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC'); load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Seconds, median (min-max) of $REPEAT interleaved runs. Ratio = peer median / our median."
echo
echo "| Case | Ours | s | Peer | s | Ratio |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
if [ ${#wine_rows[@]} -gt 0 ]; then
    echo
    echo "| Case under Wine | Ours | s | Reference | s | Multiple |"
    echo "|---|---|---|---|---|---|"
    printf '%s\n' "${wine_rows[@]}"
fi
echo
echo "Peak memory (max RSS): $TINY_FILES files update ${rss_u} MiB, verify ${rss_v} MiB; ${BIG_MIB} MiB file update ${rss_big} MiB;"
echo "$LONG_FILES files 10 folders deep, names of 40 characters: update ${rss_long_u} MiB, verify ${rss_long_v} MiB."
echo "$cold_note"
echo "$wine_note"
[ -z "${wine_net:-}" ] || echo "$wine_net"
