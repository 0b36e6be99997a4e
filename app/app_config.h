#pragma once
// The start-up settings: written by the settings pre-pass of a program file,
// the configuration file and a few host commands; read while the window, the
// volume and the effects are built.

#include <array>
#include <cstdint>
#include <string>

namespace cubalorn {

// Settings that no configuration file gives get these values. The table in
// the README lists them; change both together.
namespace defaults {
constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;
constexpr int kBitsPerPixel = 32;
constexpr std::array<int, 3> kAmbient{110, 112, 122};
constexpr std::array<float, 3> kLightColour{150.0f, 146.0f, 134.0f};
constexpr int kShadowMapFilter = 1;
}  // namespace defaults

struct AppConfig {
    int windowWidth = defaults::kWindowWidth;
    int windowHeight = defaults::kWindowHeight;
    int bitsPerPixel = defaults::kBitsPerPixel;
    bool fullscreen = false;
    std::array<int, 3> background{0, 0, 0};
    std::array<int, 3> ambient = defaults::kAmbient;
    std::array<float, 3> lightColour = defaults::kLightColour;
    std::array<int, 3> lightPosition{0, 0, 0};
    std::array<int, 3> lightTarget{0, 0, 0};
    bool useEffects = true;
    bool blur = false;
    int shadowMapFilter = defaults::kShadowMapFilter;
    bool ambientOcclusion = false;  // darken the cubic mesh's closed-in corners
    std::array<int, 3> volumeMax{0, 0, 0};
    bool cubicMode = true;
    std::array<float, 3> cameraPosition{0, 0, 0};
    std::array<float, 3> cameraTarget{0, 0, 0};
    bool showCameraPosition = false;
    // Put before "shaders/..." when the shaders are read: empty for the
    // working folder, else the installed place that has them, with its '/'.
    std::string shaderRoot;
};

// The effect handler knows filters 0 to 4; anything outside 0..3 asks for the
// widest one.
inline int clampShadowFilter(int filter) {
    return filter >= 0 && filter <= 3 ? filter : 4;
}

// Colour components from settings are taken modulo 256, as an 8-bit channel
// would wrap (256 gives 0, -1 gives 255).
inline uint8_t colourChannel(int value) {
    return static_cast<uint8_t>(value & 0xFF);
}

}  // namespace cubalorn
