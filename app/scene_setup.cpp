#include "app/scene_setup.h"

namespace cubalorn {

namespace {

irr::core::vector3df toVector(const std::array<float, 3>& v) {
    return {v[0], v[1], v[2]};
}

irr::core::vector3df toVector(const std::array<int, 3>& v) {
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

// Truncation toward zero then modulo 256; values no integer can hold give 0.
irr::u32 truncatedChannel(float value) {
    if (!(value > -2147483648.0f && value < 2147483648.0f)) return 0;
    return static_cast<irr::u32>(static_cast<int32_t>(value)) & 0xFFu;
}

}  // namespace

Cameras createCameras(irr::scene::ISceneManager& scene, const AppConfig& config) {
    irr::SKeyMap keyMap[5];
    keyMap[0].Action = irr::EKA_MOVE_FORWARD;
    keyMap[0].KeyCode = irr::KEY_KEY_W;
    keyMap[1].Action = irr::EKA_MOVE_BACKWARD;
    keyMap[1].KeyCode = irr::KEY_KEY_S;
    keyMap[2].Action = irr::EKA_STRAFE_LEFT;
    keyMap[2].KeyCode = irr::KEY_KEY_A;
    keyMap[3].Action = irr::EKA_STRAFE_RIGHT;
    keyMap[3].KeyCode = irr::KEY_KEY_D;
    keyMap[4].Action = irr::EKA_JUMP_UP;
    keyMap[4].KeyCode = irr::KEY_SPACE;

    Cameras cameras;
    cameras.freeCamera =
        scene.addCameraSceneNodeFPS(nullptr, 30.0f, kFreeCameraSpeed, -1, keyMap, 5,
                                    /*noVerticalMovement=*/false, 0.0f,
                                    /*invertMouse=*/false, /*makeActive=*/true);
    cameras.fixedCamera = scene.addCameraSceneNode(nullptr, irr::core::vector3df(60, 10, -10),
                                                   irr::core::vector3df(60, 1, 10), -1, true);
    placeCameras(cameras, config.cameraPosition, config.cameraTarget);
    activateCamera(scene, cameras, false);
    return cameras;
}

void aimCamera(irr::scene::ICameraSceneNode& camera, const irr::core::vector3df& position,
               const irr::core::vector3df& target) {
    camera.setPosition(position);
    camera.updateAbsolutePosition();
    camera.setTarget(target);
}

void placeCameras(const Cameras& cameras, const std::array<float, 3>& position,
                  const std::array<float, 3>& target) {
    for (irr::scene::ICameraSceneNode* camera : {cameras.fixedCamera, cameras.freeCamera}) {
        if (camera != nullptr) aimCamera(*camera, toVector(position), toVector(target));
    }
}

void setFreeCameraFlying(irr::IrrlichtDevice& device, const Cameras& cameras, bool flying) {
    if (cameras.freeCamera != nullptr) cameras.freeCamera->setInputReceiverEnabled(flying);
    const bool freeCameraActive = device.getSceneManager()->getActiveCamera() == cameras.freeCamera;
    device.getCursorControl()->setVisible(!(flying && freeCameraActive));
}

void activateCamera(irr::scene::ISceneManager& scene, const Cameras& cameras,
                    bool fixedCameraActive) {
    scene.setActiveCamera(fixedCameraActive ? cameras.fixedCamera : cameras.freeCamera);
}

Light createLight(irr::scene::ISceneManager& scene, const AppConfig& config) {
    Light light;
    light.node = scene.addLightSceneNode(nullptr, toVector(config.lightPosition),
                                         lightNodeColour(config.lightColour), 800.0f, -1);
    if (light.node != nullptr) {
        // Full strength at any distance, like the shadow light: the engine's
        // fall-off over the radius would burn everything near it to white.
        light.node->getLightData().Attenuation = irr::core::vector3df(1.0f, 0.0f, 0.0f);
    }
    scene.setAmbientLight(irr::video::SColorf(irr::video::SColor(
        255, colourChannel(config.ambient[0]), colourChannel(config.ambient[1]),
        colourChannel(config.ambient[2]))));
    light.marker = scene.addSphereSceneNode(5.5f, 264, light.node, -1);
    if (light.marker != nullptr) light.marker->getMaterial(0).Lighting = false;
    return light;
}

irr::video::SColorf lightNodeColour(const std::array<float, 3>& c) {
    return irr::video::SColorf(irr::video::SColor(255, truncatedChannel(c[0]),
                                                  truncatedChannel(c[1]), truncatedChannel(c[2])));
}

irr::video::SColorf shadowLightColour(const std::array<float, 3>& c) {
    return irr::video::SColorf(irr::video::SColor(0, truncatedChannel(c[0]), truncatedChannel(c[1]),
                                                  truncatedChannel(c[2])));
}

const char* shaderExtension(irr::video::E_DRIVER_TYPE driverType) {
    return driverType == irr::video::EDT_DIRECT3D9 ? ".hlsl" : ".glsl";
}

std::vector<std::string> postEffectFiles(bool blur, const char* extension) {
    std::vector<std::string> files = {"shaders/BrightPass", "shaders/BloomP"};
    if (blur) {
        files.push_back("shaders/BlurHP");
        files.push_back("shaders/BlurVP");
    }
    for (std::string& f : files) f += extension;
    return files;
}

}  // namespace cubalorn
