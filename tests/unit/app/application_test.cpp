// The whole program on the engine's null driver: start-up texts in their
// order, the settings that win, what the first run of a program file reaches,
// the console loop and its frames, and the per-frame steps.

#include "app/application.h"
#include "app/effects_setup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/console_dialogue.h"
#include "app/frame.h"
#include "app/interrupts.h"
#include "app/mesh_presentation.h"
#include "application_fixture.h"
#include "effects/effect_handler.h"
#include "extract/cubic_extractor.h"
#include "extract/smooth_extractor.h"
#include "interp/interpreter.h"
#include "null_device.h"
#include "voxel/undo_history.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

TEST_F(ApplicationTest, StartUpTextsFollowTheMode) {
    write("prog.logo", "print \"hi");
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        RunMode mode;
        std::string printed;
    } cases[] = {
        {"interactive",
         {},
         RunMode::Interactive,
         "main Argument (none) \nmaxx 3 \nmaxy 4 \nmaxz 5 \nVoxel core 0.2\nvert 0 \nind  0 \n" +
             kBanner + fullHelp()},
        {"program file",
         {"prog.logo"},
         RunMode::ProgramFile,
         "main Argument prog.logo \nfile:\nprint \"hi \nmaxx 3 \nmaxy 4 \nmaxz 5 \n"
         "Voxel core 0.2\nhi\nvert 0 \nind  0 \n" +
             kBanner},
        {"missing program file",
         {"none.logo"},
         RunMode::ProgramFile,
         "main Argument none.logo \nERROR - could not open file none.logo\nmaxx 3 \nmaxy 4 \n"
         "maxz 5 \nVoxel core 0.2\nvert 0 \nind  0 \n" +
             kBanner},
        {"two arguments",
         {"prog.logo", "x"},
         RunMode::Neither,
         "main Argument prog.logo \nmaxx 3 \nmaxy 4 \nmaxz 5 \nVoxel core 0.2\nvert 0 \nind  0 \n" +
             kBanner},
    };
    for (const auto& c : cases) {
        out_.clear();
        if (input_ != nullptr) std::fclose(input_);
        Application& app = start();
        EXPECT_TRUE(app.startUp(c.arguments)) << c.name;
        EXPECT_EQ(app.mode(), c.mode) << c.name;
        EXPECT_EQ(out_.text(), c.printed) << c.name;
        app_.reset();
    }
}

TEST_F(ApplicationTest, UnusableWindowSizeEndsBeforeTheBanner) {
    const struct {
        const char* screen;
    } cases[] = {{"<screen fullscreen=\"false\"/>"},
                 {"<screen dimensionx=\"-640\" dimensiony=\"480\"/>"},
                 {"<screen dimensionx=\"640\" dimensiony=\"0\"/>"}};
    for (const auto& c : cases) {
        write("configwindows.xml.txt", std::string("<config>") + c.screen + "</config>");
        out_.clear();
        if (input_ != nullptr) std::fclose(input_);
        EXPECT_EQ(start().run({}), 1) << c.screen;
        EXPECT_EQ(out_.text(), "main Argument (none) \nmaxx 0 \nmaxy 0 \nmaxz 0 \nVoxel core 0.2\n")
            << c.screen;
        EXPECT_EQ(app_->context().device, nullptr);
        app_.reset();
    }
}

TEST_F(ApplicationTest, ProgramFileSettingsWinOverTheConfiguration) {
    // BACKGROUND 0 0 0 leaves the background to the configuration (the
    // pre-pass finds it in a procedure that never runs).
    write("prog.logo",
          "INITVOLUMESIZE 10 6 8\nCAMERAPOS 1 2 3 4 5 6\nto \"unused BACKGROUND 0 0 0 end\n");
    Application& app = start();
    ASSERT_TRUE(app.startUp({"prog.logo"}));
    EXPECT_EQ(app.config().volumeMax, (std::array<int, 3>{10, 6, 8}));
    const Region& region = app.world()->volume.region();
    EXPECT_EQ(region.upper, (Vec3i{10, 6, 8}));
    EXPECT_EQ(region.lower, (Vec3i{0, 0, 0}));
    EXPECT_NE(out_.text().find("maxx 10 \nmaxy 6 \nmaxz 8 \n"), std::string::npos);
    EXPECT_EQ(app.config().background, (std::array<int, 3>{7, 8, 9}));
    EXPECT_EQ(app.context().backgroundColour, irr::video::SColor(0, 7, 8, 9));
    for (auto* camera : {app.context().cameras.freeCamera, app.context().cameras.fixedCamera}) {
        EXPECT_EQ(camera->getPosition(), irr::core::vector3df(1, 2, 3));
        EXPECT_EQ(camera->getTarget(), irr::core::vector3df(4, 5, 6));
    }
    EXPECT_EQ(app.context().sceneManager->getActiveCamera(), app.context().cameras.freeCamera);
}

