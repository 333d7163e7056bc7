#!/usr/bin/env bash
# Benchmarks the keyword cache and sets each build figure beside the standard
# tools on the same machine: `LC_ALL=C sort -m` merging the same keyword lines,
# and `cat` copying the same bytes. The whole help command (keyword from the
# RichEdit, the check of the lists for edits, lookup, hand-over to WinHelp) is
# timed per press inside the real DLL in the host stand-in; the check alone
# and the search for the keywords nearest to a miss inside one process. Every
# size runs on two shapes of keyword lists (bench/genlists.py): "even" first
# bytes, and "win32", shaped like the names of a Windows API, whose few long
# buckets decide what a real lookup costs. Prints a table and writes it to
# build/bench/results.md. Figures are medians of several runs.
#
# usage: bench/run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
bash tools/setup.sh
. tools/preset.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target cache_bench help_bench Tembril >/dev/null
out=build/bench
mkdir -p "$out"
WINEPREFIX="$PWD/$build/wineprefix" wineserver -p >/dev/null 2>&1 </dev/null || true
dll="Z:$(realpath "$build/Tembril.dll" | sed 's|/|\\|g')"

# Median wall time in milliseconds of a shell command, over $runs runs.
median_ms() {
    local times=()
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        eval "$1" >/dev/null
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.2f", a[int((NR+1)/2)]/1000}'
}

field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2"; }

table="$out/results.md"
{
    echo "| shape | lists | keywords | MB | build ms | keywords/s | MB/s | sort -m ms | cat ms | build/sort | build/cat | peak KiB | open us | hit us | miss->default us | miss us | help press us | help miss us | list check us | suggest us | suggest bucket us | first hit us | index KiB |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
} >"$table"

for shape in even win32; do
for total in 10000 100000 1000000; do
    for lists in 1 4 8; do
        data="$out/data/${shape}-${lists}x${total}"
        if [ ! -f "$data/list0.kwl" ]; then
            rm -rf "$data"
            python3 bench/genlists.py "$data" "$lists" "$total" 7 "$shape"
        fi
        rm -f "$data"/hlp*.tmp "$data/Varnok.ini"
        windir="Z:$(realpath "$data" | sed 's|/|\\|g')"
        result=$("$build/wine-run" "$build/bench/cache_bench.exe" "$windir" "$lists" "$runs" </dev/null | tr -d '\r' | grep '^RESULT')
        # The whole help command in the host stand-in, over the cache just built.
        rm -f "$data"/hlp*.tmp "$data/Varnok.ini"
        help=$("$build/wine-run" "$build/bench/help_bench.exe" "$windir" "$lists" "$dll" 400 </dev/null | tr -d '\r' | grep '^RESULT')
        lines=$(for i in $(seq 0 $((lists - 1))); do printf '%s ' "$data/list$i.lines"; done)
        sort_ms=$(median_ms "LC_ALL=C sort -m $lines > $out/sorted.tmp")
        cat_ms=$(median_ms "cat $lines > $out/copied.tmp")
        build_ms=$(field build_ms "$result")
        bytes=$(field bytes "$result")
        awk -v s="$shape" -v l="$lists" -v k="$(field keywords "$result")" -v b="$bytes" -v bm="$build_ms" \
            -v kps="$(field kw_per_s "$result")" -v mbs="$(field mb_per_s "$result")" -v sm="$sort_ms" -v cm="$cat_ms" \
            -v pk="$(field peak_kib "$result")" -v op="$(field open_us "$result")" -v h="$(field hit_us "$result")" \
            -v md="$(field miss_default_us "$result")" -v mn="$(field miss_none_us "$result")" \
            -v hp="$(field help_hit_us "$help")" -v hm="$(field help_miss_us "$help")" \
            -v ck="$(field check_us "$result")" -v sg="$(field suggest_us "$result")" -v sx="$(field suggest_bucket_us "$result")" \
            -v fh="$(field first_hit_us "$result")" -v ik="$(field index_kib "$result")" \
            'BEGIN { printf "| %s | %d | %d | %.1f | %.1f | %.0f | %.1f | %.1f | %.1f | %.2f | %.2f | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
                     s, l, k, b/1e6, bm, kps, mbs, sm, cm, bm/sm, bm/cm, pk, op, h, md, mn, hp, hm, ck, sg, sx, fh, ik }' >>"$table"
    done
done
done
rm -f "$out/sorted.tmp" "$out/copied.tmp"
cat "$table"
echo
echo "written to $table"
