#include "app/window_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/mesh_presentation.h"
#include "null_device.h"

namespace cubalorn {
namespace {

using testing::nullDevice;

class WindowHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        input = fmemopen(inputText, std::strlen(inputText), "rb");
        console = std::make_unique<ConsoleInput>(input, out);
        context.device = &nullDevice();
        context.sceneManager = nullDevice().getSceneManager();
        context.cameras = createCameras(*context.sceneManager, config);
        host = std::make_unique<WindowHost>(context, config, *console);
    }
    void TearDown() override {
        context.cameras.freeCamera->remove();
        context.cameras.fixedCamera->remove();
        std::fclose(input);
    }

    char inputText[200] =
        "first line\n"
        "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
        "\n"
        "last";
    std::FILE* input = nullptr;
    StringOutput out;
    std::unique_ptr<ConsoleInput> console;
    AppConfig config;
    AppContext context;
    std::unique_ptr<WindowHost> host;
};

TEST_F(WindowHostTest, SettingsAndCameras) {
    host->setBackground(1, 2, 300);
    EXPECT_EQ(config.background, (std::array<int, 3>{1, 2, 300}));
    host->setLight(1, 2, 3, 4, 5, 6);
    EXPECT_EQ(config.lightPosition, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(config.lightTarget, (std::array<int, 3>{4, 5, 6}));

    host->setCamera(10, 20, 30, 40, 50, 60.5f);
    EXPECT_EQ(config.cameraPosition, (std::array<float, 3>{10, 20, 30}));
    EXPECT_EQ(config.cameraTarget, (std::array<float, 3>{40, 50, 60.5f}));
    for (auto* camera : {context.cameras.freeCamera, context.cameras.fixedCamera}) {
        EXPECT_EQ(camera->getPosition(), irr::core::vector3df(10, 20, 30));
        EXPECT_EQ(camera->getTarget(), irr::core::vector3df(40, 50, 60.5f));
    }

    host->changeCamera(true);
    EXPECT_TRUE(context.fixedCameraActive);
    EXPECT_EQ(context.sceneManager->getActiveCamera(), context.cameras.fixedCamera);
    host->changeCamera(false);
    EXPECT_FALSE(context.fixedCameraActive);
    EXPECT_EQ(context.sceneManager->getActiveCamera(), context.cameras.freeCamera);
}

TEST_F(WindowHostTest, FontsAndTexturesAreKeptEvenWhenTheyFailToLoad) {
    EXPECT_FALSE(host->hasFont("media/sans"));
    host->addFont("media/sans", "media/sans.bmp");
    host->addFont("missing", "media/missing.bmp");
    ASSERT_EQ(context.fontList.size(), 2u);
    EXPECT_TRUE(host->hasFont("media/sans"));
    EXPECT_TRUE(host->hasFont("missing"));
    EXPECT_FALSE(host->hasFont("media/sans.bmp"));
    EXPECT_NE(context.fontList[0].font, nullptr);
    EXPECT_EQ(context.fontList[1].font, nullptr);

    host->addTexture("media/voxeltexture.bmp", "media/voxeltexture.bmp", 1, 2, 3, 4);
    host->addTexture("media/none.bmp", "media/none.bmp", 5, 6, 7, 8);
    ASSERT_EQ(context.textureList.size(), 2u);
    EXPECT_TRUE(host->hasTexture("media/none.bmp"));
    EXPECT_NE(context.textureList[0].texture, nullptr);
    EXPECT_EQ(context.textureList[1].texture, nullptr);
    EXPECT_EQ(context.textureList[1].d, 8);
}

TEST_F(WindowHostTest, InputComesFromTheReceiverAndTheConsole) {
    context.receiver.keyDown[87] = true;
    context.receiver.leftButtonDown = true;
    context.receiver.mouseX = 12;
    context.receiver.mouseY = 34;
    EXPECT_TRUE(host->isKeyDown(87));
    EXPECT_FALSE(host->isKeyDown(88));
    EXPECT_FALSE(host->isKeyDown(255));
    EXPECT_FALSE(host->isKeyDown(-1));
    EXPECT_TRUE(host->isLeftButtonDown());
    EXPECT_EQ(host->mouseX(), 12);
    EXPECT_EQ(host->mouseY(), 34);

    std::string line;
    EXPECT_TRUE(host->readConsoleLine(line));
    EXPECT_EQ(line, "first line");
    EXPECT_TRUE(host->readConsoleLine(line)) << "a refused line is an empty one";
    EXPECT_EQ(line, "");
    EXPECT_TRUE(host->readConsoleLine(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(host->readConsoleLine(line));
    EXPECT_NE(out.text().find("longer than 79"), std::string::npos);
}

TEST_F(WindowHostTest, CubicModeSwitchesTheTextureOnceTheNodeExists) {
    host->setCubicMode(false);
    EXPECT_FALSE(config.cubicMode);
    irr::scene::SMesh* mesh = new irr::scene::SMesh();
    irr::scene::CDynamicMeshBuffer* buffer = createVoxelMeshBuffer();
    mesh->addMeshBuffer(buffer);
    context.meshNode = context.sceneManager->addMeshSceneNode(mesh);
    host->setCubicMode(true);
    EXPECT_TRUE(config.cubicMode);
    EXPECT_NE(context.meshNode->getMaterial(0).getTexture(0), nullptr);
    host->setCubicMode(false);
    EXPECT_EQ(context.meshNode->getMaterial(0).getTexture(0), nullptr);
    // With a program file the mode switches but the texture stays as it is.
    host->setTextureFollowsCubicMode(false);
    host->setCubicMode(true);
    EXPECT_TRUE(config.cubicMode);
    EXPECT_EQ(context.meshNode->getMaterial(0).getTexture(0), nullptr);
    context.meshNode->remove();
    mesh->drop();
    buffer->drop();
}

}  // namespace
}  // namespace cubalorn
