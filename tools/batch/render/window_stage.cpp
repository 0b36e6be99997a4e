#include "window_stage.h"

#include <GL/gl.h>
#include <irrlicht.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/app_config.h"
#include "app/app_context.h"
#include "app/configuration.h"
#include "app/console_input.h"
#include "app/effects_setup.h"
#include "app/frame.h"
#include "app/mesh_presentation.h"
#include "app/resources.h"
#include "app/scene_setup.h"
#include "app/window_host.h"
#include "effects/effect_handler.h"
#include "export/atomic_file.h"
#include "animated_picture.h"
#include "framing.h"
#include "own_display.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn::batch {

namespace {

// The engine's warnings and errors go to standard error; its chatter about
// drivers and extensions does not, so a script sees only what matters.
class QuietEngineLog : public irr::IEventReceiver {
public:
    explicit QuietEngineLog(irr::IEventReceiver* next) : next_(next) {}
    bool OnEvent(const irr::SEvent& event) override {
        if (event.EventType == irr::EET_LOG_TEXT_EVENT) {
            if (event.LogEvent.Level >= irr::ELL_WARNING && event.LogEvent.Text != nullptr)
                std::fprintf(stderr, "cubalorn-batch: engine: %s\n", event.LogEvent.Text);
            return true;
        }
        return next_ != nullptr && next_->OnEvent(event);
    }

private:
    irr::IEventReceiver* next_;
};

}  // namespace

struct WindowStage::Impl {
    explicit Impl(Output& out)
        : console(stdin, out), log(&context.receiver), windowHost(context, config, console) {}
    ~Impl() {
        effectHandler.reset();
        context.effectHandler = nullptr;
        context.chunkBuffers.reset();
        if (context.device != nullptr) context.device->drop();
    }

    AppConfig config;
    AppContext context;
    ConsoleInput console;
    QuietEngineLog log;
    WindowHost windowHost;
    OwnDisplay display;  // destroyed after the device, which may still talk to it
    std::unique_ptr<EffectHandler> effectHandler;
    World* world = nullptr;

    std::optional<View> view;  // as asked; none: decided by the program's camera
    bool programSetsCamera = false;
    std::array<float, 3> cameraAsConfigured{}, targetAsConfigured{};

    // The view this frame uses: the one asked for, else the program's own
    // camera when it placed one (in its settings or while it ran), else fit.
    View effectiveView() const {
        if (view) return *view;
        const bool moved = config.cameraPosition != cameraAsConfigured ||
                           config.cameraTarget != targetAsConfigured;
        return programSetsCamera || moved ? View::Program : View::Fit;
    }
    // The sculpture's box in the world, or none while the mesh is empty.
    std::optional<irr::core::aabbox3df> subject();
    // Its corners in the world.
    std::vector<irr::core::vector3df> subjectPoints();
    void placeCamera(const CameraPlacement& placement);
    // Frames the sculpture for the effective view (the program's camera is
    // left alone), after bringing the mesh up to date.
    void frameSubject();
    void updatePresentedMesh() {
        cubalorn::updatePresentedMesh(context, config, world->palette, world->random);
    }
};

std::optional<irr::core::aabbox3df> WindowStage::Impl::subject() {
    if (context.meshNode == nullptr || !context.chunkBuffers ||
        context.chunkBuffers->vertexCount() == 0)
        return std::nullopt;
    context.meshNode->updateAbsolutePosition();
    return context.meshNode->getTransformedBoundingBox();
}

std::vector<irr::core::vector3df> WindowStage::Impl::subjectPoints() {
    std::vector<irr::core::vector3df> points;
    if (context.meshNode == nullptr) return points;
    context.meshNode->updateAbsolutePosition();
    const irr::core::matrix4& toWorld = context.meshNode->getAbsoluteTransformation();
    if (context.mesh == nullptr) return points;
    // Every chunk's buffer (the mesh's first is always empty).
    for (irr::u32 b = 0; b < context.mesh->getMeshBufferCount(); ++b) {
        const irr::scene::IMeshBuffer& buffer = *context.mesh->getMeshBuffer(b);
        for (irr::u32 i = 0; i < buffer.getVertexCount(); ++i) {
            irr::core::vector3df p = buffer.getPosition(i);
            toWorld.transformVect(p);
            points.push_back(p);
        }
    }
    return points;
}

void WindowStage::Impl::placeCamera(const CameraPlacement& placement) {
    for (irr::scene::ICameraSceneNode* camera :
         {context.cameras.freeCamera, context.cameras.fixedCamera}) {
        if (camera == nullptr) continue;
        camera->setPosition(placement.position);
        camera->setTarget(placement.target);
        camera->setUpVector(placement.up);
        camera->setFOV(placement.fieldOfView);
        camera->updateAbsolutePosition();
    }
}

