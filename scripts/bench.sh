#!/usr/bin/env bash
# Runs every benchmark binary that the build produced.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
status=0
for b in "$build_dir"/bench/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    case "$(basename "$b")" in
    bench_frame_bench | bench_window_bench) needs_window=yes ;;
    *) needs_window=no ;;
    esac
    if [ "$needs_window" = yes ] && [ -z "${DISPLAY:-}" ]; then
        # Frames need a window: a virtual display stands in for a desktop.
        scripts/with-xvfb.sh "$b" || status=1
    else
        "$b" || status=1
    fi
done
exit $status
