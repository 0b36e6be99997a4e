// Frames per second of the window program on the example sculptures, with
// the shadow and bloom passes on and off, in one run. Needs an X display
// (scripts/bench.sh runs it under Xvfb); the window is the configured one.
// Each figure is taken both as wall time (what a user sees) and as the CPU
// time of the whole process, the software rasteriser's threads included,
// which other load on a shared machine disturbs far less. The closing
// summary gives effects on against off as ratios of this run (goal: 3).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
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

// What a frame draws: the effects over a still sculpture (the shadow map is
// kept from frame to frame), the effects while the mesh changes every frame
// (as in an animation: the map is drawn again each time), or the plain scene.
enum Mode { kEffects, kEffectsChanging, kPlain };

void frames(benchmark::State& state, const char* program, Mode mode) {
    Application* app = startedOn(program);
    if (app == nullptr) {
        state.SkipWithError("no window: run under an X display (scripts/bench.sh uses Xvfb)");
        return;
    }
    AppConfig config = app->config();
    config.useEffects = mode != kPlain;
    // The driver compiles shader variants on first use: keep that out.
    for (int k = 0; k < 3; ++k)
        drawFrame(app->context(), config, app->world()->palette, app->world()->random);
    for (auto _ : state) {
        if (mode == kEffectsChanging) app->context().mesh->setDirty();
        drawFrame(app->context(), config, app->world()->palette, app->world()->random);
        app->context().device->run();  // let the window system breathe, as the main loop does
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["vertices"] = double(app->context().chunkBuffers->vertexCount());
}

#define FRAME_BENCH(name, file)                                           \
    BENCHMARK_CAPTURE(frames, name##_effects, file, kEffects)             \
        ->Unit(benchmark::kMillisecond)                                   \
        ->MeasureProcessCPUTime()                                         \
        ->UseRealTime();                                                  \
    BENCHMARK_CAPTURE(frames, name##_effects_changing, file, kEffectsChanging) \
        ->Unit(benchmark::kMillisecond)                                   \
        ->MeasureProcessCPUTime()                                         \
        ->UseRealTime();                                                  \
    BENCHMARK_CAPTURE(frames, name##_plain, file, kPlain)                 \
        ->Unit(benchmark::kMillisecond)                                   \
        ->MeasureProcessCPUTime()                                         \
        ->UseRealTime()

FRAME_BENCH(spiral, "examples/spiral.logo");
FRAME_BENCH(house, "examples/house.logo");
FRAME_BENCH(tree, "examples/tree.logo");
FRAME_BENCH(terrain, "examples/terrain.logo");

// Prints the ratio of each example's frame with effects to its plain frame.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            // Of repetitions the quickest counts: slower ones met other load.
            Times& t = times_[r.run_name.function_name];
            const double real = r.GetAdjustedRealTime(), cpu = r.GetAdjustedCPUTime();
            if (t.real == 0 || real < t.real) t.real = real;
            if (t.cpu == 0 || cpu < t.cpu) t.cpu = cpu;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nEffects on against off (goal: at most 3 times a plain frame):\n");
        for (const auto& [name, effects] : times_) {
            const size_t at = name.find("_effects");
            if (at == std::string::npos) continue;
            const std::string example = name.substr(0, at);
            auto plain = times_.find(example + "_plain");
            if (plain == times_.end()) continue;
            const bool changing = name.find("_changing") != std::string::npos;
            std::printf("  %-8s %-15s %5.1f fps on, %5.1f fps off: %.2f times by wall time, "
                        "%.2f by process CPU time\n",
                        example.substr(example.find('/') + 1).c_str(),
                        changing ? "(mesh changing)" : "(still)", 1e3 / effects.real,
                        1e3 / plain->second.real, effects.real / plain->second.real,
                        effects.cpu / plain->second.cpu);
        }
    }

private:
    struct Times {
        double real = 0, cpu = 0;  // in the benchmarks' unit, milliseconds
    };
    std::map<std::string, Times> times_;
};

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
    cubalorn::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
