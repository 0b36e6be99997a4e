#pragma once
// The fixed content of the scene besides the voxel mesh: the two cameras, the
// light and its marker, and the values derived from the settings for them and
// for the effects.

#include <irrlicht.h>

#include <array>
#include <string>
#include <vector>

#include "app/app_config.h"

namespace cubalorn {

struct Cameras {
    irr::scene::ICameraSceneNode* freeCamera =
        nullptr;  // flies with W, S, A, D, Space and the mouse
    irr::scene::ICameraSceneNode* fixedCamera = nullptr;  // stays where it is put
};

// The free camera's flying speed in world units (voxels) per millisecond:
// 25 voxels a second, four seconds across the default volume.
constexpr float kFreeCameraSpeed = 0.025f;

// Creates both cameras, puts them at the configured position and target and
// makes the free one active.
Cameras createCameras(irr::scene::ISceneManager& scene, const AppConfig& config);

// Moves one camera and aims it. The first-person camera turns towards its
// target from its last drawn position, so the new position is made current
// before the target is set.
void aimCamera(irr::scene::ICameraSceneNode& camera, const irr::core::vector3df& position,
               const irr::core::vector3df& target);

// Moves both cameras to a position and target.
void placeCameras(const Cameras& cameras, const std::array<float, 3>& position,
                  const std::array<float, 3>& target);

// Whether the free camera takes the keys and the mouse (it flies) or stays
// where it is put (the orbit moves it). The cursor hides while it flies.
void setFreeCameraFlying(irr::IrrlichtDevice& device, const Cameras& cameras, bool flying);

// Makes the fixed or the free camera the scene's active one.
void activateCamera(irr::scene::ISceneManager& scene, const Cameras& cameras,
                    bool fixedCameraActive);

struct Light {
    irr::scene::ILightSceneNode* node = nullptr;
    irr::scene::IMeshSceneNode* marker = nullptr;  // a small unlit sphere at the light
};

// The light (constant over distance) and its marker, and the scene's
// ambient light from the configured ambient: what the scene without effects
// is lit by.
Light createLight(irr::scene::ISceneManager& scene, const AppConfig& config);

// The light node's colour: the shadow light's channels (0..255 settings
// scaled to 0..1) with alpha 1. Only the scene without effects (lighting on)
// uses it.
irr::video::SColorf lightNodeColour(const std::array<float, 3>& lightColour);

// The shadow light's colour: each configured channel truncated to an
// integer, taken modulo 256, alpha 0, then scaled to 0..1 (255 gives 1.0).
irr::video::SColorf shadowLightColour(const std::array<float, 3>& lightColour);

// ".hlsl" for Direct3D 9, ".glsl" for every other driver.
const char* shaderExtension(irr::video::E_DRIVER_TYPE driverType);

// The post-processing passes in the order they are added: bright pass and
// bloom, and with blur the horizontal and vertical blur.
std::vector<std::string> postEffectFiles(bool blur, const char* extension);

}  // namespace cubalorn
