#pragma once
// The window program: start-up in its fixed order, the main loop with the
// console dialogue or the paused program file, and the end.

#include <irrlicht.h>

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
#include "app/window_host.h"
#include "interp/output.h"

namespace cubalorn {

class EffectHandler;
class Interpreter;
class UndoHistory;
class VoxelVolume;
struct World;

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
};

class Application final : private ConsoleActions {
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
    // The main loop; returns when Escape, QUIT, the end of the console input
    // or the window's closing ends the program.
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

private:
    void runProgramLine(const std::string& line) override;
    void undoLine() override;
    void redoLine() override;
    void enterFreeCamera() override;

    void applyProgramSettings(const std::string& program);
    bool openWindow();
    bool createVolume();
    void runProgramFileFirstTime();
    void presentFirstMesh();
    void createLightAndEffects();
    bool windowActive() const;
    // Goes on with a program that paused at a top-level REFRESHALL.
    void resumeProgram();

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

    std::unique_ptr<VoxelVolume> volume_;
    std::unique_ptr<World> world_;
    std::unique_ptr<Interpreter> interpreter_;
    // Console lines only; gone before the world it refers to.
    std::unique_ptr<UndoHistory> history_;
    std::unique_ptr<EffectHandler> effectHandler_;
    unsigned long long framesDrawn_ = 0;
};

}  // namespace cubalorn
