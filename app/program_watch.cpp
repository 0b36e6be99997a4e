#include "app/program_watch.h"

#include "app/app_config.h"
#include "app/app_context.h"
#include "app/program_file.h"
#include "app/scene_setup.h"
#include "interp/interpreter.h"
#include "interp/program_settings.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

// The settings pass of a start-up, run again so that the new run prints what
// a start prints; a new volume size cannot be had without starting again.
ErrorReport::Run readSettingsAgain(const std::string& path, const std::string& text,
                                   const VoxelVolume& volume, Host& host, Output& out) {
    VoxelVolume scratchVolume(Region{{0, 0, 0}, {0, 0, 0}}, volume.blockSideLength());
    World scratchWorld(scratchVolume);
    Interpreter scratch(scratchWorld, host, out);
    scratch.assignProgram(text, TextOrigin{path});
    const ProgramSettings settings = prescanSettings(scratch);
    if (settings.volumeFound && settings.volumeMax != Vec3i{0, 0, 0} &&
        settings.volumeMax != volume.region().upper)
        out.note(
            "cubalorn: INITVOLUMESIZE changed: the volume keeps its size (%d, %d, %d) "
            "until cubalorn starts again\n",
            volume.region().upper.x, volume.region().upper.y, volume.region().upper.z);
    return scratch.errorReport().takeRun();
}

}  // namespace

KeptCameras::KeptCameras(AppContext& context, AppConfig& config)
    : context_(context),
      config_(config),
      fixedCameraActive_(context.fixedCameraActive),
      freeCameraFlies_(context.freeCameraFlies),
      configuredPosition_(config.cameraPosition),
      configuredTarget_(config.cameraTarget) {
    for (irr::scene::ICameraSceneNode* camera :
         {context.cameras.freeCamera, context.cameras.fixedCamera})
        if (camera != nullptr)
            placements_.push_back({camera, camera->getPosition(), camera->getTarget()});
    if (context.sceneManager != nullptr) active_ = context.sceneManager->getActiveCamera();
}

void KeptCameras::restore() const {
    for (const Placement& p : placements_) aimCamera(*p.camera, p.position, p.target);
    if (context_.sceneManager != nullptr && active_ != nullptr)
        context_.sceneManager->setActiveCamera(active_);
    context_.fixedCameraActive = fixedCameraActive_;
    context_.freeCameraFlies = freeCameraFlies_;
    if (context_.device != nullptr)
        setFreeCameraFlying(*context_.device, context_.cameras, freeCameraFlies_);
    context_.cameraMoved = true;
    config_.cameraPosition = configuredPosition_;
    config_.cameraTarget = configuredTarget_;
}

void startWorldAfresh(World& world) {
    world.volume.clear();
    world.turtle.resetTurtle(world.volume);
    world.turtle.home();
    world.heightGrid = HeightGrid{};
    // As at start-up: material 255 gets a fresh random colour.
    world.random.seedFromTime();
    world.palette.initPalette(world.random);
}

ProgramWatch::ProgramWatch(std::string path, Output& out) : watcher_(std::move(path)), out_(out) {}

bool ProgramWatch::poll(Target target, std::optional<std::string>& program) {
    const std::string& path = watcher_.path();
    switch (watcher_.poll()) {
        case FileWatcher::Event::None:
            return false;
        case FileWatcher::Event::Deleted:
            out_.note("cubalorn: %s was deleted; the sculpture stays until it is saved again\n",
                      path.c_str());
            return false;
        case FileWatcher::Event::Saved:
            break;
    }
    std::optional<std::string> text = loadProgramFile(path, out_);
    if (!text) return false;
    // The program is a zero-terminated text: a stray zero byte ends it.
    if (const size_t zero = text->find('\0'); zero != std::string::npos) text->resize(zero);
    out_.note("cubalorn: %s was saved; running it again\n", path.c_str());

    Interpreter& interpreter = target.interpreter;
    ErrorReport::Run settingsErrors =
        readSettingsAgain(path, *text, target.world.volume, target.host, out_);
    startWorldAfresh(target.world);
    interpreter.forgetProgram();
    interpreter.assignProgram(*text, TextOrigin{path});
    interpreter.errorReport().continueRun(std::move(settingsErrors));
    interpreter.prescanProgram();
    interpreter.lineFinished = false;
    interpreter.runLine();
    out_.flush();
    program = std::move(text);
    return true;
}

}  // namespace cubalorn
