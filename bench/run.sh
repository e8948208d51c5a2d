#!/usr/bin/env bash
# Speed of tlvn against md5sum, sha256sum, rhash, cksfv and OpenSSL on data made here, and of tlvn.exe
# under Wine against a bare Win32 program doing the least the same job needs.
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
#   BENCH_REPEAT [5]            runs of each side of a pair
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

for tool in openssl md5sum sha256sum rhash cksfv python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 2; }
done

echo "Building tlvn in $build ..." >&2
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTLVN_TESTS=OFF >/dev/null
cmake --build "$build" --target tlvn -j2 >/dev/null
tlvn=$build/cli/tlvn

# ---------------------------------------------------------------- data
echo "Making data in $data ..." >&2
python3 - "$data" "$BIG_MIB" "$SMALL_FILES" "$SMALL_DIRS" "$LARGE_FILES" "$LARGE_MAX_MIB" \
    "$TINY_FILES" <<'PY'
import os, random, sys
root = sys.argv[1]
big_mib, small, small_dirs, large, large_max, tiny = map(int, sys.argv[2:])
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
PY
lists=$data/lists
mkdir -p "$lists"
warm() { find "$@" -type f -print0 | xargs -0 cat >/dev/null; }

# ---------------------------------------------------------------- timing
# once COMMAND: the elapsed seconds of one run of a shell command, output discarded.
once() {
    local start=$EPOCHREALTIME
    (eval "$1") >/dev/null 2>&1 || true
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
# pair CASE OURS_LABEL OURS_COMMAND PEER_LABEL PEER_COMMAND [wine]: the two commands run
# interleaved, ABBA, REPEAT times each; one table row. With "wine" the row goes to the Wine
# table and its ratio is our time / the peer's.
pair() {
    local ours=() peer=() i om omin omax pm pmin pmax ratio
    for ((i = 0; i < REPEAT; i++)); do
        if ((i % 2 == 0)); then
            ours+=("$(once "$3")")
            peer+=("$(once "$5")")
        else
            peer+=("$(once "$5")")
            ours+=("$(once "$3")")
        fi
    done
    read -r om omin omax <<<"$(spread "${ours[@]}")"
    read -r pm pmin pmax <<<"$(spread "${peer[@]}")"
    if [ "${6:-}" = wine ]; then
        ratio=$(awk -v o="$om" -v p="$pm" 'BEGIN { printf (p > 0 ? "%.2f" : "-"), o / p }')
        wine_rows+=("| $1 | $2 | $(shown "$om" "$omin" "$omax") | $4 | $(shown "$pm" "$pmin" "$pmax") | $ratio |")
    else
        ratio=$(awk -v o="$om" -v p="$pm" 'BEGIN { printf (o > 0 ? "%.2f" : "-"), p / o }')
        rows+=("| $1 | $2 | $(shown "$om" "$omin" "$omax") | $4 | $(shown "$pm" "$pmin" "$pmax") | $ratio |")
    fi
    echo "  $1: $2 $om, $4 $pm" >&2
}

# ---------------------------------------------------------------- one big file
big=$data/big/big.bin
echo "One file of ${BIG_MIB} MiB ..." >&2
warm "$data/big"
case_big="MD5, ${BIG_MIB} MiB file"
pair "$case_big" "tlvn -u" "'$tlvn' -u -s- -o+ -p0 -f0 -n '$lists/big.md5' '$data/big'" \
    "openssl dgst -md5" "openssl dgst -md5 '$big'"
case_big="CRC-32, ${BIG_MIB} MiB file"
pair "$case_big" "tlvn -u -f1" "'$tlvn' -u -s- -o+ -p0 -f1 -n '$lists/big.sfv' '$data/big'" \
    "rhash --crc32" "rhash --crc32 '$big'"
case_big="SHA-256, ${BIG_MIB} MiB file"
sha_big="'$tlvn' -u -s- -o+ -p0 -f2 -n '$lists/big.sha256' '$data/big'"
pair "$case_big" "tlvn -u -f2" "$sha_big" "openssl dgst -sha256" "openssl dgst -sha256 '$big'"
pair "$case_big" "tlvn -u -f2" "$sha_big" "sha256sum" "sha256sum '$big'"

# ---------------------------------------------------------------- trees
# tree_cases NAME LABEL: update and verify of one tree (MD5 lists) against the peers on one
# core and on two; the SFV verify against cksfv for the tiny files.
tree_cases() {
    local name=$1 label=$2 dir=$data/$1
    echo "$label ..." >&2
    warm "$dir"
    local u="'$tlvn' -u -s+ -o+ -p0 -f0 -n '$lists/$name.md5' '$dir'"
    local v="'$tlvn' -v -s+ -p0 -f0 -n '$lists/$name.md5' '$dir'"
    (cd "$dir" && find . -type f | sort >"$lists/$name.files")
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
    "'$tlvn' -u -s+ -o+ -p0 -f2 -n '$lists/small.sha256' '$data/small'" "xargs sha256sum" \
    "cd '$data/small' && xargs -d '\n' sha256sum <'$lists/small.files'"
tree_cases large "$LARGE_FILES files of 1-$LARGE_MAX_MIB MiB"
tree_cases tiny "$TINY_FILES files of 0-2 KiB"
# SFV: cksfv checks one list at a time, so the list holds the whole tree.
"$tlvn" -u -s+ -o+ -p0 -f1 -n "$lists/tiny.sfv" "$data/tiny" >/dev/null
pair "$TINY_FILES files of 0-2 KiB, verify" "tlvn -v (SFV)" \
    "'$tlvn' -v -s+ -p0 -n '$lists/tiny.sfv' '$data/tiny'" \
    "cksfv -f" "cd '$data/tiny' && cksfv -q -f '$lists/tiny.sfv'"

# ---------------------------------------------------------------- the Windows program under Wine
tlvn_exe=$(find "$win_build" -name tlvn.exe -print -quit 2>/dev/null || true)
floor_exe=$(find "$win_build" -name win_floor.exe -print -quit 2>/dev/null || true)
wine_note="tlvn.exe or win_floor.exe not found in $win_build: Wine not measured."
if [ -n "$tlvn_exe" ] && [ -n "$floor_exe" ] && command -v Xvfb >/dev/null; then
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
        "native tlvn -u" "'$tlvn' -u -s- -o+ -p0 -f0 -n '$lists/big.md5' '$data/big'" wine
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
rss_u=$(max_rss "$tlvn" -u -s+ -o+ -p0 -f0 -n "$lists/tiny.md5" "$data/tiny")
rss_v=$(max_rss "$tlvn" -v -s+ -p0 -f0 -n "$lists/tiny.md5" "$data/tiny")
rss_big=$(max_rss "$tlvn" -u -s- -o+ -p0 -f0 -n "$lists/big.md5" "$data/big")

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
echo "Peak memory (max RSS): $TINY_FILES files update ${rss_u} MiB, verify ${rss_v} MiB; ${BIG_MIB} MiB file update ${rss_big} MiB."
echo "$wine_note"
