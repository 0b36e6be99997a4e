// Frames per second of the window program on the example sculptures, with
// the shadow and bloom passes on and off, in one run. Needs an X display
// (scripts/bench.sh runs it under Xvfb); the window is the configured one.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frame.h"
#include "interp/output.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

// One started window program per example, kept for every run of it.
Application* startedOn(const std::string& program) {
    static std::string current;
    static std::unique_ptr<StringOutput> out;
    static std::unique_ptr<Application> app;
    if (app && current == program) return app.get();
    if (app) app->shutDown();
    app.reset();
    current = program;
    // A window opened right after the previous one closed is sometimes
    // refused by the X server; a second attempt gets it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        out = std::make_unique<StringOutput>();
        app = std::make_unique<Application>(*out, stdin);
        if (app->startUp({program})) return app.get();
        app->shutDown();
        app.reset();
    }
    std::fprintf(stderr, "%s", out->text().c_str());
    return nullptr;
}

void frames(benchmark::State& state, const char* program, bool effects) {
    Application* app = startedOn(program);
    if (app == nullptr) {
        state.SkipWithError("no window: run under an X display (scripts/bench.sh uses Xvfb)");
        return;
    }
    AppConfig config = app->config();
    config.useEffects = effects;
    // The driver compiles shader variants on first use: keep that out.
    for (int k = 0; k < 3; ++k)
        drawFrame(app->context(), config, app->world()->palette, app->world()->random);
    for (auto _ : state) {
        drawFrame(app->context(), config, app->world()->palette, app->world()->random);
        app->context().device->run();  // let the window system breathe, as the main loop does
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["vertices"] = double(app->context().chunkBuffers->vertexCount());
}

#define FRAME_BENCH(name, file)                           \
    BENCHMARK_CAPTURE(frames, name##_effects, file, true) \
        ->Unit(benchmark::kMillisecond)                   \
        ->UseRealTime();                                  \
    BENCHMARK_CAPTURE(frames, name##_plain, file, false)  \
        ->Unit(benchmark::kMillisecond)                   \
        ->UseRealTime()

FRAME_BENCH(spiral, "examples/spiral.logo");
FRAME_BENCH(house, "examples/house.logo");
FRAME_BENCH(tree, "examples/tree.logo");
FRAME_BENCH(terrain, "examples/terrain.logo");

}  // namespace
}  // namespace cubalorn

int main(int argc, char** argv) {
    // The program reads its configuration, media and shaders from the
    // working directory; CUBALORN_BENCH_ROOT points at another set-up.
    const char* root = std::getenv("CUBALORN_BENCH_ROOT");
    if (root == nullptr) root = CUBALORN_SOURCE_DIR;
    if (chdir(root) != 0) {
        std::perror(root);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
