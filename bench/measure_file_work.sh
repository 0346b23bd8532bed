#!/usr/bin/env bash
# Measures, in one run, a batch of 10,000 renames against a bare renameat2
# loop, and the drop of a folder of 100,000 files against readdir + sort.
# Medians of RUNS runs (default 5), fresh files for every rename run.
#   bench/measure_file_work.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_files() { # DIR COUNT [NAME_FORMAT]
    mkdir -p "$1"
    (cd "$1" && seq -f "${3:-f%.0f}" 1 "$2" | xargs -d '\n' touch)
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

floor_renames=() engine_renames=()
for ((run = 0; run < runs; run++)); do
    make_files "$work/floor" 10000
    floor_renames+=("$("$build/bench/file_system_floors" rename "$work/floor" 10000 | awk '{ print $3 }')")
    make_files "$work/engine" 10000
    engine_renames+=("$("$build/bench/renamer_driver" '^f(\d+)$' 'g$1' --drop "$work/engine" --apply --timing \
        2>&1 >/dev/null | awk '/^apply:/ { print $2 }')")
    rm -rf "$work/floor" "$work/engine"
done

make_files "$work/big" 100000 'IMG_%.0f.jpg'
floor_lists=() natural_lists=() engine_drops=()
for ((run = 0; run < runs; run++)); do
    output=$("$build/bench/file_system_floors" list "$work/big")
    floor_lists+=("$(awk '/byte sort/ { print $5 }' <<<"$output")")
    natural_lists+=("$(awk '/natural sort/ { print $5 }' <<<"$output")")
    engine_drops+=("$("$build/bench/renamer_driver" '(.+)\.(.+)' '$1.$2' --drop "$work/big" --timing \
        2>&1 >/dev/null | awk '/^drop:/ { print $2 }')")
done

rename_floor=$(printf '%s\n' "${floor_renames[@]}" | median)
rename_engine=$(printf '%s\n' "${engine_renames[@]}" | median)
list_floor=$(printf '%s\n' "${floor_lists[@]}" | median)
list_natural=$(printf '%s\n' "${natural_lists[@]}" | median)
drop_engine=$(printf '%s\n' "${engine_drops[@]}" | median)
awk -v a="$rename_engine" -v b="$rename_floor" 'BEGIN { printf "10,000 renames: engine %.1f ms, renameat2 loop %.1f ms, ratio %.2f\n", a, b, a / b }'
awk -v a="$drop_engine" -v b="$list_floor" -v c="$list_natural" 'BEGIN {
    printf "drop of 100,000 files: engine %.1f ms, readdir + byte sort %.1f ms (ratio %.2f), readdir + natural sort %.1f ms (ratio %.2f)\n", a, b, a / b, c, a / c }'
