#include "app/application.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "app/configuration.h"
#include "app/effects_setup.h"
#include "app/frame.h"
#include "app/interrupts.h"
#include "app/mesh_presentation.h"
#include "app/program_file.h"
#include "app/resources.h"
#include "app/program_watch.h"
#include "app/scene_setup.h"
#include "app/window_events.h"
#include "effects/effect_handler.h"
#include "extract/smooth_extractor.h"
#include "interp/interpreter.h"
#include "interp/program_settings.h"
#include "voxel/undo_history.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn {

RunMode runModeFor(size_t argumentCount) {
    if (argumentCount == 0) return RunMode::Interactive;
    if (argumentCount == 1) return RunMode::ProgramFile;
    return RunMode::Neither;
}

Application::Application(Output& out, std::FILE* in, ApplicationOptions options)
    : out_(out),
      options_(options),
      console_(in, out),
      dialogue_(console_, out, *this),
      engineLog_(&context_.receiver),
      host_(context_, config_, console_) {}

Application::~Application() {
    shutDown();
}

int Application::run(const std::vector<std::string>& arguments) {
    if (startUp(arguments)) mainLoop();
    if (interpreter_) interpreter_->finishRun();  // an animation's run ends with the window
    shutDown();
    out_.flush();
    return 1;
}

bool Application::startUp(const std::vector<std::string>& arguments) {
    mode_ = runModeFor(arguments.size());
    host_.setTextureFollowsCubicMode(mode_ != RunMode::ProgramFile);
    out_.print("main Argument %s \n", arguments.empty() ? "(none)" : arguments[0].c_str());

    // A device without a window, only for its file system.
    irr::IrrlichtDevice* reading =
        irr::createDevice(irr::video::EDT_NULL, irr::core::dimension2du(640, 480), 16, false, false,
                          false, &engineLog_);

    if (mode_ == RunMode::ProgramFile) {
        programPath_ = arguments[0];
        program_ = loadProgramFile(arguments[0], out_);
        if (program_) {
            // The program is a zero-terminated text: a stray zero byte ends it.
            if (const size_t zero = program_->find('\0'); zero != std::string::npos)
                program_->resize(zero);
            out_.print("file:\n%s \n", program_->c_str());
            applyProgramSettings(*program_);
        }
    }

    if (reading != nullptr && options_.resources == nullptr) {
        readConfiguration(*reading->getFileSystem(), config_);
    } else if (reading != nullptr) {
        const std::string path =
            WindowResources(*options_.resources, "cubalorn", stderr).configuration();
        if (!path.empty()) readConfiguration(*reading->getFileSystem(), config_, path.c_str());
    }
    out_.print("maxx %i \n", config_.volumeMax[0]);
    out_.print("maxy %i \n", config_.volumeMax[1]);
    out_.print("maxz %i \n", config_.volumeMax[2]);
    if (reading != nullptr) {
        // The engine keeps the last device's log alive after the device goes:
        // leave it nothing of ours to call.
        reading->setEventReceiver(nullptr);
        reading->drop();
    }
    out_.print("Voxel core 0.2\n");

    if (!openWindow()) return false;
    if (options_.resources != nullptr)
        WindowResources(*options_.resources, "cubalorn", stderr)
            .useMedia(*context_.driver, config_);
    if (!createVolume()) return false;
    if (options_.watchProgram && mode_ == RunMode::ProgramFile) {
        watch_ = std::make_unique<ProgramWatch>(programPath_, out_);
        out_.note("cubalorn: watching %s; each save runs it again\n", programPath_.c_str());
    }
    runProgramFileFirstTime();
    presentFirstMesh();
    createLightAndEffects();
    createGuides();
    context_.backgroundColour = opaqueColour(config_.background, 0);

    printBanner(out_);
    if (mode_ == RunMode::Interactive) printHelp(out_);
    out_.flush();
    return true;
}

