// cubalorn-batch built without the engine (CUBALORN_ENGINE off): everything
// but rendering works, and --png says why it cannot.

#include <cstdlib>

#include "window_stage.h"

namespace cubalorn::batch {

struct WindowStage::Impl {};

WindowStage::WindowStage(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
WindowStage::~WindowStage() = default;

std::unique_ptr<WindowStage> WindowStage::open(const Request&, Output&, std::string& error) {
    error =
        "--png needs the engine, and this cubalorn-batch was built without it "
        "(CUBALORN_ENGINE=OFF)";
    return nullptr;
}

// Never reached: no stage is ever opened.
Host& WindowStage::host() {
    std::abort();
}
Vec3i WindowStage::volumeMax() const {
    return {};
}
void WindowStage::present(VoxelVolume&, World&) {}
bool WindowStage::drawFrame(const std::vector<std::string>&, std::string&) {
    return false;
}
bool WindowStage::drawTurntable(long long, const std::string&, std::string&) {
    return false;
}

}  // namespace cubalorn::batch
