#!/usr/bin/env bash
# Runs every example program through cubalorn-batch as a user would, from a
# scratch folder in which examples/ is where the programs expect it (and
# where the files they write may land). Fails on a non-zero exit, an error
# message or a command that is not there yet.
# Usage: run_examples.sh BATCH SOURCE_DIR SCRATCH_DIR
set -u
batch=$1
source_dir=$2
scratch=$3

rm -rf "$scratch"
mkdir -p "$scratch"
ln -s "$source_dir/examples" "$scratch/examples"
cd "$scratch"

status=0
count=0
for program in examples/*.logo; do
    count=$((count + 1))
    # An animation loops until a key that never comes: cap its pauses.
    output=$(timeout 120 "$batch" --max-resumes 200 "$program" 2>&1)
    code=$?
    if [ "$code" -ne 0 ] || grep -q -e "ERROR" -e "not available" <<<"$output"; then
        echo "FAIL $program (exit status $code):"
        echo "$output"
        status=1
    else
        echo "ok   $program"
    fi
done
if [ "$count" -eq 0 ]; then
    echo "FAIL no example programs found in $source_dir/examples"
    status=1
fi
exit $status
