#!/usr/bin/env bash
# `make run`: opens the window on a bundled example program.
#
#   scripts/run.sh [build-dir] [program-file]
#
# With a display the window opens there (Escape ends it). Without one the
# program runs under Xvfb: the window is given the focus (a program file only
# runs while its window has it), captured to a PNG once it shows the first
# frames, and then ended with Escape; the PNG's path is printed.
set -euo pipefail
build_dir=${1:-build}
program=${2:-examples/spiral.logo}
cd "$(dirname "$0")/.."
[ -f "$program" ] || program=examples/animation.logo
binary="$build_dir/cubalorn"
if [ ! -x "$binary" ]; then
    echo "run: $binary is missing; build first (make build)" >&2
    exit 1
fi

if [ "${CUBALORN_RUN_CAPTURE:-}" != "inside-xvfb" ]; then
    if [ -n "${DISPLAY:-}" ]; then
        exec "$binary" "$program"
    fi
    export CUBALORN_RUN_CAPTURE=inside-xvfb
    exec scripts/with-xvfb.sh -s 1280x1024x24 "$0" "$build_dir" "$program"
fi

# Inside Xvfb from here on.
case "$build_dir" in
/*) capture="$build_dir/cubalorn-window.png" ;;
*) capture="$(pwd)/$build_dir/cubalorn-window.png" ;;
esac
log="$build_dir/cubalorn-run.log"
rm -f "$capture"
"$binary" "$program" </dev/null >"$log" 2>&1 &
pid=$!
finish() {
    if kill -0 "$pid" 2>/dev/null; then
        xdotool keydown Escape 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        xdotool keyup Escape 2>/dev/null || true
        kill "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}
trap finish EXIT

window=""
for _ in $(seq 300); do
    window=$(xdotool search --name '^(Cubalorn|Cam: .*)$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "run: cubalorn ended before its window appeared; its output:" >&2
        cat "$log" >&2
        exit 1
    fi
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "run: no cubalorn window appeared within 30 s" >&2
    exit 1
fi
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"

# The first frames are there once the window shows more than its clear colour.
frames_shown=no
for _ in $(seq 120); do
    import -window "$window" "$capture" 2>/dev/null || true
    colours=$(identify -format '%k' "$capture" 2>/dev/null || echo 0)
    if [ "${colours:-0}" -gt 50 ]; then
        frames_shown=yes
        break
    fi
    sleep 0.25
done
# Let an animation run on for a moment, then take the picture shown.
sleep 2
import -window "$window" "$capture"
echo "run: $program ran under Xvfb (no DISPLAY); the window after its first frames:"
echo "$capture"
[ "$frames_shown" = yes ] || echo "run: warning: the window never showed more than its background" >&2
