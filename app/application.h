#pragma once
// The window program: start-up in its fixed order, the main loop with the
// console dialogue or the paused program file, and the end.

#include <irrlicht.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "app/app_context.h"
#include "app/console_dialogue.h"
#include "app/console_input.h"
#include "app/engine_log.h"
#include "app/scene_guides.h"
#include "app/window_host.h"
#include "interp/error_report.h"
#include "interp/interpreter.h"
#include "interp/output.h"

namespace cubalorn {

class EffectHandler;
class InterruptWatch;
class PathPolicy;
class ProgramWatch;
class ResourceFolders;
class UndoHistory;
class VoxelVolume;
struct World;
class WindowEvents;

// The mode is fixed by the number of command-line arguments.
enum class RunMode {
    Interactive,  // none: lines typed at the console
    ProgramFile,  // exactly one: the program file it names
    Neither,      // two or more: no program, no console, only the window
};
RunMode runModeFor(size_t argumentCount);

constexpr uint16_t kVolumeBlockSide = 32;

struct ApplicationOptions {
    // OpenGL: the platform has no Direct3D 9. Tests use the null driver.
    irr::video::E_DRIVER_TYPE driverType = irr::video::EDT_OPENGL;
    // Only for the ones who cannot see the window: its caption.
    const wchar_t* windowCaption = L"Cubalorn";
    // Where the configuration, media and shaders are looked for, and a word
    // on standard error for each that is missing; null: the working folder
    // only, in silence. Not owned.
    const ResourceFolders* resources = nullptr;
    // Which files the program's file commands may open; null: any. Not owned.
    const PathPolicy* pathPolicy = nullptr;
    // --watch: in program-file mode, run the file again on every save.
    bool watchProgram = false;
};

class Application final : private ConsoleActions, public StopSignal {
public:
    // Console lines are read from `in`; everything printed goes to `out`.
    Application(Output& out, std::FILE* in, ApplicationOptions options = {});
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The whole run over the command-line arguments (program name excluded).
    // The exit status is 1 in every case.
    int run(const std::vector<std::string>& arguments);

    // Start-up alone: false when the program must end at once (no window,
    // no volume).
    bool startUp(const std::vector<std::string>& arguments);
    // The main loop; returns when Escape, QUIT, the end of the console input,
    // Ctrl+C at the prompt or the window's closing ends the program.
    void mainLoop();
    // Drops the device (which closes the window and releases the scene).
    void shutDown();

    RunMode mode() const { return mode_; }
    const AppConfig& config() const { return config_; }
    AppContext& context() { return context_; }
    World* world() { return world_.get(); }
    Interpreter* interpreter() { return interpreter_.get(); }
    int consoleState() const { return dialogue_.state(); }
    UndoHistory* history() { return history_.get(); }
    // Frames drawn so far.
    unsigned long long framesDrawn() const { return framesDrawn_; }
    const SceneGuides& guides() const { return guides_; }

    // Whether the running line is to stop now: Ctrl+C, Escape, the window
    // closing. Asked by the interpreter every few thousand steps, so it looks
    // at the engine's events at most every few milliseconds.
    bool stopRequested() override;

private:
    using Clock = std::chrono::steady_clock;

    void runProgramLine(const std::string& line) override;
    void undoLine() override;
    void redoLine() override;
    void enterFreeCamera() override;

    // The main loop's steps, in the order of one pass.
    void answerInterrupt();
    void handleWindowInput();
    void runWork();
    void drawIfDue();
    void waitForWork();
    bool ended() const;

    void drawNow();
    void afterProgramRan();
    void returnToConsole();
    void frameSculpture();
    irr::core::aabbox3df sculptureBounds() const;
    bool continuousFrames() const;
    // The interpreter's own message for a stopped line.
    void reportInterruption();

    void applyProgramSettings(const std::string& program);
    bool openWindow();
    bool createVolume();
    void runProgramFileFirstTime();
    void presentFirstMesh();
    void createLightAndEffects();
    void createGuides();
    bool windowActive() const;
    // Goes on with a program that paused at a top-level REFRESHALL.
    void resumeProgram();
    // With --watch: runs the program again when its file was saved; true
    // when it did, so that a frame shows it even without the focus.
    bool runAgainOnSave();

    Output& out_;
    ApplicationOptions options_;
    ConsoleInput console_;
    ConsoleDialogue dialogue_;
    AppConfig config_;
    AppContext context_;
    EngineLogToStderr engineLog_;
    WindowHost host_;
    RunMode mode_ = RunMode::Interactive;
    std::optional<std::string> program_;
    std::string programPath_;
    // The error places met by the settings pass, which the program's run goes on with.
    ErrorReport::Run settingsErrors_;

    std::unique_ptr<VoxelVolume> volume_;
    std::unique_ptr<World> world_;
    std::unique_ptr<Interpreter> interpreter_;
    // Console lines only; gone before the world it refers to.
    std::unique_ptr<UndoHistory> history_;
    std::unique_ptr<EffectHandler> effectHandler_;
    std::unique_ptr<InterruptWatch> interrupts_;
    std::unique_ptr<WindowEvents> windowEvents_;
    SceneGuides guides_;
    std::unique_ptr<ProgramWatch> watch_;
    bool watchShowsFirstRun_ = true;
    unsigned long long framesDrawn_ = 0;

    // Frames: one is due now after a line, at most kFrameInterval apart otherwise.
    bool redraw_ = true;
    uint64_t readsShown_ = 0;  // READLIST waits whose line's drawing so far is shown
    bool drawAtOnce_ = true;
    Clock::time_point lastFrame_{};
    Clock::time_point lastEventPump_{};
    bool windowClosed_ = false;
    // The screen texts of the last line, shown on every frame until the next.
    std::vector<ScreenText> heldTexts_;
    bool textsFresh_ = false;
};

}  // namespace cubalorn
