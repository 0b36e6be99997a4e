#!/usr/bin/env bash
# Runs a command on a private Xvfb display and stops the server afterwards.
#
#   scripts/with-xvfb.sh [-s WIDTHxHEIGHTxDEPTH] command [arguments...]
#
# The server picks a free display number itself (-displayfd), so runs that
# start at the same moment never race for one display (xvfb-run -a can).
# -noreset: a server that resets when its last client leaves (a quick
# xdotool call, say) drops connections that arrive meanwhile.
set -euo pipefail
screen=1280x1024x24
if [ "${1:-}" = "-s" ]; then
    screen=$2
    shift 2
fi
if [ "$#" -eq 0 ]; then
    echo "usage: $0 [-s WIDTHxHEIGHTxDEPTH] command [arguments...]" >&2
    exit 2
fi
if ! command -v Xvfb >/dev/null; then
    echo "with-xvfb: Xvfb is missing; run scripts/install-deps.sh" >&2
    exit 1
fi
scratch=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
server=$!
stop() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -rf "$scratch"
}
trap stop EXIT
# The display number is written once the server accepts connections.
for _ in $(seq 200); do
    [ -s "$scratch/display" ] && break
    if ! kill -0 "$server" 2>/dev/null; then
        echo "with-xvfb: Xvfb did not start:" >&2
        cat "$scratch/xvfb.log" >&2
        exit 1
    fi
    sleep 0.05
done
display=$(head -n 1 "$scratch/display")
if [ -z "$display" ]; then
    echo "with-xvfb: Xvfb gave no display number within 10 s" >&2
    exit 1
fi
status=0
DISPLAY=":$display" "$@" || status=$?
if [ "$status" -ne 0 ] && [ -s "$scratch/xvfb.log" ]; then
    echo "with-xvfb: the command failed on :$display; the server said:" >&2
    cat "$scratch/xvfb.log" >&2
fi
exit "$status"
