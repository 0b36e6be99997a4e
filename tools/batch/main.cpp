// cubalorn-batch: the interpreter without a window, for scripts, tests and
// machines without a display. It runs a program file the way the window
// program does (settings pre-pass, label and procedure pre-scan, REFRESHALL
// resumed at once) or runs each line of standard input as one console line.

#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/numbered_path.h"
#include "exports.h"
#include "extract/cubic_extractor.h"
#include "extract/mesh.h"
#include "extract/smooth_extractor.h"
#include "interp/interpreter.h"
#include "interp/large_stack.h"
#include "interp/output.h"
#include "interp/program_settings.h"
#include "interp/program_text.h"
#include "interp/recording_host.h"
#include "interp/path_policy.h"
#include "interp/resource_folders.h"
#include "options.h"
#include "output_check.h"
#include "render/window_stage.h"
#include "run_control.h"
#include "voxel/undo_history.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn::batch {

namespace {

// The volume when the program does not size it.
constexpr Vec3i kDefaultVolumeMax{100, 60, 100};
constexpr uint16_t kBlockSideLength = 32;

// Records what programs ask of the window; READLIST reads standard input.
class BatchHost : public RecordingHost {
public:
    bool readConsoleLine(std::string& line) override {
        if (!readLine(line)) return false;
        if (line.size() > 79) line.resize(79);  // the console's line holds 79 characters
        return true;
    }
    // One line of standard input, counted so that errors name its number.
    bool readLine(std::string& line) {
        line.clear();
        if (!std::getline(std::cin, line)) return false;
        ++linesRead;
        return true;
    }
    uint64_t linesRead = 0;
};

bool loadProgramFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    text.clear();
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        const size_t got = static_cast<size_t>(file.gcount());
        if (got > kLongestProgramFile - text.size()) {
            std::fprintf(stderr, "cubalorn-batch: %s is longer than %zu bytes, not loaded\n",
                         path.c_str(), kLongestProgramFile);
            return false;
        }
        text.append(chunk, got);
    }
    // The program is a zero-terminated text: a stray zero byte ends it.
    if (const size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
    return true;
}

// INITVOLUMESIZE, BACKGROUND and CAMERAPOS of a program file, read before
// the volume exists by an interpreter of its own over a one-voxel volume.
// Its error places begin the run that the program's own interpreter goes on with.
ProgramSettings readSettings(const std::string& text, const Options& options, Output& out,
                             Host& host, ErrorReport::Run& errors) {
    VoxelVolume scratchVolume(Region{{0, 0, 0}, {0, 0, 0}}, kBlockSideLength);
    World scratchWorld(scratchVolume);
    Interpreter scratch(scratchWorld, host, out);
    scratch.errorReport().setEnabled(options.hints);
    scratch.assignProgram(text, TextOrigin{options.programFile});
    const ProgramSettings settings = prescanSettings(scratch);
    errors = scratch.errorReport().takeRun();
    return settings;
}

const char* const kHelpLines =
    "HELP > Show this help\n"
    "programline > Start a programline, example> repeat 4 [ forward 20 left 90]\n"
    "FREECAM > Quit interpreter to fly with freecam\n"
    "QUIT > Quit program\n";

bool equalsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

// Called after every pass of the run, as the window draws a frame after each
// console line and before each resume of a paused program: `pass` counts
// them from 0, `last` marks the one that shows the final state.
using PassHook = std::function<void(long long pass, bool last)>;

// How far a run got, for the line that says where it was stopped.
struct RunProgress {
    long long consoleLine = 0;  // console lines read so far
    long long resumes = 0;      // REFRESHALL resumes of a program file
    bool resumeLimitReached = false;
};

// An interrupt stops the run like the budget does: the line in hand ends
// (within a few thousand steps) and no further line or resume starts.
bool runStopped(const Interpreter& interpreter) {
    return interpreter.budgetExceeded() || interruptRequested();
}

