// The live window's costs, in one run: the processor time the window
// program takes while its prompt waits over a still scene, the time of a
// frame while the orbit turns the view (effects on and off), and what the
// window's stop signal (Ctrl+C, Escape, the close button) adds to the
// interpreter's loop. Needs an X display (scripts/bench.sh uses Xvfb); the
// window is the configured one.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/frame.h"
#include "app/orbit_camera.h"
#include "app/scene_setup.h"
#include "interp/output.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

// --- Idle: the real program, waiting at its prompt -------------------------

// Processor time (user and system) the process has taken, in seconds.
double processorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    // The fields after the command's closing parenthesis: utime and stime
    // are the 12th and 13th of them.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i == 12) user = std::stoull(field);
        if (i == 13) system = std::stoull(field);
    }
    return double(user + system) / double(sysconf(_SC_CLK_TCK));
}

class Child {
public:
    Child() {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            close(in[1]);
            close(out[0]);
            execl(CUBALORN_BINARY, CUBALORN_BINARY, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (input_ >= 0) close(input_);
        if (output_ >= 0) close(output_);
    }
    pid_t pid() const { return pid_; }
    void send(const std::string& line) {
        const std::string text = line + "\n";
        [[maybe_unused]] ssize_t n = write(input_, text.data(), text.size());
    }
    // Waits until the output holds `count` prompts (lines ending in "> ").
    bool waitForPrompts(int count) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < end) {
            int prompts = 0;
            for (size_t at = text_.find("\n> "); at != std::string::npos;
                 at = text_.find("> ", at + 2))
                ++prompts;
            if (prompts >= count) return true;
            pollfd p{output_, POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                char buffer[4096];
                const ssize_t got = read(output_, buffer, sizeof buffer);
                if (got <= 0) return false;
                text_.append(buffer, size_t(got));
            }
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1, output_ = -1;
    std::string text_;
};

void BM_IdleAtThePrompt(benchmark::State& state) {
    for (auto _ : state) {
        Child child;
        if (child.pid() <= 0 || !child.waitForPrompts(1)) {
            state.SkipWithError("the window program did not prompt (no display?)");
            return;
        }
        child.send("pencolor 9 sphere 12 penup forward 20 pendown cube 6 6 6");
        if (!child.waitForPrompts(2)) {
            state.SkipWithError("the line did not come back to the prompt");
            return;
        }
        // Let the last frame settle, then watch the still scene.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double seconds = double(state.range(0));
        const double before = processorSeconds(child.pid());
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double used = processorSeconds(child.pid()) - before;
        state.counters["cpu_percent_of_a_core"] = 100.0 * used / seconds;
        child.send("quit");
    }
}
BENCHMARK(BM_IdleAtThePrompt)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

// --- In process: one started window program per run ------------------------

Application* startedOn(const std::vector<std::string>& arguments, StringOutput& out,
                       std::unique_ptr<Application>& app) {
    // A window opened right after the previous one closed is sometimes
    // refused by the X server; a second attempt gets it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        app = std::make_unique<Application>(out, stdin);
        if (app->startUp(arguments)) return app.get();
        app->shutDown();
        app.reset();
    }
    return nullptr;
}

void orbitFrames(benchmark::State& state, const char* program, bool effects) {
    StringOutput out;
    std::unique_ptr<Application> app;
    if (startedOn({program}, out, app) == nullptr) {
        state.SkipWithError("no window: run under an X display (scripts/bench.sh uses Xvfb)");
        return;
    }
    AppContext& context = app->context();
    AppConfig config = app->config();
    config.useEffects = effects;
    // The orbit moves the camera, as at the prompt.
    setFreeCameraFlying(*context.device, context.cameras, false);
    irr::scene::ICameraSceneNode& camera = *context.sceneManager->getActiveCamera();
    context.meshNode->updateAbsolutePosition();
    const irr::core::vector3df centre = context.meshNode->getTransformedBoundingBox().getCenter();
    CameraPose pose = framePose({camera.getPosition(), camera.getTarget()},
                                context.meshNode->getTransformedBoundingBox(), camera.getFOV(),
                                camera.getAspectRatio());
    // The driver compiles shader variants on first use: keep that out.
    for (int k = 0; k < 3; ++k)
        drawFrame(context, config, app->world()->palette, app->world()->random);
    for (auto _ : state) {
        pose = orbitPose(pose, 2.0f, 0.3f);  // a steady drag
        aimCamera(camera, pose.position, centre);
        drawFrame(context, config, app->world()->palette, app->world()->random);
        context.device->run();
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    app->shutDown();
}
BENCHMARK_CAPTURE(orbitFrames, house_effects, "examples/house.logo", true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(orbitFrames, house_plain, "examples/house.logo", false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(orbitFrames, terrain_effects, "examples/terrain.logo", true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(orbitFrames, terrain_plain, "examples/terrain.logo", false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The counting loop of the interpreter benchmark, with and without the
// window as its stop signal: each poll then reads the clock and, every few
// milliseconds, the window's events.
void stopSignalLoop(benchmark::State& state, bool withSignal) {
    StringOutput out;
    std::unique_ptr<Application> app;
    if (startedOn({}, out, app) == nullptr) {
        state.SkipWithError("no window: run under an X display (scripts/bench.sh uses Xvfb)");
        return;
    }
    Interpreter& interpreter = *app->interpreter();
    interpreter.setStopSignal(withSignal ? app.get() : nullptr);
    const int64_t passes = state.range(0);
    auto line = [&](const std::string& text) {
        out.clear();
        interpreter.assignProgram(text);
        interpreter.lineFinished = false;
        interpreter.runLine();
    };
    line("make \"x 0");
    const std::string loop = "repeat " + std::to_string(passes) + " [ \"x = :x + 1 ]";
    for (auto _ : state) {
        line("\"x = 0");
        line(loop);
    }
    if (!out.text().empty()) state.SkipWithError(out.text().c_str());
    state.counters["per_pass"] =
        benchmark::Counter(double(passes), benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
    app->shutDown();
}
BENCHMARK_CAPTURE(stopSignalLoop, without_signal, false)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stopSignalLoop, window_signal, true)->Arg(1000000)->Unit(benchmark::kMillisecond);

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
