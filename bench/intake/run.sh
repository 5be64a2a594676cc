#!/usr/bin/env bash
# Intake benchmark: `tolvane-cli scan --json` against `find -type f` on two trees of 100 000 files
# (10 000 of them videos), made once:
#   deep: 10 000 folders four levels deep, 10 files each (1 video), where the directory reads weigh most;
#   wide: 1 000 folders three levels deep, 100 files each (10 videos), where the per-file work shows.
# The two commands run interleaved, so a busy machine slows both alike; each figure is a median.
# Target: within 1.3× of find's wall time on both trees, under 150 MB peak memory.
# Usage: bench/intake/run.sh [RUNS]   (builds the default preset first, unless BUILD_DIR is given)
# TOLVANE_BENCH_TREE names the deep tree's folder (the wide one sits beside it, "-wide" appended).
set -euo pipefail
cd "$(dirname "$0")/../.."

runs=${1:-5}
deep=${TOLVANE_BENCH_TREE:-/tmp/tolvane-bench-intake}
wide=$deep-wide
if [[ -n "${BUILD_DIR:-}" ]]; then
    cli=$BUILD_DIR/src/cli/tolvane-cli
else
    cli=build/default/src/cli/tolvane-cli
    make --no-print-directory build >/dev/null
fi

# make_tree ROOT LEVELS VIDEOS OTHERS: 10^LEVELS leaf folders, each with VIDEOS videos and OTHERS
# other files. Names are those of a real library: dotted release names, a year, .nfo and .jpg files.
make_tree() {
    local root=$1 levels=$2 videos=$3 others=$4
    [[ -f "$root/.complete" ]] && return
    echo "making $root …" >&2
    rm -rf "$root"
    mkdir -p "$root"
    awk -v root="$root" -v levels="$levels" -v videos="$videos" -v others="$others" 'BEGIN {
        split("Collection Year Genre. Folder_", label, " ")
        n = 0
        for (leaf = 0; leaf < 10 ^ levels; leaf++) {
            dir = root
            for (l = 1; l <= levels; l++) {
                digit = int(leaf / 10 ^ (levels - l)) % 10
                dir = dir "/" label[l] (label[l] ~ /[._]$/ ? "" : " ") digit
            }
            print dir > "/dev/stderr"
            for (v = 0; v < videos; v++) {
                printf "%s/The.Film.Number.%05d.%d.1080p.BluRay.x264-GROUP.mkv\n", dir, n, 1950 + n % 70
                n++
            }
            for (k = 0; k < others; k++) printf "%s/extra_%d.%s\n", dir, k, (k % 3 ? "nfo" : "jpg")
        }
    }' 2> >(xargs -d '\n' mkdir -p) > "$root.files"
    wait
    sleep 1
    xargs -d '\n' touch < "$root.files"
    rm -f "$root.files"
    touch "$root/.complete"
}

make_tree "$deep" 4 1 9
make_tree "$wide" 3 10 90

# Wall time and CPU time (user + system) of one run of a command, in milliseconds: "WALL CPU".
# On a busy machine the wall time waits for the other processes; the CPU time mostly does not.
run_ms() {
    local TIMEFORMAT='%3R %3U %3S' times
    times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
    awk '{ printf "%.0f %.0f\n", $1 * 1000, ($2 + $3) * 1000 }' <<<"$times"
}

median() {
    sort -n | sed -n "$(((runs + 1) / 2))p"
}

peak_kb() {
    if [[ ! -x /usr/bin/time ]]; then echo 0; return; fi # Debian package "time"
    /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -n 1
}

measure() {
    local name=$1 tree=$2
    echo "$name tree: $(find "$tree" -type f | wc -l) files, $(find "$tree" -type d | wc -l) folders" >&2
    find "$tree" -type f >/dev/null # warm-up: both read from the page cache
    "$cli" scan --json "$tree" >/dev/null
    local finds=() scans=() find_cpus=() scan_cpus=() wall cpu
    for ((i = 0; i < runs; i++)); do
        read -r wall cpu < <(run_ms find "$tree" -type f)
        finds+=("$wall") find_cpus+=("$cpu")
        read -r wall cpu < <(run_ms "$cli" scan --json "$tree")
        scans+=("$wall") scan_cpus+=("$cpu")
    done
    local find_ms scan_ms find_cpu scan_cpu scan_kb rows
    find_ms=$(printf '%s\n' "${finds[@]}" | median)
    scan_ms=$(printf '%s\n' "${scans[@]}" | median)
    find_cpu=$(printf '%s\n' "${find_cpus[@]}" | median)
    scan_cpu=$(printf '%s\n' "${scan_cpus[@]}" | median)
    scan_kb=$(peak_kb "$cli" scan --json "$tree")
    rows=$("$cli" scan "$tree" | sed -n 1p)
    echo "$name: $rows"
    echo "  find -type f:     ${find_ms} ms (median of $runs; runs: ${finds[*]})"
    echo "  tolvane-cli scan: ${scan_ms} ms (median of $runs; runs: ${scans[*]})"
    echo "  ratio:            $(awk -v s="$scan_ms" -v f="$find_ms" 'BEGIN { printf "%.2f", (f > 0 ? s / f : 0) }')× find (target: 1.3×)"
    echo "  CPU time:         find ${find_cpu} ms, scan ${scan_cpu} ms: $(awk -v s="$scan_cpu" -v f="$find_cpu" 'BEGIN { printf "%.2f", (f > 0 ? s / f : 0) }')× (medians; steadier than the wall on a busy machine)"
    echo "  peak memory:      $((scan_kb / 1024)) MB (target: under 150 MB)"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
measure "deep (10 000 folders × 10 files)" "$deep"
measure "wide (1 000 folders × 100 files)" "$wide"
