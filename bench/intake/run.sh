#!/usr/bin/env bash
# Intake benchmark: `tolvane-cli scan --json` against `find -type f` on the same tree of
# 100 000 files (10 000 of them videos) in folders four levels deep. The tree is made once.
# Target: within 1.3× of find's wall time, under 150 MB peak memory.
# Usage: bench/intake/run.sh [RUNS]   (builds the default preset first, unless BUILD_DIR is given)
set -euo pipefail
cd "$(dirname "$0")/../.."

runs=${1:-5}
tree=${TOLVANE_BENCH_TREE:-/tmp/tolvane-bench-intake}
if [[ -n "${BUILD_DIR:-}" ]]; then
    cli=$BUILD_DIR/src/cli/tolvane-cli
else
    cli=build/default/src/cli/tolvane-cli
    make --no-print-directory build >/dev/null
fi

if [[ ! -f "$tree/.complete" ]]; then
    echo "making $tree …" >&2
    rm -rf "$tree"
    mkdir -p "$tree"
    # 10 × 10 × 10 × 10 leaf folders, each with one video and nine other files.
    awk -v root="$tree" 'BEGIN {
        n = 0
        for (a = 0; a < 10; a++) for (b = 0; b < 10; b++) for (c = 0; c < 10; c++) for (d = 0; d < 10; d++) {
            dir = sprintf("%s/Collection %d/Year %d/Genre.%d/Folder_%d", root, a, b, c, d)
            print dir > "/dev/stderr"
            printf "%s/The.Film.Number.%05d.%d.1080p.BluRay.x264-GROUP.mkv\n", dir, n, 1950 + n % 70
            for (k = 0; k < 9; k++) printf "%s/extra_%d.%s\n", dir, k, (k % 3 ? "nfo" : "jpg")
            n++
        }
    }' 2> >(xargs -d '\n' mkdir -p) > "$tree.files"
    wait
    sleep 1
    xargs -d '\n' touch < "$tree.files"
    rm -f "$tree.files"
    touch "$tree/.complete"
fi
echo "tree: $(find "$tree" -type f | wc -l) files" >&2

# Median wall time in milliseconds of a command over $runs runs (after one warm-up run).
median_ms() {
    "$@" >/dev/null
    local times=()
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

peak_kb() {
    if [[ ! -x /usr/bin/time ]]; then echo 0; return; fi # Debian package "time"
    /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -n 1
}

find_ms=$(median_ms find "$tree" -type f)
scan_ms=$(median_ms "$cli" scan --json "$tree")
scan_kb=$(peak_kb "$cli" scan --json "$tree")
rows=$("$cli" scan "$tree" | sed -n 1p)

echo "rows:            $rows"
echo "find -type f:    ${find_ms} ms (median of $runs)"
echo "tolvane-cli scan: ${scan_ms} ms (median of $runs), $(awk -v s="$scan_ms" -v f="$find_ms" 'BEGIN { printf "%.2f", (f > 0 ? s / f : 0) }')× find (target: 1.3×)"
echo "peak memory:     $((scan_kb / 1024)) MB (target: under 150 MB)"
