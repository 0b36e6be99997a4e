#pragma once
// The interpreter's road to the window: host commands act on the settings,
// the cameras, the font and texture lists, the screen-text queue, the event
// receiver and the console.

#include <irrlicht.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "app/app_context.h"
#include "app/console_input.h"
#include "interp/host.h"

namespace cubalorn {

class WindowHost : public Host {
public:
    // Engine pointers of the context may still be null (the settings
    // pre-pass runs before the window exists).
    WindowHost(AppContext& context, AppConfig& config, ConsoleInput& console)
        : s_(context), config_(config), console_(console) {}

    void setBackground(int r, int g, int b) override;
    void setCamera(float px, float py, float pz, float tx, float ty, float tz) override;
    void setLight(int px, int py, int pz, int tx, int ty, int tz) override;
    void changeCamera(bool fixedCamera) override;

    bool hasFont(const std::string& name) const override;
    void addFont(const std::string& storedName, const std::string& path) override;
    bool hasTexture(const std::string& name) const override;
    void addTexture(const std::string& name, const std::string& path, int a, int b, int c,
                    int d) override;

    std::vector<ScreenText>& screenTexts() override { return s_.screenTextList; }

    bool isKeyDown(int keyCode) const override { return s_.receiver.isKeyDown(keyCode); }
    bool isLeftButtonDown() const override { return s_.receiver.leftButtonDown; }
    int mouseX() const override { return s_.receiver.mouseX; }
    int mouseY() const override { return s_.receiver.mouseY; }

    void setCubicMode(bool cubic) override;
    // Whether SETVOXELCUBIC also adds or removes the voxel texture; a
    // program file named on the command line leaves the texture alone.
    void setTextureFollowsCubicMode(bool follows) { textureFollowsCubicMode_ = follows; }

    // A refused (too long) line reads as an empty one; only a closed
    // standard input (or a wait given up) returns false.
    bool readConsoleLine(std::string& line) override;
    // Asked every few milliseconds while READLIST waits for its line; false
    // gives the wait up. It may also end the running line.
    void setWhileReading(std::function<bool()> whileReading) {
        whileReading_ = std::move(whileReading);
    }
    // How many times READLIST has asked for a line.
    uint64_t readsAsked() const { return readsAsked_; }

private:
    AppContext& s_;
    AppConfig& config_;
    ConsoleInput& console_;
    bool textureFollowsCubicMode_ = true;
    std::function<bool()> whileReading_;
    uint64_t readsAsked_ = 0;
};

}  // namespace cubalorn
