#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own directory and runs
# them from the committed corpus (tests/fuzz/corpus/<target>).
#
#   scripts/fuzz.sh smoke            every target for its fixed number of
#                                    executions with a fixed seed, two at a
#                                    time: the same verdict on every run (CI)
#   scripts/fuzz.sh long SECONDS     every target for SECONDS with a fresh
#                                    seed, one at a time (exploration)
# Both print the executions of each target and in total.
#
# A crash, a sanitizer report, a broken check, an input that hangs (120 s) or
# takes over 2 GB fails the target; libFuzzer writes the input to
# build-fuzz/tests/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-smoke}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${JOBS:-$(nproc)}

case $mode in
smoke) seconds=0 parallel=$jobs ;;
long) seconds=${2:?usage: fuzz.sh long SECONDS} parallel=1 ;;
*) echo "usage: $0 smoke | long SECONDS" >&2; exit 2 ;;
esac

compiler=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$compiler" ]; then
    echo "fuzz.sh: clang++ is needed for libFuzzer (make deps installs it)" >&2
    exit 1
fi
configure=(-G Ninja -DCMAKE_CXX_COMPILER="$compiler" -DCUBALORN_FUZZ=ON -DCUBALORN_BENCH=OFF
           -DCUBALORN_FUZZ_SECONDS="$seconds")
if command -v ccache >/dev/null; then configure+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build_dir" "${configure[@]}" >/dev/null
cmake --build "$build_dir" -j "$jobs" --target fuzzers

cd "$build_dir"
status=0
ctest --output-on-failure -j "$parallel" -L fuzz || status=$?
# libFuzzer's closing statistics, from CTest's log of the run.
awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 }
     /^stat::number_of_executed_units:/ { runs[name] = $2; total += $2 }
     END { for (n in runs) printf "%-28s %12d executions\n", n, runs[n];
           printf "%-28s %12d executions\n", "total", total }' Testing/Temporary/LastTest.log
exit $status
