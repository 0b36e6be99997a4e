#!/usr/bin/env bash
# Runs every benchmark binary that the build produced.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
status=0
for b in "$build_dir"/bench/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    if [ "$(basename "$b")" = bench_frame_bench ] && [ -z "${DISPLAY:-}" ]; then
        # Frames need a window: a virtual display stands in for a desktop.
        scripts/with-xvfb.sh "$b" || status=1
    else
        "$b" || status=1
    fi
done
exit $status
