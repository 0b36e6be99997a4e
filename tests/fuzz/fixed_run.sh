#!/bin/sh
# Runs one fuzz target for CTest from an empty working corpus:
#   fixed_run.sh WORK_DIR FUZZER [libFuzzer arguments...]
# Address-space randomisation is turned off where the system allows it: the
# comparisons libFuzzer records can hold addresses, and with them a run with
# a fixed seed would take a different path each time.
work=$1
shift
rm -rf "$work" && mkdir -p "$work" || exit 1
if setarch "$(uname -m)" -R true 2>/dev/null; then
    exec setarch "$(uname -m)" -R "$@"
fi
exec "$@"
