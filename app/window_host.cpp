#include "app/window_host.h"

#include "app/mesh_presentation.h"

namespace cubalorn {

void WindowHost::setBackground(int r, int g, int b) {
    config_.background = {r, g, b};
}

void WindowHost::setCamera(float px, float py, float pz, float tx, float ty, float tz) {
    config_.cameraPosition = {px, py, pz};
    config_.cameraTarget = {tx, ty, tz};
    placeCameras(s_.cameras, config_.cameraPosition, config_.cameraTarget);
    s_.cameraMoved = true;
}

void WindowHost::setLight(int px, int py, int pz, int tx, int ty, int tz) {
    config_.lightPosition = {px, py, pz};
    config_.lightTarget = {tx, ty, tz};
}

void WindowHost::changeCamera(bool fixedCamera) {
    s_.fixedCameraActive = fixedCamera;
    if (s_.device == nullptr) return;
    activateCamera(*s_.device->getSceneManager(), s_.cameras, fixedCamera);
    setFreeCameraFlying(*s_.device, s_.cameras, s_.freeCameraFlies);
    s_.cameraMoved = true;
}

bool WindowHost::hasFont(const std::string& name) const {
    for (const FontEntry& entry : s_.fontList)
        if (entry.name == name) return true;
    return false;
}

void WindowHost::addFont(const std::string& storedName, const std::string& path) {
    irr::gui::IGUIFont* font = nullptr;
    if (s_.device != nullptr) font = s_.device->getGUIEnvironment()->getFont(path.c_str());
    s_.fontList.push_back({storedName, font});
}

bool WindowHost::hasTexture(const std::string& name) const {
    for (const TextureEntry& entry : s_.textureList)
        if (entry.name == name) return true;
    return false;
}

void WindowHost::addTexture(const std::string& name, const std::string& path, int a, int b, int c,
                            int d) {
    irr::video::ITexture* texture = nullptr;
    if (s_.device != nullptr) texture = s_.device->getVideoDriver()->getTexture(path.c_str());
    s_.textureList.push_back({name, texture, a, b, c, d});
}

void WindowHost::setCubicMode(bool cubic) {
    config_.cubicMode = cubic;
    if (textureFollowsCubicMode_ && s_.meshNode != nullptr && s_.device != nullptr) {
        setVoxelTexture(*s_.meshNode, *s_.device->getVideoDriver(), cubic);
    }
}

bool WindowHost::readConsoleLine(std::string& line) {
    ++readsAsked_;
    const ConsoleRead read = console_.readLine(line, whileReading_);
    return read != ConsoleRead::EndOfInput && read != ConsoleRead::Interrupted;
}

}  // namespace cubalorn
