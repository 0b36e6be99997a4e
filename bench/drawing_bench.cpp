// Drawing from Logo: many large spheres, a spiral of FORWARD moves, and
// spheres with a box pen.

#include <benchmark/benchmark.h>

#include <string>

#include "bench_world.h"

namespace cubalorn::bench {
namespace {

void runOrFail(benchmark::State& state, BenchWorld& w, const std::string& line) {
    if (!w.line(line).empty()) state.SkipWithError("the line printed something");
}

// 1,000 stamps of SPHERE 10 (4,169 cells each) around the volume's centre.
void BM_SphereStamps(benchmark::State& state) {
    BenchWorld w;
    const std::string line = "repeat " + std::to_string(state.range(0)) + " [ home sphere 10 ]";
    for (auto _ : state) runOrFail(state, w, line);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SphereStamps)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same with PENSIZE 3: every cell of the ball gets a box stamp.
void BM_SphereStampsBoxPen(benchmark::State& state) {
    BenchWorld w;
    const std::string line =
        "pensize 3 repeat " + std::to_string(state.range(0)) + " [ home sphere 10 ]";
    for (auto _ : state) runOrFail(state, w, line);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SphereStampsBoxPen)->Arg(100)->Unit(benchmark::kMillisecond);

// A square spiral of growing FORWARD moves, each drawn voxel by voxel, the
// outer turns running along the volume's faces.
void BM_ForwardSpiral(benchmark::State& state) {
    BenchWorld w;
    w.line("make \"d 0");
    const std::string line = "home \"d = 0 repeat " + std::to_string(state.range(0)) +
                             " [ \"d = :d + 0.25 forward :d left 89 ]";
    for (auto _ : state) runOrFail(state, w, line);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ForwardSpiral)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace cubalorn::bench

BENCHMARK_MAIN();