void runConsole(Interpreter& interpreter, UndoHistory& history, BatchHost& input, Output& out,
                RunWatch& watch, RunProgress& progress, const PassHook& onPass) {
    std::string line;
    long long pass = 0;
    while (!interruptRequested() && input.readLine(line)) {
        ++progress.consoleLine;
        if (line.empty()) continue;
        if (equalsIgnoringCase(line, "HELP")) {
            out.write(kHelpLines);
            out.write(kUndoHelpLines);
            continue;
        }
        // Without a window there is no camera to fly: FREECAM ends the console too.
        if (equalsIgnoringCase(line, "QUIT") || equalsIgnoringCase(line, "FREECAM")) break;
        if (equalsIgnoringCase(line, "UNDO")) {
            if (!history.undo()) out.note("UNDO: nothing to undo\n");
        } else if (equalsIgnoringCase(line, "REDO")) {
            if (!history.redo()) out.note("REDO: nothing to redo\n");
        } else {
            history.beginLine();
            interpreter.assignProgram(line, TextOrigin{{}, input.linesRead});
            interpreter.lineFinished = false;
            interpreter.runLine();
            const std::string note = history.noteAfter(history.endLine());
            if (!note.empty()) out.diagnostic(note);
        }
        out.flush();
        if (runStopped(interpreter)) break;
        onPass(pass++, false);
        watch.passDone(pass);
    }
    onPass(pass, true);
}

void runProgram(Interpreter& interpreter, const std::string& text, const std::string& fileName,
                ErrorReport::Run settingsErrors, long long maxResumes, RunWatch& watch,
                RunProgress& progress, const PassHook& onPass) {
    interpreter.assignProgram(text, TextOrigin{fileName});
    interpreter.errorReport().continueRun(std::move(settingsErrors));
    interpreter.prescanProgram();
    interpreter.lineFinished = false;
    interpreter.runLine();
    long long& resumes = progress.resumes;
    while (true) {
        const bool capped = maxResumes >= 0 && resumes >= maxResumes;
        const bool last = !interpreter.resumePending || capped || runStopped(interpreter);
        onPass(resumes, last);
        if (last) {
            progress.resumeLimitReached =
                capped && interpreter.resumePending && !runStopped(interpreter);
            return;
        }
        ++resumes;
        watch.passDone(resumes);
        interpreter.lineFinished = false;
        interpreter.runLine();
    }
}

// "at line 12 of worm.logo" or "in console line 3".
std::string stopPlace(const Options& options, const Interpreter& interpreter,
                      const RunProgress& progress) {
    if (options.programFile.empty())
        return "in console line " + std::to_string(progress.consoleLine);
    const Interpreter::StopPlace& place = interpreter.lastStop();
    if (place.text == nullptr) return "in " + options.programFile;
    return "at line " + std::to_string(lineAt(place.text->text, place.position)) + " of " +
           options.programFile;
}

// The one line that says why and where a run ended early, and what is
// still written.
void reportStop(const Options& options, const Interpreter& interpreter,
                const RunProgress& progress) {
    std::string cause;
    if (interruptRequested())
        cause = "an interrupt (Ctrl+C)";
    else if (options.maxSteps != 0 && interpreter.stepsTaken() > uint64_t(options.maxSteps))
        cause = "--max-steps " + std::to_string(options.maxSteps);
    else {
        char seconds[64];
        std::snprintf(seconds, sizeof seconds, "--max-seconds %g", options.maxSeconds);
        cause = seconds;
    }
    const bool writes = options.wantsRender() || !requestedOutputs(options).empty();
    std::fprintf(stderr, "cubalorn-batch: program stopped by %s %s%s\n", cause.c_str(),
                 stopPlace(options, interpreter, progress).c_str(),
                 writes ? "; the outputs are written from the volume as it stands" : "");
}

// The smooth surface lies where density reaches this, as in the window.
constexpr uint8_t kSmoothThreshold = 127;

