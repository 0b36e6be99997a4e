// Commands that reach the window, through the recording host.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "harness.h"
#include "interp/program_settings.h"

namespace cubalorn::testing {
namespace {

TEST(Printscreen, QueuesItsItemsWithFontPlaceAndColour) {
    ProgramRun run;
    EXPECT_EQ(run.console({"make \"s 0", "\"s = 12", "printscreen \"arial 10 20 9 \"Score :s 2.5"}),
              "");
    ASSERT_EQ(run.host.queuedTexts.size(), 1u);
    const ScreenText& t = run.host.queuedTexts[0];
    EXPECT_EQ(t.text, "Score 12 2.500 ");
    EXPECT_EQ(t.fontName, "arial");
    EXPECT_EQ(t.x, 10);
    EXPECT_EQ(t.y, 20);
    EXPECT_EQ(t.colourIndex, 9);
}

TEST(Printscreen, OneTextPerStatementPerFrame) {
    ProgramRun run;
    run.console({"repeat 5 [ printscreen \"f 1 2 3 \"loop ]"});
    EXPECT_EQ(run.host.queuedTexts.size(), 1u);
    run.console({"printscreen \"f 1 2 3 \"a printscreen \"f 4 5 6 \"b"});
    ASSERT_EQ(run.host.queuedTexts.size(), 3u);
    EXPECT_EQ(run.host.queuedTexts[1].text, "a ");
    EXPECT_EQ(run.host.queuedTexts[2].text, "b ");
}

TEST(Printscreen, ColourOutsideThePaletteIsColourZero) {
    ProgramRun run;
    run.console(
        {"printscreen \"f 0 0 256 \"a printscreen \"f 0 0 - 1 \"b "
         "printscreen \"f 0 0 255 \"c"});
    ASSERT_EQ(run.host.queuedTexts.size(), 3u);
    EXPECT_EQ(run.host.queuedTexts[0].colourIndex, 0);
    EXPECT_EQ(run.host.queuedTexts[1].colourIndex, 0);
    EXPECT_EQ(run.host.queuedTexts[2].colourIndex, 255);
}

TEST(Printscreen, WrongItemAfterCommaQueuesWhatWasBuilt) {
    ProgramRun run;
    EXPECT_EQ(run.console({"printscreen \"f 1 2 3 \"a , 7 , ]"}),
              "ERROR - syntax error - PRINT: wrong parameter, token 7\n"
              "ERROR - syntax error - token not found , token 7\n");
    ASSERT_EQ(run.host.queuedTexts.size(), 1u);
    EXPECT_EQ(run.host.queuedTexts[0].text, "a 7 ");
}

TEST(Getfont, CutsBmpAndSkipsKnownNames) {
    ProgramRun run;
    EXPECT_EQ(run.console({"getfont \"media/myfont.bmp", "getfont \"media/myfont.bmp",
                           "getfont \"plain", "getfont \"plain"}),
              "getfont media/myfont\ngetfont media/myfont\ngetfont plain\n");
    ASSERT_EQ(run.host.fonts.size(), 3u);
    EXPECT_EQ(run.host.fonts[0].name, "media/myfont");
    EXPECT_EQ(run.host.fonts[0].path, "media/myfont.bmp");
    EXPECT_EQ(run.host.fonts[2].name, "plain");
}

TEST(Gettexture, KeepsOneEntryPerNameWithTruncatedNumbers) {
    ProgramRun run;
    run.console({"gettexture \"wall.png 1.9 2 3 - 4.5", "gettexture \"wall.png 5 6 7 8"});
    ASSERT_EQ(run.host.textures.size(), 1u);
    const RecordingHost::Texture& t = run.host.textures[0];
    EXPECT_EQ(t.name, "wall.png");
    EXPECT_EQ(std::vector<int>({t.a, t.b, t.c, t.d}), std::vector<int>({1, 2, 3, -4}));
}

TEST(Cameras, CameraposPrintsAndMovesBothLightposAndBackgroundTruncate) {
    ProgramRun run;
    EXPECT_EQ(run.console({"camerapos 1.5 2 3 4 5 6.25", "lightpos 1.9 2 3 4 5 - 6.9",
                           "background 10.7 20 30"}),
              "camerapos \n");
    EXPECT_EQ(run.host.cameraPosition, (std::array<float, 3>{1.5f, 2, 3}));
    EXPECT_EQ(run.host.cameraTarget, (std::array<float, 3>{4, 5, 6.25f}));
    EXPECT_EQ(run.host.lightPosition, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(run.host.lightTarget, (std::array<int, 3>{4, 5, -6}));
    EXPECT_EQ(run.host.background, (std::array<int, 3>{10, 20, 30}));
}

TEST(Cameras, ChangecameraChoosesFixedOnlyForZero) {
    ProgramRun run;
    run.console({"changecamera 0.7"});
    EXPECT_TRUE(run.host.fixedCameraActive);
    run.console({"changecamera - 1"});
    EXPECT_FALSE(run.host.fixedCameraActive);
    run.console({"changecamera 0"});
    EXPECT_TRUE(run.host.fixedCameraActive);
    run.console({"changecamera 2"});
    EXPECT_FALSE(run.host.fixedCameraActive);
}

TEST(Input, KeysButtonAndMouseFromTheHost) {
    ProgramRun run;
    run.host.keys[87] = true;
    run.host.keys[254] = true;
    run.host.leftButton = true;
    run.host.mouse = {320, 200};
    run.console({"make \"k \"", "make \"b \"", "make \"x 0", "make \"y 0",
                 "\"k = iskeydown 87 print :k", "\"k = iskeydown 65 print :k",
                 "\"k = iskeydown 254 print :k", "\"k = iskeydown 300 print :k",
                 "\"k = iskeydown - 1 print :k", "repeat 1 [ \"k = iskeydown 87.9 ] print :k",
                 "\"b = mouseleftbuttondown print :b", "\"x = mousepositionx + 1",
                 "\"y = mousepositiony * 2", "print :x \", :y"});
    EXPECT_EQ(run.out.text(), "true\nfalse\ntrue\nfalse\nfalse\ntrue\ntrue\n321,400\n");
}

TEST(Input, ReadlistReadsOneConsoleLine) {
    ProgramRun run;
    run.host.consoleLines = {"typed words", std::string(100, 'x')};
    run.console({"make \"l \"", "\"l = readlist", "print :l", "\"l = readlist"});
    EXPECT_EQ(run.out.text(), "typed words\n");
    EXPECT_EQ(run.variable("l"), std::string(79, 'x'));
    run.console({"\"l = readlist"});
    EXPECT_EQ(run.variable("l"), "") << "closed input reads as an empty line";
}

struct SettingsCase {
    const char* name;
    std::string program;
    ProgramSettings expected;
};

void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << c.name;
}

ProgramSettings settings(bool volume, Vec3i max, bool background, std::array<int, 3> rgb,
                         bool camera, std::array<float, 3> position, std::array<float, 3> target) {
    ProgramSettings s;
    s.volumeFound = volume;
    s.volumeMax = max;
    s.backgroundFound = background;
    s.background = rgb;
    s.cameraFound = camera;
    s.cameraPosition = position;
    s.cameraTarget = target;
    return s;
}

class SettingsPrepass : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsPrepass, FindsTheLastValueOfEachSetting) {
    const SettingsCase& c = GetParam();
    ProgramRun run;
    run.interpreter.assignProgram(c.program);
    const ProgramSettings s = prescanSettings(run.interpreter);
    EXPECT_EQ(run.interpreter.position(), 0u);
    EXPECT_EQ(run.out.text(), "") << "nothing runs";
    EXPECT_EQ(s.volumeFound, c.expected.volumeFound);
    EXPECT_EQ(s.volumeMax, c.expected.volumeMax);
    EXPECT_EQ(s.backgroundFound, c.expected.backgroundFound);
    EXPECT_EQ(s.background, c.expected.background);
    EXPECT_EQ(s.cameraFound, c.expected.cameraFound);
    EXPECT_EQ(s.cameraPosition, c.expected.cameraPosition);
    EXPECT_EQ(s.cameraTarget, c.expected.cameraTarget);
}

const SettingsCase kSettingsCases[] = {
    {"None", "print \"x forward 10", settings(false, {}, false, {}, false, {}, {})},
    {"Volume", "initvolumesize 100 50 100 print \"x",
     settings(true, {100, 50, 100}, false, {}, false, {}, {})},
    {"AllThreeInARow", "initvolumesize 1 2 3 background 4 5 6 camerapos 7 8 9 10 11 12.5",
     settings(true, {1, 2, 3}, true, {4, 5, 6}, true, {7, 8, 9}, {10, 11, 12.5f})},
    {"InsideBodiesAndProcedures", "repeat 2 [ background 1 2 3 ] to \"p initvolumesize 9.9 8 7 end",
     settings(true, {9, 8, 7}, true, {1, 2, 3}, false, {}, {})},
    {"LaterWins", "background 1 1 1\nbackground 2 2 2",
     settings(false, {}, true, {2, 2, 2}, false, {}, {})},
    {"ZeroBackgroundIsStillFound", "background 0 0 0",
     settings(false, {}, true, {0, 0, 0}, false, {}, {})},
};

INSTANTIATE_TEST_SUITE_P(Settings, SettingsPrepass, ::testing::ValuesIn(kSettingsCases),
                         [](const ::testing::TestParamInfo<SettingsCase>& info) {
                             return std::string(info.param.name);
                         });

// The interactive example: one pass per frame moves the worm, reads the
// keys and queues its texts. Passes run here as the window would resume them.
class WormExample : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream file(std::string(CUBALORN_SOURCE_DIR) + "/examples/animation.logo");
        std::stringstream text;
        text << file.rdbuf();
        ASSERT_FALSE(text.str().empty());
        // The first run draws the floor and stops at the first REFRESHALL.
        EXPECT_EQ(run.programFile(text.str(), 0), "camerapos \ngetfont media/sans\n");
        ASSERT_TRUE(run.interpreter.resumePending);
    }
    // One frame: the queue is drawn and emptied, then the program goes on.
    std::string pass() {
        run.host.queuedTexts.clear();
        const size_t start = run.out.text().size();
        run.interpreter.lineFinished = false;
        run.interpreter.runLine();
        return run.out.text().substr(start);
    }
    // The example sizes its volume with INITVOLUMESIZE 80 40 80.
    ProgramRun run{{80, 40, 80}};
};