void WindowStage::Impl::frameSubject() {
    const View v = effectiveView();
    if (v == View::Program) return;
    updatePresentedMesh();
    irr::scene::ICameraSceneNode* camera = context.sceneManager->getActiveCamera();
    if (camera == nullptr) return;
    if (const std::optional<CameraPlacement> placement =
            framePoints(subjectPoints(), viewDirection(v), camera->getAspectRatio()))
        placeCamera(*placement);
}

WindowStage::WindowStage(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
WindowStage::~WindowStage() = default;

Host& WindowStage::host() {
    return impl_->windowHost;
}

Vec3i WindowStage::volumeMax() const {
    const auto& m = impl_->config.volumeMax;
    return {m[0], m[1], m[2]};
}

std::unique_ptr<WindowStage> WindowStage::open(const Request& request, Output& out,
                                               std::string& error) {
    auto impl = std::make_unique<Impl>(out);
    AppConfig& config = impl->config;
    AppContext& context = impl->context;

    // The window's order: the program's own settings first, then the file
    // fills what they left open.
    if (const ProgramSettings* s = request.programSettings) {
        if (s->volumeFound) config.volumeMax = {s->volumeMax.x, s->volumeMax.y, s->volumeMax.z};
        if (s->backgroundFound) config.background = s->background;
        if (s->cameraFound) {
            config.cameraPosition = s->cameraPosition;
            config.cameraTarget = s->cameraTarget;
        }
    }
    if (irr::IrrlichtDevice* reading =
            irr::createDevice(irr::video::EDT_NULL, irr::core::dimension2du(640, 480), 16, false,
                              false, false, &impl->log)) {
        if (request.resources == nullptr) {
            readConfiguration(*reading->getFileSystem(), config);
        } else {
            const std::string path =
                WindowResources(*request.resources, "cubalorn-batch", stderr).configuration();
            if (!path.empty()) readConfiguration(*reading->getFileSystem(), config, path.c_str());
        }
        reading->drop();
    }
    if (request.width > 0) {
        config.windowWidth = request.width;
        config.windowHeight = request.height;
    }
    config.fullscreen = false;
    config.ambientOcclusion = request.ambientOcclusion;
    impl->view = parseView(request.view);
    impl->programSetsCamera = request.programSettings && request.programSettings->cameraFound;
    impl->cameraAsConfigured = config.cameraPosition;
    impl->targetAsConfigured = config.cameraTarget;

    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        if (!impl->display.start(config.windowWidth, config.windowHeight, error)) return nullptr;
    }

    context.device = irr::createDevice(
        irr::video::EDT_OPENGL,
        irr::core::dimension2du(static_cast<irr::u32>(config.windowWidth),
                                static_cast<irr::u32>(config.windowHeight)),
        static_cast<irr::u32>(config.bitsPerPixel), false, false, false, &impl->log);
    if (context.device == nullptr) {
        error = "cannot open an OpenGL window of " + std::to_string(config.windowWidth) + "x" +
                std::to_string(config.windowHeight) + " on display " +
                std::string(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(none)");
        return nullptr;
    }
    irr::IrrlichtDevice& device = *context.device;
    context.driver = device.getVideoDriver();
    context.sceneManager = device.getSceneManager();
    device.setWindowCaption(L"Cubalorn");
    const irr::core::dimension2du screen = context.driver->getScreenSize();
    if (screen.Width != static_cast<irr::u32>(config.windowWidth) ||
        screen.Height != static_cast<irr::u32>(config.windowHeight)) {
        error = "the display gave a window of " + std::to_string(screen.Width) + "x" +
                std::to_string(screen.Height) + " instead of " +
                std::to_string(config.windowWidth) + "x" + std::to_string(config.windowHeight);
        return nullptr;
    }

    if (request.resources != nullptr)
        WindowResources(*request.resources, "cubalorn-batch", stderr)
            .useMedia(*context.driver, config);
    impl->effectHandler = std::make_unique<EffectHandler>(&device, screen, false, false, false);
    context.effectHandler = impl->effectHandler.get();
    applyEffectColours(*impl->effectHandler, config);
    context.cameras = createCameras(*context.sceneManager, config);
    activateCamera(*context.sceneManager, context.cameras, context.fixedCameraActive);
    return std::unique_ptr<WindowStage>(new WindowStage(std::move(impl)));
}

void WindowStage::present(VoxelVolume& volume, World& world) {
    Impl& s = *impl_;
    AppContext& context = s.context;
    const AppConfig& config = s.config;
    s.world = &world;
    presentVolume(context, volume, config);
    updatePresentedMesh(context, config, world.palette, world.random);

    // The light and the post passes.
    context.light = createLight(*context.sceneManager, config);
    addShadowLightAndPasses(*s.effectHandler, config, *context.driver, context.meshNode,
                            context.light);
    context.backgroundColour = opaqueColour(config.background, 0);
}

bool WindowStage::drawFrame(const std::vector<std::string>& pictures, std::string& errors) {
    Impl& s = *impl_;
    AppContext& context = s.context;
    context.device->run();
    // Every pass follows a run of program text, after which the window
    // meshes the volume again.
    context.meshUpToDate = false;
    const int width = s.config.windowWidth;
    const int height = s.config.windowHeight;
    std::vector<unsigned char> rgb;
    auto readBack = [&] {
        // The front buffer holds nothing under Xvfb: read the frame before it is shown.
        rgb.resize(size_t(width) * height * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    };
    s.frameSubject();
    cubalorn::drawFrame(context, s.config, s.world->palette, s.world->random,
                        pictures.empty() ? std::function<void()>() : readBack);
    if (pictures.empty()) return true;

    // OpenGL's rows run bottom up, a picture's top down.
    std::vector<unsigned char> topDown(rgb.size());
    const size_t row = size_t(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(&topDown[size_t(y) * row], &rgb[size_t(height - 1 - y) * row], row);

    irr::video::IVideoDriver& driver = *context.driver;
    irr::video::IImage* image =
        driver.createImageFromData(irr::video::ECF_R8G8B8, irr::core::dimension2du(width, height),
                                   topDown.data(), true, false);
    // Compressed, a PNG is never much larger than its raw pixels.
    std::vector<char> png(topDown.size() + 65536);
    irr::io::IWriteFile* file = context.device->getFileSystem()->createMemoryWriteFile(
        png.data(), static_cast<irr::s32>(png.size()), "frame.png", false);
    const bool encoded =
        image != nullptr && file != nullptr && driver.writeImageToFile(image, file);
    const long length = file != nullptr ? file->getPos() : 0;
    if (file != nullptr) file->drop();
    if (image != nullptr) image->drop();

    bool ok = true;
    for (const std::string& path : pictures) {
        std::string error;
        if (!encoded) {
            errors +=
                "cubalorn-batch: cannot write '" + path + "': the picture could not be encoded\n";
            ok = false;
        } else if (!exporter::writeFileAtomically(path, std::string_view(png.data(), length),
                                                  error)) {
            errors += "cubalorn-batch: " + error + "\n";
            ok = false;
        }
    }
    return ok;
}

bool WindowStage::drawTurntable(long long frames, const std::string& picture,
                                std::string& errors) {
    Impl& s = *impl_;
    const View v = s.effectiveView() == View::Program ? View::Fit : s.effectiveView();
    s.updatePresentedMesh();
    const std::optional<irr::core::aabbox3df> box = s.subject();
    irr::scene::ICameraSceneNode* camera = s.context.sceneManager->getActiveCamera();
    if (!box || camera == nullptr) {
        errors += "cubalorn-batch: no turntable: there are no voxels to turn\n";
        return false;
    }
    // One distance for every frame, so the sculpture turns without the
    // camera moving in and out; the program's own camera stays as it was.
    const std::optional<View> asked = s.view;
    s.view = View::Program;
    std::vector<std::string> written;
    bool ok = true;
    for (long long i = 0; i < frames; ++i) {
        const irr::f32 turn = 360.0f * irr::f32(i) / irr::f32(frames);
        s.placeCamera(frameTurning(*box, viewDirection(v, turn), camera->getAspectRatio()));
        const std::string path = turntableFramePath(picture, i);
        ok = drawFrame({path}, errors);
        if (!ok) break;  // the next frames would fail the same way
        written.push_back(path);
    }
    s.view = asked;
    if (!ok || written.empty()) return false;

    const std::string gif = animationPath(picture);
    std::string error;
    // About four seconds a turn, but never faster than 50 frames a second.
    const int delay = std::max(2, int(400 / frames));
    switch (writeAnimatedGif(written, gif, delay, error)) {
        case AnimationResult::Written: return true;
        case AnimationResult::ToolMissing:
            std::fprintf(stderr,
                         "cubalorn-batch: ImageMagick's convert is not installed: the turntable "
                         "frames are written, no %s\n",
                         gif.c_str());
            return true;
        case AnimationResult::Failed: errors += "cubalorn-batch: " + error + "\n"; return false;
    }
    return false;
}

}  // namespace cubalorn::batch
