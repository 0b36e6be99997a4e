#!/usr/bin/env bash
# Sets the interpreter's loop speed beside Debian's UCBLogo on the same
# counting loop, each run as a whole process on a program file:
#   cubalorn-batch:  make "x 0   repeat N [ "x = :x + 1 ]
#   ucblogo:         make "x 0   repeat N [make "x :x + 1]
# Start-up is taken out by timing a count of 1 as well. Times are the
# processes' CPU time (user + system), the best of several runs, so that other
# work on a busy machine counts as little as possible. Prints nanoseconds per
# iteration for both and their ratio.
# UCBLogo is a wxWidgets program: it needs a display, so the whole
# comparison runs under xvfb-run, and it writes its count to a file.
# Usage: bench/compare-ucblogo.sh [BUILD_DIR] [COUNT] [RUNS]
set -euo pipefail

build_dir=$(realpath "${1:-build}")
count=${2:-1000000}
runs=${3:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
batch="$build_dir/cubalorn-batch"

if [ ! -x "$batch" ]; then
    echo "compare-ucblogo: $batch not found; build first (make build)" >&2
    exit 1
fi
if ! command -v ucblogo >/dev/null; then
    # Only this comparison needs it, so it is not in the default package list.
    "$root/scripts/install-deps.sh" ucblogo
fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a "$0" "$build_dir" "$count" "$runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

write_programs() {
    local n=$1
    printf 'make "x 0\nrepeat %d [ "x = :x + 1 ]\nprint :x\n' "$n" >"cubalorn-$n.logo"
    printf 'make "x 0\nrepeat %d [make "x :x + 1]\nopenwrite "ucb-%d.txt\nsetwrite "ucb-%d.txt\nprint :x\nsetwrite []\nclose "ucb-%d.txt\nbye\n' \
        "$n" "$n" "$n" "$n" >"ucb-$n.lg"
}

run_once() {
    local n=$1 kind=$2
    if [ "$kind" = cubalorn ]; then
        "$batch" "cubalorn-$n.logo" >"result-$n.txt"
    else
        rm -f "ucb-$n.txt"
        ucblogo "ucb-$n.lg" </dev/null >/dev/null 2>&1
        cp "ucb-$n.txt" "result-$n.txt"
    fi
}

# Best CPU time in nanoseconds of RUNS runs; checks that each run counted to N.
best_of() {
    local n=$1 kind=$2 best="" took result
    local TIMEFORMAT='%3U %3S'
    for _ in $(seq "$runs"); do
        took=$({ time run_once "$n" "$kind"; } 2>&1 | awk '{ printf "%.0f", ($1 + $2) * 1e9 }')
        # cubalorn prints a computed number with its "%f" zeros cut.
        result=$(tr -d '[:space:]' <"result-$n.txt")
        if [ "$result" != "$n" ]; then
            echo "compare-ucblogo: $kind counted to '$result', not $n" >&2
            exit 1
        fi
        if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
    done
    echo "$best"
}

write_programs 1
write_programs "$count"

declare -A per_iteration
for kind in cubalorn ucblogo; do
    one=$(best_of 1 "$kind")
    full=$(best_of "$count" "$kind")
    per_iteration[$kind]=$(awk -v a="$full" -v b="$one" -v n="$count" \
        'BEGIN { printf "%.1f", (a - b) / (n - 1) }')
    printf '%-9s start-up %7.1f ms CPU, %d iterations %8.1f ms CPU, %6s ns/iteration\n' "$kind" \
        "$(awk -v t="$one" 'BEGIN { print t / 1e6 }')" "$count" \
        "$(awk -v t="$full" 'BEGIN { print t / 1e6 }')" "${per_iteration[$kind]}"
done
awk -v c="${per_iteration[cubalorn]}" -v u="${per_iteration[ucblogo]}" \
    'BEGIN { printf "ratio     ucblogo / cubalorn = %.2f (above 1: cubalorn is faster)\n", u / c }'