TEST_F(WormExample, KeysSteerRecolourAndClear) {
    const Turtle& t = run.world.turtle;
    const Vec3i middle{40, 20, 40};
    EXPECT_EQ(run.world.volume.voxel(5, 0, 70).material(), 4) << "the floor";
    const struct {
        const char* name;
        int key;  // held over three passes; -1 for none
        bool (*moved)(const Turtle&);
        int penColour;
    } cases[] = {
        {"straight on", -1, [](const Turtle& w) { return w.x > 40 && w.z == 40 && w.y == 20; }, 9},
        {"left arrow", 37, [](const Turtle& w) { return w.z > 40 && w.y == 20; }, 9},
        {"right arrow", 39, [](const Turtle& w) { return w.z < 40 && w.y == 20; }, 9},
        {"up arrow", 38, [](const Turtle& w) { return w.y > 20; }, 9},
        {"down arrow", 40, [](const Turtle& w) { return w.y < 20; }, 9},
        {"key 3: blue", 51, [](const Turtle& w) { return w.x > 40; }, 32},
    };
    for (const auto& c : cases) {
        // C held for one pass: everything cleared, floor again, worm home.
        run.host.keys[67] = true;
        EXPECT_EQ(pass(), "") << c.name;
        run.host.keys[67] = false;
        EXPECT_EQ(run.variable("steps"), "0.000000") << c.name;
        EXPECT_EQ((Vec3i{int(t.x), int(t.y), int(t.z)}), middle) << c.name;
        EXPECT_EQ(run.world.volume.voxel(42, 20, 40).material(), 0) << c.name;
        EXPECT_EQ(run.world.volume.voxel(5, 0, 70).material(), 4) << c.name;

        if (c.key >= 0) run.host.keys[c.key] = true;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(pass(), "") << c.name;
        if (c.key >= 0) run.host.keys[c.key] = false;
        EXPECT_TRUE(c.moved(t)) << c.name << ": " << t.x << " " << t.y << " " << t.z;
        EXPECT_EQ(t.penColour, c.penColour) << c.name;
        EXPECT_EQ(run.variable("steps"), "3.000000") << c.name;
        EXPECT_NE(run.world.volume.voxel(int(t.x), int(t.y), int(t.z)).material(), 0) << c.name;

        // The texts of the last pass: the step count and the hint, once each.
        ASSERT_EQ(run.host.queuedTexts.size(), 2u) << c.name;
        EXPECT_EQ(run.host.queuedTexts[0].text, "Steps 3 ") << c.name;
        EXPECT_EQ(run.host.queuedTexts[0].fontName, "media/sans") << c.name;
        EXPECT_EQ(run.host.queuedTexts[0].colourIndex, 16) << c.name;
        EXPECT_EQ(run.host.queuedTexts[1].y, 34) << c.name;
    }
}

}  // namespace
}  // namespace cubalorn::testing
