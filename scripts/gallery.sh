#!/usr/bin/env bash
# `make gallery`: renders every example program into docs/gallery/NAME.png
# with cubalorn-batch --png after the run: the sculpture framed by the
# default view (the program's own camera when it places one), with the
# shipped configuration's light, shadows, glow and ambient occlusion.
#
#   scripts/gallery.sh [build-dir]
#
# The programs run in a scratch folder that links the project's media,
# shaders, examples and configuration, so files they write stay out of the
# tree. Animations are stopped after a fixed number of passes.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
root=$(pwd)
batch="$root/$build_dir/cubalorn-batch"
if [ ! -x "$batch" ]; then
    echo "gallery: $batch is missing; build first (make build)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for item in media shaders examples configwindows.xml.txt; do
    ln -s "$root/$item" "$work/$item"
done
mkdir -p docs/gallery
for program in examples/*.logo; do
    name=$(basename "$program" .logo)
    (cd "$work" && "$batch" --png "$root/docs/gallery/$name.png" --size 640x480 --frames 150 \
        "$program" >/dev/null 2>"$work/$name.err") || {
        echo "gallery: $program failed:" >&2
        cat "$work/$name.err" >&2
        exit 1
    }
    echo "gallery: docs/gallery/$name.png"
done
