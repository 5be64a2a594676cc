#!/usr/bin/env bash
# Probe benchmark: `tolvane-cli probe --json` on 200 small clips against `mediainfo --Output=JSON`
# on the same files, two at a time. The clips are made once with ffmpeg.
# Usage: bench/probe/run.sh [RUNS]   (builds the default preset first, unless BUILD_DIR is given)
set -euo pipefail
cd "$(dirname "$0")/../.."

runs=${1:-5}
clips=${TOLVANE_BENCH_CLIPS:-/tmp/tolvane-bench-probe}
if [[ -n "${BUILD_DIR:-}" ]]; then
    cli=$BUILD_DIR/src/cli/tolvane-cli
else
    make --no-print-directory build >/dev/null
    cli=build/default/src/cli/tolvane-cli
fi
for tool in ffmpeg mediainfo; do
    command -v "$tool" >/dev/null || { echo "bench/probe: $tool is not installed" >&2; exit 1; }
done

if [[ ! -f "$clips/.complete" ]]; then
    echo "making 200 clips in $clips …" >&2
    rm -rf "$clips"
    mkdir -p "$clips"
    # 1–3 s of 320×240 test picture and a tone; every other clip an MP4, the rest Matroska.
    make_clip() {
        local seconds=$(($1 % 3 + 1)) ext=mp4
        [[ $(($1 % 2)) -eq 0 ]] && ext=mkv
        ffmpeg -v error -y -f lavfi -i "testsrc=size=320x240:rate=25:duration=$seconds" \
            -f lavfi -i "sine=frequency=$((200 + $1)):duration=$seconds" -c:v mpeg4 -c:a aac \
            "$(printf '%s/Film.%03d.%s' "$clips" "$1" "$ext")"
    }
    for ((i = 0; i < 200; i += 2)); do
        make_clip "$i" & make_clip "$((i + 1))" & wait
    done
    count=$(find "$clips" -name 'Film.*' | wc -l)
    [[ $count -eq 200 ]] || { echo "bench/probe: ffmpeg made only $count clips" >&2; exit 1; }
    touch "$clips/.complete"
fi
files=("$clips"/Film.*)
echo "clips: ${#files[@]} in $clips" >&2

mediainfo_pairs() { printf '%s\0' "${files[@]}" | xargs -0 -n1 -P2 mediainfo --Output=JSON; }
probe_all() { "$cli" probe --json "${files[@]}"; }

# "wall cpu" in milliseconds of one run, cpu being user + system time of the command and its children.
TIMEFORMAT='%R %U %S'
measure() {
    local times
    times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
    awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' <<<"$times"
}
median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }

rows=$("$cli" probe "${files[@]}" | grep -c '^  Probe: mediainfo$' || true)
# The two take turns, so that load from elsewhere on the machine falls on both alike.
mediainfo_pairs >/dev/null
probe_all >/dev/null
mediainfo_runs=()
probe_runs=()
for ((i = 0; i < runs; i++)); do
    mediainfo_runs+=("$(measure mediainfo_pairs)")
    probe_runs+=("$(measure probe_all)")
done
mediainfo_ms=$(printf '%s\n' "${mediainfo_runs[@]}" | cut -d' ' -f1 | median)
mediainfo_cpu=$(printf '%s\n' "${mediainfo_runs[@]}" | cut -d' ' -f2 | median)
probe_ms=$(printf '%s\n' "${probe_runs[@]}" | cut -d' ' -f1 | median)
probe_cpu=$(printf '%s\n' "${probe_runs[@]}" | cut -d' ' -f2 | median)

echo "files probed by mediainfo: $rows of ${#files[@]}"
echo "mediainfo, two at a time: ${mediainfo_ms} ms wall, ${mediainfo_cpu} ms CPU (medians of $runs)"
echo "tolvane-cli probe:        ${probe_ms} ms wall, ${probe_cpu} ms CPU (medians of $runs)"
echo "ratio (wall):             $(awk -v p="$probe_ms" -v m="$mediainfo_ms" 'BEGIN { printf "%.2f", (m > 0 ? p / m : 0) }')× mediainfo"
