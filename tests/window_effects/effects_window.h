#pragma once
// A real OpenGL window (run under Xvfb) for the effect handler's tests:
// builds small scenes, renders one frame through a handler or the plain
// scene manager, and reads the back buffer before the frame is shown.

#include <irrlicht.h>

#include <memory>
#include <string>
#include <vector>

#include "effects/effect_handler.h"

namespace cubalorn::testing {

struct Rgb {
    double r = 0, g = 0, b = 0;
    double luminance() const { return 0.299 * r + 0.587 * g + 0.114 * b; }
};

class Capture {
public:
    Capture(int width, int height, std::vector<unsigned char> rgba)
        : width_(width), height_(height), rgba_(std::move(rgba)) {}
    int width() const { return width_; }
    int height() const { return height_; }
    // Mean colour of the (2r+1)^2 patch around a point given from the top-left.
    Rgb mean(int x, int y, int radius = 2) const;
    void writePng(irr::video::IVideoDriver* driver, const std::string& name) const;

private:
    int width_, height_;
    std::vector<unsigned char> rgba_;  // rows bottom-up, as OpenGL reads them
};

class LogRecorder : public irr::IEventReceiver {
public:
    bool OnEvent(const irr::SEvent& event) override;
    std::vector<std::string> effectsLines() const;  // lines starting "Effects: "
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

class EffectsWindow {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    // Null when no OpenGL window can be opened.
    static std::unique_ptr<EffectsWindow> open();
    ~EffectsWindow();

    irr::IrrlichtDevice* device() const { return device_; }
    irr::video::IVideoDriver* driver() const { return device_->getVideoDriver(); }
    irr::scene::ISceneManager* scene() const { return device_->getSceneManager(); }
    LogRecorder& log() { return log_; }

    // Removes every node but keeps the device.
    void clearScene();
    // A box of the given size whose base centre stands at `base`, drawn
    // unlit in `colour`.
    irr::scene::IMeshSceneNode* addBox(const irr::core::vector3df& base,
                                       const irr::core::vector3df& size, irr::video::SColor colour);
    // A flat floor at height 0 made of square tiles.
    irr::scene::IMeshSceneNode* addFloor(irr::f32 halfExtent, irr::f32 tile,
                                         irr::video::SColor colour);
    irr::scene::ICameraSceneNode* setCamera(const irr::core::vector3df& position,
                                            const irr::core::vector3df& target);

    // One frame through the handler (or drawAll when null), captured from the
    // back buffer and, when a capture folder is set, saved as <name>.png.
    Capture render(EffectHandler* handler, const std::string& name);

    irr::core::position2di project(const irr::core::vector3df& point) const;

private:
    explicit EffectsWindow(irr::IrrlichtDevice* device) : device_(device) {}
    irr::IrrlichtDevice* device_;
    LogRecorder log_;
};

}  // namespace cubalorn::testing
