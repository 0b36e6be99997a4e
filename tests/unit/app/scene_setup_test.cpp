#include "app/scene_setup.h"

#include <gtest/gtest.h>

#include "null_device.h"

namespace cubalorn {
namespace {

using testing::nullDevice;

TEST(SceneSetup, CamerasStartAtTheConfiguredPlaceWithTheFreeOneActive) {
    irr::scene::ISceneManager& scene = *nullDevice().getSceneManager();
    AppConfig config;
    config.cameraPosition = {-10, 75, 45};
    config.cameraTarget = {-50, 25, -45};
    const Cameras cameras = createCameras(scene, config);
    ASSERT_NE(cameras.freeCamera, nullptr);
    ASSERT_NE(cameras.fixedCamera, nullptr);
    EXPECT_EQ(scene.getActiveCamera(), cameras.freeCamera);
    for (irr::scene::ICameraSceneNode* camera : {cameras.freeCamera, cameras.fixedCamera}) {
        EXPECT_EQ(camera->getPosition(), irr::core::vector3df(-10, 75, 45));
        EXPECT_EQ(camera->getTarget(), irr::core::vector3df(-50, 25, -45));
    }

    activateCamera(scene, cameras, true);
    EXPECT_EQ(scene.getActiveCamera(), cameras.fixedCamera);
    placeCameras(cameras, {1, 2, 3}, {4, 5, 6});
    EXPECT_EQ(cameras.freeCamera->getPosition(), irr::core::vector3df(1, 2, 3));
    EXPECT_EQ(cameras.fixedCamera->getTarget(), irr::core::vector3df(4, 5, 6));
    activateCamera(scene, cameras, false);
    EXPECT_EQ(scene.getActiveCamera(), cameras.freeCamera);

    // The free camera moves with W, S, A, D and Space.
    ASSERT_FALSE(cameras.freeCamera->getAnimators().empty());
    auto* animator = static_cast<irr::scene::ISceneNodeAnimatorCameraFPS*>(
        *cameras.freeCamera->getAnimators().begin());
    ASSERT_EQ(animator->getType(), irr::scene::ESNAT_CAMERA_FPS);
    // Slow enough to steer: the default 100-voxel volume takes seconds to cross.
    EXPECT_GE(100.0f / (animator->getMoveSpeed() * 1000.0f), 3.0f);
    EXPECT_EQ(animator->getKeyMap().size(), 5u);
    EXPECT_EQ(animator->getKeyMap()[0].KeyCode, irr::KEY_KEY_W);
    EXPECT_EQ(animator->getKeyMap()[4].Action, irr::EKA_JUMP_UP);

    cameras.freeCamera->remove();
    cameras.fixedCamera->remove();
}

// A camera drawn at one place and then sent elsewhere must look at its new
// target at once, flying or not, after the next frame's animation too.
TEST(SceneSetup, PlacedCamerasLookAtTheirTargetOnTheFirstCall) {
    irr::IrrlichtDevice& device = nullDevice();
    irr::scene::ISceneManager& scene = *device.getSceneManager();
    AppConfig config;
    config.cameraPosition = {-5, 80, 20};
    config.cameraTarget = {-50, 22, -48};
    const struct {
        bool fixedActive, flying;
    } cases[] = {{false, false}, {false, true}, {true, false}};
    for (const auto& c : cases) {
        const Cameras cameras = createCameras(scene, config);
        activateCamera(scene, cameras, c.fixedActive);
        setFreeCameraFlying(device, cameras, c.flying);
        for (irr::scene::ICameraSceneNode* camera : {cameras.freeCamera, cameras.fixedCamera}) {
            camera->OnAnimate(1000);  // drawn where it stood
            camera->updateAbsolutePosition();
        }
        const irr::core::vector3df position(-120, 60, -120), target(-50, 10, -50);
        placeCameras(cameras, {-120, 60, -120}, {-50, 10, -50});
        const irr::core::vector3df wanted = (target - position).normalize();
        for (irr::scene::ICameraSceneNode* camera : {cameras.freeCamera, cameras.fixedCamera}) {
            camera->OnAnimate(1016);
            const irr::core::vector3df seen =
                (camera->getTarget() - camera->getPosition()).normalize();
            EXPECT_GT(seen.dotProduct(wanted), 0.9999f)
                << (camera == cameras.freeCamera ? "free" : "fixed") << " camera, flying "
                << c.flying;
            EXPECT_EQ(camera->getPosition(), position);
        }
        cameras.freeCamera->remove();
        cameras.fixedCamera->remove();
    }
}

TEST(SceneSetup, LightAndUnlitMarker) {
    irr::scene::ISceneManager& scene = *nullDevice().getSceneManager();
    AppConfig config;
    config.lightPosition = {20, 150, 40};
    config.lightColour = {255, 248, 232};
    const Light light = createLight(scene, config);
    ASSERT_NE(light.node, nullptr);
    ASSERT_NE(light.marker, nullptr);
    EXPECT_EQ(light.node->getPosition(), irr::core::vector3df(20, 150, 40));
    EXPECT_FLOAT_EQ(light.node->getRadius(), 800.0f);
    EXPECT_EQ(light.marker->getParent(), light.node) << "the marker follows the light";
    EXPECT_FALSE(light.marker->getMaterial(0).Lighting);
    EXPECT_FLOAT_EQ(light.node->getLightData().DiffuseColor.g, 248 / 255.0f);
    // No fall-off: the engine's default over the radius burns nearby faces white.
    EXPECT_EQ(light.node->getLightData().Attenuation, irr::core::vector3df(1, 0, 0));
    EXPECT_FLOAT_EQ(scene.getAmbientLight().g, AppConfig().ambient[1] / 255.0f);
    light.node->remove();
}

TEST(SceneSetup, LightColours) {
    const struct {
        std::array<float, 3> configured;
        irr::video::SColorf node;    // r, g, b, a
        irr::video::SColorf shadow;  // r, g, b, a
    } cases[] = {
        {{255, 128, 0}, {1.0f, 128 / 255.0f, 0.0f, 1.0f}, {1.0f, 128 / 255.0f, 0.0f, 0.0f}},
        {{1.0f, 0.5f, 2.9f}, {1 / 255.0f, 0.0f, 2 / 255.0f, 1.0f}, {1 / 255.0f, 0.0f, 2 / 255.0f, 0.0f}},
        {{256, 300, -1}, {0.0f, 44 / 255.0f, 1.0f, 1.0f}, {0.0f, 44 / 255.0f, 1.0f, 0.0f}},
        {{1e30f, -1e30f, 0}, {0.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        const irr::video::SColorf node = lightNodeColour(c.configured);
        const irr::video::SColorf shadow = shadowLightColour(c.configured);
        EXPECT_FLOAT_EQ(node.r, c.node.r);
        EXPECT_FLOAT_EQ(node.g, c.node.g);
        EXPECT_FLOAT_EQ(node.b, c.node.b);
        EXPECT_FLOAT_EQ(node.a, c.node.a);
        EXPECT_FLOAT_EQ(shadow.r, c.shadow.r);
        EXPECT_FLOAT_EQ(shadow.g, c.shadow.g);
        EXPECT_FLOAT_EQ(shadow.b, c.shadow.b);
        EXPECT_FLOAT_EQ(shadow.a, c.shadow.a);
    }
}

TEST(SceneSetup, ShaderFilesFollowDriverAndBlur) {
    EXPECT_STREQ(shaderExtension(irr::video::EDT_DIRECT3D9), ".hlsl");
    EXPECT_STREQ(shaderExtension(irr::video::EDT_OPENGL), ".glsl");
    EXPECT_STREQ(shaderExtension(irr::video::EDT_BURNINGSVIDEO), ".glsl");
    EXPECT_EQ(postEffectFiles(false, ".glsl"),
              (std::vector<std::string>{"shaders/BrightPass.glsl", "shaders/BloomP.glsl"}));
    EXPECT_EQ(postEffectFiles(true, ".hlsl"),
              (std::vector<std::string>{"shaders/BrightPass.hlsl", "shaders/BloomP.hlsl",
                                        "shaders/BlurHP.hlsl", "shaders/BlurVP.hlsl"}));
}

}  // namespace
}  // namespace cubalorn