TEST_F(ApplicationTest, LightAndShadowSettingsComeFromTheConfiguration) {
    Application& app = start();
    ASSERT_TRUE(app.startUp({}));
    AppContext& c = app.context();
    ASSERT_NE(c.light.node, nullptr);
    EXPECT_EQ(c.light.node->getPosition(), irr::core::vector3df(10, 20, 30));
    ASSERT_NE(c.light.marker, nullptr);
    EXPECT_EQ(c.light.marker->getParent(), c.light.node);
    ASSERT_EQ(c.effectHandler->lights().size(), 1u);
    const SShadowLight& light = c.effectHandler->lights()[0];
    EXPECT_EQ(light.position, irr::core::vector3df(10, 20, 30));
    EXPECT_EQ(light.target, irr::core::vector3df(-1, -2, -3));
    EXPECT_EQ(light.resolution, kShadowMapResolution);
    EXPECT_FLOAT_EQ(light.colour.r, 1.0f);
    EXPECT_FLOAT_EQ(light.colour.g, 0.2f);
    EXPECT_FLOAT_EQ(light.colour.b, 0.0f);
    EXPECT_FLOAT_EQ(light.farDistance, 282.0f);
    // The mesh is registered first, with filter 7 clamped to the widest,
    // and is the only node that casts a shadow.
    ASSERT_GE(c.effectHandler->shadowNodes().size(), 1u);
    EXPECT_EQ(c.effectHandler->shadowNodes()[0].node, c.meshNode);
    EXPECT_EQ(c.effectHandler->shadowNodes()[0].filter, ShadowFilter::Filter16);
    for (size_t i = 1; i < c.effectHandler->shadowNodes().size(); ++i)
        EXPECT_FALSE(castsShadow(c.effectHandler->shadowNodes()[i].role)) << i;
    // With the effects on, the handler lights the mesh: the engine's lighting is off.
    EXPECT_FALSE(c.meshNode->getMaterial(0).Lighting);
    EXPECT_NE(c.meshNode->getMaterial(0).getTexture(0), nullptr) << "cubic mode has the texture";
}

TEST_F(ApplicationTest, FirstRunOfAProgramFileReachesTheLightAndTheClearColour) {
    write("prog.logo",
          "lightpos 1 2 3 4 5 6\nbackground 40 50 60\nsetvoxelcubic 0\nrefreshall\n"
          "lightpos 9 9 9 9 9 9\n");
    Application& app = start();
    ASSERT_TRUE(app.startUp({"prog.logo"}));
    AppContext& c = app.context();
    EXPECT_EQ(c.light.node->getPosition(), irr::core::vector3df(1, 2, 3));
    EXPECT_EQ(c.effectHandler->lights()[0].target, irr::core::vector3df(4, 5, 6));
    EXPECT_EQ(c.backgroundColour, irr::video::SColor(0, 40, 50, 60));
    EXPECT_TRUE(app.interpreter()->resumePending) << "stopped at the REFRESHALL";
    EXPECT_FALSE(app.config().cubicMode);
    EXPECT_EQ(c.meshNode->getMaterial(0).getTexture(0), nullptr) << "smooth mode has no texture";
}

TEST_F(ApplicationTest, ConsoleLoopDrawsOneFrameAfterEachLineOnceALineHasRun) {
    // Empty line and HELP before the first program line prompt again at
    // once; afterwards each costs one frame. The end of input ends the loop.
    Application& app = start("\nhelp\nprint 5\n\nHELP\n" + std::string(80, 'x') + "\nprint 6\n");
    ASSERT_TRUE(app.startUp({}));
    out_.clear();
    app.mainLoop();
    const std::string help = fullHelp();
    EXPECT_EQ(out_.text(), "> > " + help + "> 5\n> > " + help +
                               "> ERROR - console line longer than 79 characters, nothing of it "
                               "was run\n> 6\n> ");
    EXPECT_EQ(app.consoleState(), kQuit);
    // Frames: before the first prompt, after "print 5", the empty line,
    // HELP, the refused line and "print 6".
    EXPECT_EQ(app.framesDrawn(), 6u);
}

