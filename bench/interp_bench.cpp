// The interpreter's own speed: a counting loop that only assigns, and a
// turtle loop that moves, turns and draws. Each reports the time per pass of
// the loop body ("per_pass"), the figure to set beside other Logo systems.

#include <benchmark/benchmark.h>

#include <string>

#include "bench_world.h"

namespace cubalorn::bench {
namespace {

void setPassCounter(benchmark::State& state, int64_t passes) {
    state.counters["per_pass"] =
        benchmark::Counter(double(passes), benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
}

// make "x 0 then repeat N [ "x = :x + 1 ]: lexing, the assignment, the
// expression and the number text it stores.
void BM_AssignmentLoop(benchmark::State& state) {
    const int64_t passes = state.range(0);
    const std::string loop = "repeat " + std::to_string(passes) + " [ \"x = :x + 1 ]";
    BenchWorld w;
    w.line("make \"x 0");
    for (auto _ : state) {
        w.line("\"x = 0");
        if (!w.line(loop).empty()) state.SkipWithError("the loop printed something");
    }
    if (w.line("print :x") != std::to_string(passes) + "\n")
        state.SkipWithError("the loop did not count to its end");
    setPassCounter(state, passes);
}
BENCHMARK(BM_AssignmentLoop)->Arg(1000000)->Unit(benchmark::kMillisecond);

// repeat N [ forward 1 left 1 ]: a circle of radius 57 drawn over and over.
void BM_TurtleStepLoop(benchmark::State& state) {
    const int64_t passes = state.range(0);
    const std::string loop = "repeat " + std::to_string(passes) + " [ forward 1 left 1 ]";
    BenchWorld w;
    for (auto _ : state) {
        if (!w.line(loop).empty()) state.SkipWithError("the loop printed something");
    }
    setPassCounter(state, passes);
}
BENCHMARK(BM_TurtleStepLoop)->Arg(100000)->Unit(benchmark::kMillisecond);

// A procedure call per pass: arguments, parameters, a local and clean-up.
void BM_ProcedureCallLoop(benchmark::State& state) {
    const int64_t passes = state.range(0);
    BenchWorld w;
    w.line("make \"x 0");
    const std::string line = "to \"add :a make \"t :a \"x = :x + :t end repeat " +
                             std::to_string(passes) + " [ go \"add 2 ]";
    for (auto _ : state) {
        if (!w.line(line).empty()) state.SkipWithError("the loop printed something");
    }
    setPassCounter(state, passes);
}
BENCHMARK(BM_ProcedureCallLoop)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace cubalorn::bench

BENCHMARK_MAIN();
