#!/usr/bin/env bash
# The main job: run a bundled example program.
set -euo pipefail
build_dir=${1:-build}
cd "$(dirname "$0")/.."
exec "$build_dir/cubalorn-batch" examples/spiral.logo
