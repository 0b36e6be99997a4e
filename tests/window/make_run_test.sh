#!/usr/bin/env bash
# `make run` without a display: the script runs the example under Xvfb,
# captures the window and prints the PNG's path; the PNG must show a scene.
set -euo pipefail
build_dir=$1
output=$(env -u DISPLAY scripts/run.sh "$build_dir")
echo "$output"
png=$(echo "$output" | tail -n 1)
case "$png" in
*.png) ;;
*) echo "FAIL: the last line is not a PNG path: $png" >&2; exit 1 ;;
esac
[ -s "$png" ] || { echo "FAIL: $png is missing or empty" >&2; exit 1; }
size=$(identify -format '%w %h' "$png")
colours=$(identify -format '%k' "$png")
echo "capture: $size, $colours colours"
if [ "$colours" -le 50 ]; then
    echo "FAIL: the capture shows little more than the background" >&2
    exit 1
fi