TEST_F(ApplicationTest, QuitEndsWithStatusOneAndOnlyTheDeviceGoes) {
    Application& app = start("print 1\nquit\nprint 2\n");
    EXPECT_EQ(app.run({}), 1);
    const std::string tail = "> 1\n> ";
    ASSERT_GE(out_.text().size(), tail.size());
    EXPECT_EQ(out_.text().substr(out_.text().size() - tail.size()), tail)
        << "nothing runs after QUIT";
    EXPECT_EQ(app.consoleState(), kQuit);
    EXPECT_EQ(app.context().device, nullptr);
}

TEST_F(ApplicationTest, ProgramLinesReachTheCamerasAndTheCaption) {
    write("configwindows.xml.txt", configuration("<camera showcamerapos=\"true\"/>\n"));
    Application& app = start("camerapos 1 2 3 4 5 6\nchangecamera 0\n");
    ASSERT_TRUE(app.startUp({}));
    app.mainLoop();
    AppContext& c = app.context();
    EXPECT_NE(out_.text().find("camerapos \n"), std::string::npos);
    EXPECT_EQ(c.cameras.freeCamera->getPosition(), irr::core::vector3df(1, 2, 3));
    EXPECT_EQ(c.sceneManager->getActiveCamera(), c.cameras.fixedCamera);
    EXPECT_TRUE(c.fixedCameraActive);
    // The caption of the last frame shows the free camera, aimed where
    // CAMERAPOS said: at the prompt nothing but the orbit turns it.
    const std::string caption =
        cameraCaption(c.cameras.freeCamera->getPosition(), c.cameras.freeCamera->getTarget());
    EXPECT_EQ(caption, "Cam: 1.000000 2.000000 3.000000 -> 4.000000 5.000000 6.000000");
    EXPECT_EQ(std::wstring(c.captionBuffer.data()), std::wstring(caption.begin(), caption.end()));
}

TEST(CameraCaption, FormatsPositionAndTarget) {
    EXPECT_EQ(cameraCaption({1.5f, -2, 0}, {0.25f, 1e6f, -0.125f}),
              "Cam: 1.500000 -2.000000 0.000000 -> 0.250000 1000000.000000 -0.125000");
}

TEST(RunMode, FollowsTheArgumentCount) {
    EXPECT_EQ(runModeFor(0), RunMode::Interactive);
    EXPECT_EQ(runModeFor(1), RunMode::ProgramFile);
    EXPECT_EQ(runModeFor(2), RunMode::Neither);
    EXPECT_EQ(runModeFor(7), RunMode::Neither);
}

// A context over the null device with a small volume and the presented
// mesh, as the application builds them.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        irr::IrrlichtDevice& device = testing::nullDevice();
        context.device = &device;
        context.driver = device.getVideoDriver();
        context.sceneManager = device.getSceneManager();
        presentVolume(context, volume, config);
    }
    void TearDown() override {
        context.meshNode->remove();
        context.chunkBuffers.reset();
    }

    VoxelVolume volume{Region{{0, 0, 0}, {7, 7, 7}}, 32};
    World world{volume};
    AppConfig config;
    AppContext context;
};

irr::SEvent keyEvent(irr::EKEY_CODE key, bool down) {
    irr::SEvent e{};
    e.EventType = irr::EET_KEY_INPUT_EVENT;
    e.KeyInput.Key = key;
    e.KeyInput.PressedDown = down;
    return e;
}

TEST_F(FrameTest, WindowKeysActOncePerPress) {
    // Key events between passes (the keyboard repeats a held key as more
    // presses without a release) and the state after each pass, starting
    // solid, cubic, up to date, textured.
    using E = std::vector<irr::SEvent>;
    const irr::EKEY_CODE O = irr::KEY_KEY_O, M = irr::KEY_KEY_M;
    const struct {
        E events;
        bool changed, wireframe, cubicMode, upToDate, textured;
    } passes[] = {
        {{}, false, false, true, true, true},
        {{keyEvent(O, true)}, true, true, true, true, true},
        {{keyEvent(O, true), keyEvent(O, true)}, false, true, true, true, true},  // held
        {{keyEvent(O, false)}, false, true, true, true, true},
        {{keyEvent(O, true), keyEvent(O, false)}, true, false, true, true, true},  // quick tap
        {{keyEvent(M, true)}, true, false, false, false, false},
        {{keyEvent(M, true)}, false, false, false, true, false},  // held: nothing more
        {{keyEvent(M, false), keyEvent(M, true), keyEvent(O, true)}, true, true, true, false, true},
    };
    context.meshNode->getMaterial(0).PointCloud = true;
    int pass = 0;
    for (const auto& p : passes) {
        context.meshUpToDate = true;
        for (const irr::SEvent& e : p.events) context.receiver.OnEvent(e);
        EXPECT_EQ(handleWindowKeys(context, config), p.changed) << "pass " << pass;
        const irr::video::SMaterial& m = context.meshNode->getMaterial(0);
        EXPECT_EQ(m.Wireframe, p.wireframe) << "pass " << pass;
        if (p.wireframe) {
            EXPECT_FALSE(m.PointCloud) << "pass " << pass;
        }
        EXPECT_EQ(config.cubicMode, p.cubicMode) << "pass " << pass;
        EXPECT_EQ(context.meshUpToDate, p.upToDate) << "pass " << pass;
        EXPECT_EQ(m.getTexture(0) != nullptr, p.textured) << "pass " << pass;
        ++pass;
    }
}

