#!/usr/bin/env bash
# Compares two builds of the project side by side in one run: the same
# command from build A, then from build B, again and again (A, B, A, B, …),
# so that both see the machine as it is at that moment; prints each pair's
# ratio B / A and their median and spread.
#
#   bench/compare_builds.sh [-n PAIRS] [-l LINE_START] BUILD_A BUILD_B COMMAND [ARGS...]
#
# COMMAND is a path inside a build directory, such as bench/keystroke_bench;
# its figure is the first number after "median" (or else the first number)
# on the first line of its output that starts with LINE_START (default: its
# last line). Standard input, when not a terminal, is given to every run.
# Each run gets a private TMPDIR, and QT_QPA_PLATFORM is offscreen. Example:
#
#   bench/compare_builds.sh -n 9 -l 'keystroke in the window' ../main/build build \
#       bench/keystroke_bench 100000 20 --keystrokes-only
set -euo pipefail
pairs=7
line_start=
while getopts n:l: option; do
    case $option in
    n) pairs=$OPTARG ;;
    l) line_start=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
if (($# < 3)); then
    echo "usage: $0 [-n PAIRS] [-l LINE_START] BUILD_A BUILD_B COMMAND [ARGS...]" >&2
    exit 2
fi
build_a=$1 build_b=$2
shift 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
input=/dev/null
if [ ! -t 0 ]; then
    cat >"$work/input"
    input=$work/input
fi
mkdir -p "$work/tmp"

# The figure of one run of the command from build $1.
figure() {
    local output
    output=$(TMPDIR=$work/tmp QT_QPA_PLATFORM=offscreen "$1/$2" "${@:3}" <"$input" 2>/dev/null)
    awk -v start="$line_start" '
        function first_number(text) { return match(text, /[0-9]+(\.[0-9]+)?/) ? substr(text, RSTART, RLENGTH) : "" }
        start == "" { last = $0; next }
        index($0, start) == 1 && !found {
            found = 1
            figure = match($0, /median [0-9.]+/) ? substr($0, RSTART + 7, RLENGTH - 7) : first_number($0)
        }
        END { print start == "" ? first_number(last) : figure }' <<<"$output"
}

ratios=()
for ((pair = 1; pair <= pairs; pair++)); do
    a=$(figure "$build_a" "$@")
    b=$(figure "$build_b" "$@")
    if [ -z "$a" ] || [ -z "$b" ]; then
        echo "pair $pair: no figure (A: '$a', B: '$b')" >&2
        exit 1
    fi
    ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", b / a }')
    ratios+=("$ratio")
    echo "pair $pair: A $a, B $b, B/A $ratio"
done
printf '%s\n' "${ratios[@]}" | sort -n | awk '
    { v[NR] = $1 }
    END {
        median = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "B/A paired ratio: median %.3f, min %.3f, max %.3f (%d pairs)\n", median, v[1], v[NR], NR
    }'