// Both meshes of the final volume, so that extraction can be checked and
// timed without a window.
void reportMeshes(const VoxelVolume& volume, Output& out) {
    try {
        ExtractedMesh mesh;
        CubicExtractor(volume, volume.region(), mesh).execute();
        out.print("cubic mesh: %zu vertices, %zu indices\n", mesh.vertices.size(),
                  mesh.indices.size());
        SmoothExtractor(volume, volume.region(), mesh, kSmoothThreshold).execute();
        out.print("smooth mesh: %zu vertices, %zu indices\n", mesh.vertices.size(),
                  mesh.indices.size());
    } catch (const std::bad_alloc&) {
        out.flush();
        std::fprintf(stderr,
                     "cubalorn-batch: not enough memory to mesh the volume for the report\n");
    }
    out.print("volume memory: %llu bytes, %u of %u blocks hold their own voxels\n",
              static_cast<unsigned long long>(volume.memoryBytes()), volume.privateBlockCount(),
              volume.blockCount());
}

int run(const Options& options) {
    ProgressLine progressLine(stderr, options.progressAlways);
    BatchOutput out(progressLine);
    BatchHost batchHost;
    std::string text;
    const bool programMode = !options.programFile.empty();
    ProgramSettings settings;
    ErrorReport::Run settingsErrors;
    if (programMode) {
        if (!loadProgramFile(options.programFile, text)) {
            std::fprintf(stderr, "ERROR - could not open file %s\n", options.programFile.c_str());
            return 1;
        }
        settings = readSettings(text, options, out, batchHost, settingsErrors);
    }
    if (!checkOutputs(options, stderr)) return 1;
    const ResourceFolders resources = ResourceFolders::forThisProgram();
    const PathPolicy pathPolicy = options.allowAnyPath
                                      ? PathPolicy::anyPath()
                                      : PathPolicy::confinedTo(resources.places()[0], resources);

    // With --png the program runs against the window's scene, as in the
    // window; otherwise against a host that only records.
    std::unique_ptr<WindowStage> stage;
    Vec3i volumeMax = kDefaultVolumeMax;
    if (options.wantsRender()) {
        std::string error;
        WindowStage::Request request;
        request.width = options.width;
        request.height = options.height;
        request.programSettings = programMode ? &settings : nullptr;
        request.view = options.view;
        request.ambientOcclusion = options.ambientOcclusion;
        request.resources = &resources;
        stage = WindowStage::open(request, out, error);
        if (!stage) {
            out.flush();
            std::fprintf(stderr, "cubalorn-batch: %s\n", error.c_str());
            return 1;
        }
        if (stage->volumeMax() != Vec3i{0, 0, 0}) volumeMax = stage->volumeMax();
    } else {
        if (settings.volumeFound && settings.volumeMax != Vec3i{0, 0, 0})
            volumeMax = settings.volumeMax;
        if (settings.backgroundFound)
            batchHost.setBackground(settings.background[0], settings.background[1],
                                    settings.background[2]);
        if (settings.cameraFound) {
            const auto& p = settings.cameraPosition;
            const auto& t = settings.cameraTarget;
            batchHost.setCamera(p[0], p[1], p[2], t[0], t[1], t[2]);
        }
    }
    Host& host = stage ? stage->host() : static_cast<Host&>(batchHost);

    std::unique_ptr<VoxelVolume> volume;
    try {
        volume = std::make_unique<VoxelVolume>(Region{{0, 0, 0}, volumeMax}, kBlockSideLength);
    } catch (const std::invalid_argument& e) {
        out.flush();
        std::fprintf(stderr, "cubalorn-batch: cannot create the voxel volume: %s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        out.flush();
        std::fprintf(stderr,
                     "cubalorn-batch: not enough memory for a volume up to (%d, %d, %d); "
                     "choose a smaller INITVOLUMESIZE\n",
                     volumeMax.x, volumeMax.y, volumeMax.z);
        return 1;
    }
    World world(*volume);
    Interpreter interpreter(world, host, out);
    interpreter.errorReport().setEnabled(options.hints);
    UndoHistory history(world);
    ExecutionBudget budget;
    budget.maxSteps = static_cast<uint64_t>(options.maxSteps);
    budget.maxSeconds = options.maxSeconds;
    interpreter.setExecutionBudget(budget);
    interpreter.setPathPolicy(&pathPolicy);
    RunWatch watch(interpreter, progressLine);
    interpreter.setStopSignal(&watch);
    catchInterrupts();

    bool picturesWritten = true;
    bool presented = false;
    std::vector<ChangedBlock> changes;
    const PassHook onPass = [&](long long pass, bool last) {
        if (!stage) {
            host.screenTexts().clear();  // shown for one frame, then gone
            // Nothing meshes the changes: taking them still gives blocks
            // that hold one value back to the shared block.
            changes.clear();
            volume->takeChanges(changes);
            return;
        }
        if (!presented) {
            stage->present(*volume, world);
            presented = true;
        }
        std::vector<std::string> pictures;
        if (options.pngEvery > 0 && pass % options.pngEvery == 0)
            pictures.push_back(exporter::numberedPath(options.pngPath, pass));
        if (last) pictures.push_back(options.pngPath);
        // Nobody sees a frame that is not saved: only its one-frame texts
        // go, as drawing it would take them. An animation's passes then
        // cost the program's work alone, not a software-rendered frame each.
        if (pictures.empty()) {
            host.screenTexts().clear();
            return;
        }
        std::string errors;
        if (!stage->drawFrame(pictures, errors)) {
            out.flush();
            std::fputs(errors.c_str(), stderr);
            picturesWritten = false;
        }
    };
    RunProgress progress;
    if (programMode)
        runProgram(interpreter, text, options.programFile, std::move(settingsErrors),
                   options.maxResumes, watch, progress, onPass);
    else
        runConsole(interpreter, history, batchHost, out, watch, progress, onPass);
    interpreter.finishRun();  // a run stopped by --frames has not finished by itself
    if (stage && presented && options.turntable > 0) {
        std::string errors;
        if (!stage->drawTurntable(options.turntable, options.pngPath, errors)) {
            out.flush();
            std::fputs(errors.c_str(), stderr);
            picturesWritten = false;
        }
    }
    progressLine.clear();
    // Nothing more is stopped from here on: the outputs are written whole.
    interpreter.setStopSignal(nullptr);
    if (options.meshReport) reportMeshes(*volume, out);
    out.flush();
    const bool stopped = runStopped(interpreter);
    if (stopped) reportStop(options, interpreter, progress);
    if (progress.resumeLimitReached) {
        if (options.resumeLimitGiven)
            std::fprintf(stderr, "cubalorn-batch: stopped after %lld REFRESHALL resumes\n",
                         progress.resumes);
        else
            std::fprintf(stderr,
                         "cubalorn-batch: stopped after %lld REFRESHALL resumes, the default "
                         "limit; --frames N sets another, --frames none lets it run on\n",
                         progress.resumes);
    }
    const bool exported = writeExports(options, *volume, world.palette, stderr);
    if (!exported || !picturesWritten) return 1;
    if (stopped) return 3;
    if (options.strict && interpreter.errorReport().errorsPrinted() > 0) {
        std::fprintf(stderr, "cubalorn-batch: --strict: ERROR lines printed: %llu\n",
                     static_cast<unsigned long long>(interpreter.errorReport().errorsPrinted()));
        return 4;
    }
    return 0;
}

}  // namespace

}  // namespace cubalorn::batch

int main(int argc, char** argv) {
    using namespace cubalorn::batch;
    Options options;
    std::string error;
    if (!parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "cubalorn-batch: %s\n%s", error.c_str(), usageText().c_str());
        return 2;
    }
    if (options.showHelp) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.showVersion) {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }
    // A file size limit then fails the write with a message instead of
    // killing the process halfway through an export.
    std::signal(SIGXFSZ, SIG_IGN);
    holdInterrupts();
    int status = 1;
    cubalorn::runWithLargeStack([&] { status = run(options); });
    return status;
}
