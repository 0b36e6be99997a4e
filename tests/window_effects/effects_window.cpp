#include "effects_window.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

namespace cubalorn::testing {

using namespace irr;

Rgb Capture::mean(int x, int y, int radius) const {
    Rgb sum;
    int n = 0;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            int px = x + dx, py = y + dy;
            if (px < 0 || py < 0 || px >= width_ || py >= height_) continue;
            const unsigned char* p = &rgba_[4 * ((height_ - 1 - py) * width_ + px)];
            sum.r += p[0];
            sum.g += p[1];
            sum.b += p[2];
            ++n;
        }
    }
    if (n) sum.r /= n, sum.g /= n, sum.b /= n;
    return sum;
}

void Capture::writePng(video::IVideoDriver* driver, const std::string& name) const {
    const char* folder = std::getenv("CUBALORN_CAPTURE_DIR");
    if (!folder || !*folder) return;
    // The engine's A8R8G8B8 is a little-endian 0xAARRGGBB word: B, G, R, A in memory.
    std::vector<unsigned char> bgra(rgba_.size());
    for (int y = 0; y < height_; ++y) {
        const unsigned char* src = &rgba_[4 * (height_ - 1 - y) * width_];
        unsigned char* dst = &bgra[4 * y * width_];
        for (int x = 0; x < width_; ++x) {
            dst[4 * x + 0] = src[4 * x + 2];
            dst[4 * x + 1] = src[4 * x + 1];
            dst[4 * x + 2] = src[4 * x + 0];
            dst[4 * x + 3] = 255;
        }
    }
    video::IImage* image = driver->createImageFromData(
        video::ECF_A8R8G8B8, core::dimension2du(width_, height_), bgra.data(), false, false);
    driver->writeImageToFile(image, (std::string(folder) + "/" + name + ".png").c_str());
    image->drop();
}

bool LogRecorder::OnEvent(const SEvent& event) {
    if (event.EventType == EET_LOG_TEXT_EVENT) lines_.push_back(event.LogEvent.Text);
    return false;
}

std::vector<std::string> LogRecorder::effectsLines() const {
    std::vector<std::string> out;
    for (const std::string& line : lines_)
        if (line.rfind("Effects: ", 0) == 0) out.push_back(line);
    return out;
}

std::unique_ptr<EffectsWindow> EffectsWindow::open() {
    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_OPENGL;
    params.WindowSize = core::dimension2du(kWidth, kHeight);
    params.Bits = 24;
    params.Stencilbuffer = false;
    params.Vsync = false;
    IrrlichtDevice* device = createDeviceEx(params);
    if (!device) return nullptr;
    std::unique_ptr<EffectsWindow> window(new EffectsWindow(device));
    device->setEventReceiver(&window->log_);
    return window;
}

EffectsWindow::~EffectsWindow() {
    device_->setEventReceiver(nullptr);
    device_->closeDevice();
    device_->run();
    device_->drop();
}

void EffectsWindow::clearScene() {
    scene()->clear();
}

scene::IMeshSceneNode* EffectsWindow::addBox(const core::vector3df& base,
                                             const core::vector3df& size, video::SColor colour) {
    // Flat-shaded like voxel faces: four vertices per face with the face's
    // normal (the engine's own cube has corner normals).
    static const float kFaces[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0},
                                       {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    scene::SMeshBuffer* buffer = new scene::SMeshBuffer();
    const core::vector3df half = size * 0.5f;
    for (const auto& f : kFaces) {
        const core::vector3df n(f[0], f[1], f[2]);
        // Two axes spanning the face, ordered so the face is clockwise seen from outside.
        core::vector3df u = std::fabs(n.Y) > 0.5f ? core::vector3df(1, 0, 0) : core::vector3df(0, 1, 0);
        core::vector3df v = n.crossProduct(u);
        const u16 first = static_cast<u16>(buffer->Vertices.size());
        const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
        for (const auto& c : corners) {
            core::vector3df p = n + u * c[0] + v * c[1];
            buffer->Vertices.push_back(video::S3DVertex(p.X * half.X, p.Y * half.Y, p.Z * half.Z,
                                                        n.X, n.Y, n.Z, colour, 0.5f + 0.5f * c[0],
                                                        0.5f + 0.5f * c[1]));
        }
        const u16 order[6] = {0, 1, 2, 0, 2, 3};
        for (u16 i : order) buffer->Indices.push_back(first + i);
    }
    buffer->recalculateBoundingBox();
    scene::SMesh* mesh = new scene::SMesh();
    mesh->addMeshBuffer(buffer);
    mesh->recalculateBoundingBox();
    buffer->drop();
    scene::IMeshSceneNode* node =
        scene()->addMeshSceneNode(mesh, nullptr, -1, base + core::vector3df(0, size.Y / 2, 0));
    mesh->drop();
    node->setMaterialFlag(video::EMF_LIGHTING, false);
    node->setMaterialFlag(video::EMF_BACK_FACE_CULLING, false);
    return node;
}

scene::IMeshSceneNode* EffectsWindow::addFloor(f32 halfExtent, f32 tile, video::SColor colour) {
    // Tiles like voxel tops, so the per-vertex light direction is sampled
    // finely enough across the floor.
    scene::SMeshBuffer* buffer = new scene::SMeshBuffer();
    const int count = static_cast<int>(2 * halfExtent / tile);
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < count; ++k) {
            const f32 x = -halfExtent + i * tile, z = -halfExtent + k * tile;
            const u16 first = static_cast<u16>(buffer->Vertices.size());
            const f32 corners[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
            for (const auto& c : corners)
                buffer->Vertices.push_back(video::S3DVertex(x + c[0] * tile, 0, z + c[1] * tile, 0,
                                                            1, 0, colour, c[0], c[1]));
            const u16 order[6] = {0, 1, 2, 0, 2, 3};
            for (u16 o : order) buffer->Indices.push_back(first + o);
        }
    }
    buffer->recalculateBoundingBox();
    scene::SMesh* mesh = new scene::SMesh();
    mesh->addMeshBuffer(buffer);
    mesh->recalculateBoundingBox();
    buffer->drop();
    scene::IMeshSceneNode* node = scene()->addMeshSceneNode(mesh);
    mesh->drop();
    node->setMaterialFlag(video::EMF_LIGHTING, false);
    node->setMaterialFlag(video::EMF_BACK_FACE_CULLING, false);
    return node;
}

scene::ICameraSceneNode* EffectsWindow::setCamera(const core::vector3df& position,
                                                  const core::vector3df& target) {
    scene::ICameraSceneNode* camera = scene()->addCameraSceneNode(nullptr, position, target);
    scene()->setActiveCamera(camera);
    return camera;
}

Capture EffectsWindow::render(EffectHandler* handler, const std::string& name) {
    device_->run();
    video::IVideoDriver* d = driver();
    d->beginScene(true, true, video::SColor(255, 0, 0, 0));
    if (handler)
        handler->renderFrame();
    else
        scene()->drawAll();
    // The front buffer is black under Xvfb: read what was drawn before showing it.
    std::vector<unsigned char> rgba(4 * kWidth * kHeight);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    d->endScene();
    Capture capture(kWidth, kHeight, std::move(rgba));
    capture.writePng(d, name);
    return capture;
}

core::position2di EffectsWindow::project(const core::vector3df& point) const {
    return scene()->getSceneCollisionManager()->getScreenCoordinatesFrom3DPosition(point);
}

}  // namespace cubalorn::testing
