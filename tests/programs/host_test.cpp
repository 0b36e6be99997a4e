// Commands that reach the window, through the recording host.

#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "interp/program_settings.h"

namespace cubalorn::testing {
namespace {

TEST(Printscreen, QueuesItsItemsWithFontPlaceAndColour) {
    ProgramRun run;
    EXPECT_EQ(run.console({"make \"s 0", "\"s = 12",
                           "printscreen \"arial 10 20 9 \"Score :s 2.5"}),
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
    run.console({"printscreen \"f 0 0 256 \"a printscreen \"f 0 0 - 1 \"b "
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

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

ProgramSettings settings(bool volume, Vec3i max, bool background, std::array<int, 3> rgb,
                         bool camera, std::array<float, 3> position,
                         std::array<float, 3> target) {
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
    {"InsideBodiesAndProcedures",
     "repeat 2 [ background 1 2 3 ] to \"p initvolumesize 9.9 8 7 end",
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

}  // namespace
}  // namespace cubalorn::testing
