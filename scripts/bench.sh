#!/usr/bin/env bash
# Runs every benchmark binary that the build produced.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
status=0
for b in "$build_dir"/bench/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" || status=1
done
exit $status