void Application::applyProgramSettings(const std::string& program) {
    // The pre-pass only reads numbers, so an interpreter over a one-voxel
    // scratch volume serves before the real volume's size is known.
    VoxelVolume scratchVolume(Region{{0, 0, 0}, {0, 0, 0}}, kVolumeBlockSide);
    World scratchWorld(scratchVolume);
    Interpreter scratch(scratchWorld, host_, out_);
    scratch.assignProgram(program, TextOrigin{programPath_});
    const ProgramSettings settings = prescanSettings(scratch);
    settingsErrors_ = scratch.errorReport().takeRun();
    if (settings.volumeFound)
        config_.volumeMax = {settings.volumeMax.x, settings.volumeMax.y, settings.volumeMax.z};
    if (settings.backgroundFound) config_.background = settings.background;
    if (settings.cameraFound) {
        config_.cameraPosition = settings.cameraPosition;
        config_.cameraTarget = settings.cameraTarget;
    }
}

bool Application::openWindow() {
    // The window system refuses an empty window by ending the process; say
    // what is wrong instead.
    if (config_.windowWidth <= 0 || config_.windowHeight <= 0) {
        out_.flush();
        std::fprintf(stderr,
                     "cubalorn: no window of %dx%d pixels can be opened; give dimensionx and "
                     "dimensiony in the screen element of %s\n",
                     config_.windowWidth, config_.windowHeight, kConfigurationFileName);
        return false;
    }
    context_.device = irr::createDevice(
        options_.driverType,
        irr::core::dimension2du(static_cast<irr::u32>(config_.windowWidth),
                                static_cast<irr::u32>(config_.windowHeight)),
        static_cast<irr::u32>(config_.bitsPerPixel), config_.fullscreen, false, false, &engineLog_);
    if (context_.device == nullptr) {
        out_.flush();
        std::fprintf(stderr,
                     "cubalorn: the window could not be opened (%dx%d, %d bits per pixel); "
                     "check the display (DISPLAY, OpenGL) and the screen element of %s\n",
                     config_.windowWidth, config_.windowHeight, config_.bitsPerPixel,
                     kConfigurationFileName);
        return false;
    }
    irr::IrrlichtDevice& device = *context_.device;
    context_.driver = device.getVideoDriver();
    context_.sceneManager = device.getSceneManager();
    if (options_.windowCaption != nullptr) device.setWindowCaption(options_.windowCaption);
    const irr::video::SExposedVideoData& video = context_.driver->getExposedVideoData();
    windowEvents_ =
        std::make_unique<WindowEvents>(video.OpenGLLinux.X11Display, video.OpenGLLinux.X11Window);

    effectHandler_ = std::make_unique<EffectHandler>(&device, context_.driver->getScreenSize(),
                                                     false, false, false);
    context_.effectHandler = effectHandler_.get();
    applyEffectColours(*effectHandler_, config_);

    context_.cameras = createCameras(*context_.sceneManager, config_);
    activateCamera(*context_.sceneManager, context_.cameras, context_.fixedCameraActive);
    // The free camera flies in program files; at the console the mouse
    // belongs to the orbit until FREECAM. With neither, it flies as it
    // always did, with the cursor in sight.
    context_.freeCameraFlies = mode_ != RunMode::Interactive;
    if (mode_ != RunMode::Neither)
        setFreeCameraFlying(device, context_.cameras, context_.freeCameraFlies);
    return true;
}