TEST_F(FrameTest, OutOfDateMeshIsExtractedByTheSelectedExtractor) {
    for (int x = 2; x < 5; ++x)
        for (int y = 2; y < 5; ++y)
            for (int z = 2; z < 5; ++z) volume.setVoxel(x, y, z, Voxel::make(9, 255));
    ExtractedMesh expectedCubic, expectedSmooth;
    CubicExtractor(volume, volume.region(), expectedCubic).execute();
    SmoothExtractor(volume, volume.region(), expectedSmooth, 127).execute();
    ASSERT_NE(expectedCubic.vertices.size(), expectedSmooth.vertices.size());

    const struct {
        bool cubicMode;
        bool upToDate;
        const ExtractedMesh* expected;  // null: the buffer stays as it was
    } cases[] = {
        {true, false, &expectedCubic},
        {false, true, nullptr},
        {false, false, &expectedSmooth},
        {true, false, &expectedCubic},
    };
    uint64_t previous = 0;
    for (const auto& c : cases) {
        config.cubicMode = c.cubicMode;
        context.meshUpToDate = c.upToDate;
        EXPECT_EQ(updatePresentedMesh(context, config, world.palette, world.random), !c.upToDate);
        EXPECT_TRUE(context.meshUpToDate);
        const uint64_t count = context.chunkBuffers->vertexCount();
        if (c.expected == nullptr) {
            EXPECT_EQ(count, previous);
            continue;
        }
        // One chunk: the empty first buffer and the chunk's.
        ASSERT_EQ(context.mesh->getMeshBufferCount(), 2u);
        const irr::scene::IMeshBuffer& buffer = *context.mesh->getMeshBuffer(1);
        ASSERT_EQ(count, c.expected->vertices.size());
        EXPECT_EQ(buffer.getIndexCount(), c.expected->indices.size());
        const PaletteEntry& red = world.palette.entry(9);
        const irr::video::S3DVertex& v =
            static_cast<const irr::video::S3DVertex*>(buffer.getVertices())[0];
        EXPECT_EQ(v.Color, irr::video::SColor(255, red.red, red.green, red.blue));
        EXPECT_EQ(context.mesh->getBoundingBox(), buffer.getBoundingBox());
        previous = count;
    }
}