bool Application::createVolume() {
    const Region region{{0, 0, 0},
                        {config_.volumeMax[0], config_.volumeMax[1], config_.volumeMax[2]}};
    try {
        volume_ = std::make_unique<VoxelVolume>(region, kVolumeBlockSide);
    } catch (const std::bad_alloc&) {
        out_.flush();
        std::fprintf(stderr,
                     "cubalorn: not enough memory for a volume up to (%d, %d, %d); choose a "
                     "smaller INITVOLUMESIZE or maxx, maxy, maxz\n",
                     region.upper.x, region.upper.y, region.upper.z);
        return false;
    } catch (const std::exception& e) {
        out_.flush();
        std::fprintf(stderr, "cubalorn: cannot create a volume up to (%d, %d, %d): %s\n",
                     region.upper.x, region.upper.y, region.upper.z, e.what());
        return false;
    }
    world_ = std::make_unique<World>(*volume_);
    // A fresh random colour for material 255 on every run.
    world_->random.seedFromTime();
    world_->palette.initPalette(world_->random);
    context_.volume = volume_.get();
    interpreter_ = std::make_unique<Interpreter>(*world_, host_, out_);
    interpreter_->setPathPolicy(options_.pathPolicy);
    if (mode_ == RunMode::Interactive) history_ = std::make_unique<UndoHistory>(*world_);
    interrupts_ = std::make_unique<InterruptWatch>();
    interpreter_->setStopSignal(this);
    host_.setWhileReading([this] {
        // READLIST waits inside a running line: a stop ends that line.
        if (stopRequested()) {
            reportInterruption();
            interpreter_->abandonLine();
            return true;
        }
        // The window stays alive meanwhile: it shows what the line has drawn
        // so far, and the orbit, the keys and a window shown again redraw it.
        if (context_.device != nullptr) {
            handleWindowInput();
            if (host_.readsAsked() != readsShown_) {
                readsShown_ = host_.readsAsked();
                context_.meshUpToDate = false;
                redraw_ = true;
            }
            drawIfDue();
        }
        return true;
    });
    return true;
}

void Application::runProgramFileFirstTime() {
    if (mode_ != RunMode::ProgramFile || !program_) return;
    interpreter_->assignProgram(*program_, TextOrigin{programPath_});
    interpreter_->errorReport().continueRun(std::move(settingsErrors_));
    interpreter_->prescanProgram();
    interpreter_->lineFinished = false;
    interpreter_->runLine();
    out_.flush();
}

void Application::presentFirstMesh() {
    presentVolume(context_, *volume_, config_);
    updatePresentedMesh(context_, config_, world_->palette, world_->random);
    uint64_t vertices = context_.chunkBuffers->vertexCount();
    const uint64_t indices = context_.chunkBuffers->indexCount();
    if (!config_.cubicMode) {
        // Chunks of the smooth surface each hold the vertices on their
        // borders: the count is that of one mesh of the whole volume.
        ExtractedMesh whole;
        SmoothExtractor(*volume_, volume_->region(), whole, context_.chunkMeshes->threshold())
            .execute();
        vertices = whole.vertices.size();
    }
    out_.print("vert %i \n", static_cast<int>(vertices));
    out_.print("ind  %i \n", static_cast<int>(indices));
}

void Application::createGuides() {
    if (context_.meshNode == nullptr) return;
    const Vec3i volumeMax{config_.volumeMax[0], config_.volumeMax[1], config_.volumeMax[2]};
    guides_ = createSceneGuides(*context_.sceneManager, *context_.meshNode, volumeMax,
                                config_.useEffects ? effectHandler_.get() : nullptr);
    if (guides_.turtle != nullptr) placeTurtleMarker(*guides_.turtle, world_->turtle);
}

void Application::createLightAndEffects() {
    context_.light = createLight(*context_.sceneManager, config_);
    addShadowLightAndPasses(*effectHandler_, config_, *context_.driver, context_.meshNode,
                            context_.light);
}

bool Application::runAgainOnSave() {
    if (!watch_) return false;
    // The first run is shown as well: the editor, not the window, has the focus.
    if (std::exchange(watchShowsFirstRun_, false)) return true;
    const KeptCameras cameras(context_, config_);
    if (!watch_->poll({*world_, *interpreter_, host_}, program_)) return false;
    cameras.restore();
    return true;
}

void Application::shutDown() {
    // The handler only holds references; give them back while the scene exists.
    if (interpreter_) interpreter_->setStopSignal(nullptr);
    host_.setWhileReading(nullptr);
    interrupts_.reset();
    windowEvents_.reset();
    guides_ = {};
    effectHandler_.reset();
    context_.effectHandler = nullptr;
    context_.mesh = nullptr;
    context_.chunkBuffers.reset();
    if (context_.device != nullptr) {
        context_.device->setEventReceiver(nullptr);
        context_.device->drop();
        context_.device = nullptr;
        context_.driver = nullptr;
        context_.sceneManager = nullptr;
        context_.meshNode = nullptr;
        context_.cameras = {};
        context_.light = {};
    }
}

}  // namespace cubalorn