// A volume of four chunks in a row (64 positions each along x): a line
// refills only the buffers of the chunks it reached, a chunk's buffer comes
// and goes with its triangles, every buffer takes the node's material (as
// the keys left it), and new colours or another surface refill them all.
TEST(ChunkedFrame, ALineRefillsOnlyTheChunksItReached) {
    irr::IrrlichtDevice& device = testing::nullDevice();
    VoxelVolume volume{Region{{0, 0, 0}, {255, 20, 20}}, 32};
    World world{volume};
    AppConfig config;
    AppContext context;
    context.device = &device;
    context.driver = device.getVideoDriver();
    context.sceneManager = device.getSceneManager();
    presentVolume(context, volume, config);
    ASSERT_EQ(context.chunkMeshes->chunkCount(), 4u);
    const Voxel red = Voxel::make(9, 255);
    const struct {
        const char* what;
        std::function<void()> act;
        const char* filled;    // per chunk: has a buffer afterwards
        const char* refilled;  // per chunk: its buffer was filled again
        bool wireframe;
    } steps[] = {
        {"chunk 0", [&] { volume.setVoxel(10, 5, 5, red); }, "1000", "1000", false},
        {"chunk 2", [&] { volume.setVoxel(150, 5, 5, red); }, "1010", "0010", false},
        {"O, then chunk 1",
         [&] {
             context.receiver.OnEvent(keyEvent(irr::KEY_KEY_O, true));
             handleWindowKeys(context, config);
             context.receiver.OnEvent(keyEvent(irr::KEY_KEY_O, false));
             volume.setVoxel(100, 5, 5, red);
         },
         "1110", "0100", true},
        {"chunk 0 emptied", [&] { volume.setVoxel(10, 5, 5, Voxel()); }, "0110", "0000", true},
        {"new colours", [&] { world.palette.setPaletteEntry(9, 1, 2, 3); }, "0110", "0110", true},
        {"the smooth surface", [&] { config.cubicMode = false; }, "0110", "0110", true},
    };
    irr::u32 ids[4] = {};
    for (const auto& step : steps) {
        step.act();
        context.meshUpToDate = false;
        updatePresentedMesh(context, config, world.palette, world.random);
        const PaletteEntry& colour = world.palette.entry(9);
        irr::u32 buffers = 0;
        for (uint32_t c = 0; c < 4; ++c) {
            const irr::scene::CDynamicMeshBuffer* b = context.chunkBuffers->buffer(c);
            ASSERT_EQ(b != nullptr, step.filled[c] == '1') << step.what << ", chunk " << c;
            if (b == nullptr) continue;
            ++buffers;
            EXPECT_EQ(b->getChangedID_Vertex() != ids[c], step.refilled[c] == '1')
                << step.what << ", chunk " << c;
            ids[c] = b->getChangedID_Vertex();
            EXPECT_EQ(static_cast<const irr::video::S3DVertex*>(b->getVertices())[0].Color,
                      irr::video::SColor(255, colour.red, colour.green, colour.blue))
                << step.what << ", chunk " << c;
        }
        // The empty first buffer and one per filled chunk, each material as
        // the node's first.
        ASSERT_EQ(context.meshNode->getMaterialCount(), buffers + 1) << step.what;
        for (irr::u32 m = 0; m < buffers + 1; ++m) {
            EXPECT_EQ(context.meshNode->getMaterial(m).Wireframe, step.wireframe) << step.what;
            EXPECT_FALSE(context.meshNode->getMaterial(m).Lighting) << step.what;
        }
    }
    context.meshNode->remove();
}

// The start-up counts are those of one mesh of the whole volume, also for
// the smooth surface, whose chunks each hold the vertices on their borders.
TEST_F(ApplicationTest, StartUpCountsAreThoseOfTheWholeVolume) {
    for (const char* mode : {"1", "0"}) {
        write("prog.logo", std::string("initvolumesize 100 60 100\nsetvoxelcubic ") + mode +
                               "\npenup goto 64 30 64 pendown sphere 6\n");
        out_.clear();
        if (input_ != nullptr) std::fclose(input_);
        Application& app = start();
        ASSERT_TRUE(app.startUp({"prog.logo"}));
        ExtractedMesh whole;
        const VoxelVolume& v = app.world()->volume;
        if (app.config().cubicMode)
            CubicExtractor(v, v.region(), whole).execute();
        else
            SmoothExtractor(v, v.region(), whole, 127).execute();
        ASSERT_GT(whole.indices.size(), 0u);
        const std::string counts = "vert " + std::to_string(whole.vertices.size()) + " \nind  " +
                                   std::to_string(whole.indices.size()) + " \n";
        EXPECT_NE(out_.text().find(counts), std::string::npos) << "mode " << mode << "\n"
                                                               << out_.text();
        EXPECT_GT(app.context().chunkBuffers->bufferCount(), 1u) << "the ball spans chunks";
        app.shutDown();
    }
}

TEST_F(ApplicationTest, UndoAndRedoAtTheConsoleRedrawTheVolume) {
    Application& app = start(
        "pencolor 9 penup goto 1 1 1 pendown setvoxel\nsphere 1\nundo\nundo\nundo\nredo\n"
        "print 1\nredo\n");
    ASSERT_TRUE(app.startUp({}));
    out_.clear();
    app.mainLoop();
    EXPECT_EQ(out_.diagnostics(), "UNDO: nothing to undo\nREDO: nothing to redo\n");
    // Back to the one voxel, and its cube is what the window shows.
    EXPECT_EQ(app.world()->volume.voxel(1, 1, 1).material(), 9);
    EXPECT_EQ(app.world()->volume.voxel(2, 2, 2).material(), 0);
    EXPECT_EQ(app.context().chunkBuffers->indexCount(), 36u);
    EXPECT_EQ(app.history()->undoCount(), 1u);
}

TEST_F(FrameTest, FrameEmptiesTheScreenTextQueue) {
    context.screenTextList.push_back({"one", 1, 2, 3, 4, "font"});
    context.screenTextList.push_back({"two", 1, 2, 3, 5, "font"});
    drawFrame(context, config, world.palette, world.random);
    EXPECT_TRUE(context.screenTextList.empty());
    bool called = false;
    drawFrame(context, config, world.palette, world.random, [&] { called = true; });
    EXPECT_TRUE(called);
}

}  // namespace
}  // namespace cubalorn
