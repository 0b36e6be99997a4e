// Turtle, pen, shape and palette commands from Logo: console lines in, the
// exact console text, the voxels read back with GETVOXEL and the turtle's
// cell out.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "harness.h"
#include "voxel_probe.h"

namespace cubalorn::testing {
namespace {

struct DrawCase {
    const char* name;
    std::vector<std::string> lines;
    std::string expected;  // console text of the lines
    std::vector<Probe> probes;
    size_t voxels;  // non-zero voxels in the volume afterwards
    Vec3i turtle;   // the turtle's cell afterwards
};

void PrintTo(const DrawCase& c, std::ostream* os) {
    *os << c.name;
}

class Drawing : public ::testing::TestWithParam<DrawCase> {};

TEST_P(Drawing, DrawsExactly) {
    const DrawCase& c = GetParam();
    ProgramRun run;  // volume up to (100, 60, 100); the turtle starts on (50, 30, 50)
    EXPECT_EQ(run.console(c.lines), c.expected);
    EXPECT_EQ(countVoxels(run.volume), c.voxels);
    EXPECT_EQ(turtleCell(run.world.turtle), c.turtle);
    EXPECT_EQ(probeWithLogo(run, c.probes), expectedProbes(c.probes));
}

const DrawCase kTurtleCases[] = {
    {"ForwardLeavesTheStartCell",
     {"forward 10"},
     "",
     {{50, 30, 50, 0}, {51, 30, 50, 1}, {60, 30, 50, 1}, {61, 30, 50, 0}},
     10,
     {60, 30, 50}},
    {"BackDrawsTowardsMinusX",
     {"back 10"},
     "",
     {{50, 30, 50, 0}, {49, 30, 50, 1}, {40, 30, 50, 1}, {39, 30, 50, 0}},
     10,
     {40, 30, 50}},
    {"LeftNinetyPointsAlongZ",
     {"left 90 forward 5"},
     "",
     {{50, 30, 51, 1}, {50, 30, 55, 1}, {51, 30, 50, 0}},
     5,
     {50, 30, 55}},
    {"UpNinetyPointsAlongY",
     {"up 90 forward 5"},
     "",
     {{50, 31, 50, 1}, {50, 35, 50, 1}, {51, 30, 50, 0}},
     5,
     {50, 35, 50}},
    {"RightNinetyPointsAlongMinusZ",
     {"right 90 forward 3"},
     "",
     {{50, 30, 49, 1}, {50, 30, 47, 1}, {50, 30, 51, 0}},
     3,
     {50, 30, 47}},
    {"DownNinetyPointsAlongMinusY",
     {"down 90 forward 3"},
     "",
     {{50, 29, 50, 1}, {50, 27, 50, 1}},
     3,
     {50, 27, 50}},
    {"PenupMovesWithoutDrawing", {"penup forward 10"}, "", {{55, 30, 50, 0}}, 0, {60, 30, 50}},
    {"PendownDrawsAgain",
     {"penup forward 5 pendown forward 2"},
     "",
     {{55, 30, 50, 0}, {56, 30, 50, 1}, {57, 30, 50, 1}},
     2,
     {57, 30, 50}},
    {"HomeReturnsWithoutDrawing",
     {"penup forward 7 left 30 pendown home forward 1"},
     "",
     {{51, 30, 50, 1}},
     1,
     {51, 30, 50}},
    {"GotoClampsOntoTheVolume", {"penup goto -5 500 3"}, "", {}, 0, {0, 60, 3}},
    {"GotoDrawsTheWay",
     {"goto 55 30 50"},
     "",
     {{50, 30, 50, 0}, {51, 30, 50, 1}, {55, 30, 50, 1}},
     5,
     {55, 30, 50}},
    {"ArgumentsFromVariables",
     {"make \"d 3", "forward :d"},
     "",
     {{53, 30, 50, 1}, {54, 30, 50, 0}},
     3,
     {53, 30, 50}},
    {"ExpressionIsNotAnArgument",
     {"forward 2 + 5"},
     "ERROR - syntax error - token not found , token 5\n",
     {{52, 30, 50, 1}},
     2,
     {52, 30, 50}},
    {"MissingArgumentMovesNothing",
     {"forward"},
     "ERROR - syntax error - numberorvalue: expected number or variablevalue, token forward\n",
     {},
     0,
     {50, 30, 50}},
    {"SquareInARepeatBody",
     {"repeat 4 [ forward 20 left 90 ]"},
     "",
     {{50, 30, 50, 1}, {70, 30, 50, 1}, {70, 30, 70, 1}, {50, 30, 70, 1}, {60, 30, 60, 0}},
     80,
     {50, 30, 50}},
    {"PenAndTurnsInsideBodies",
     {"repeat 1 [ penup forward 2 pendown pensize 1 pencolor 3 up 90 forward 1 ]"},
     "",
     {{52, 31, 50, 3}},
     1,
     {52, 31, 50}},
    {"PensizeThreeStampsTwoCubed",
     {"pensize 3 setvoxel"},
     "",
     {{49, 29, 49, 1}, {50, 30, 50, 1}, {51, 30, 50, 0}, {48, 30, 50, 0}},
     8,
     {50, 30, 50}},
    {"PensizeZeroStampsNothing", {"pensize 0 setvoxel forward 3"}, "", {}, 0, {53, 30, 50}},
    {"BoxStampAtAFaceStaysInside",
     {"penup goto 0 0 0 pendown pensize 4 setvoxel"},
     "",
     {{0, 0, 0, 1}, {1, 1, 1, 1}, {2, 0, 0, 0}},
     8,
     {0, 0, 0}},
    {"ForwardPastTheFaceStopsThere",
     {"forward 1000"},
     "",
     {{100, 30, 50, 1}, {51, 30, 50, 1}},
     50,
     {100, 30, 50}},
    {"OutsideThenPendownStampsNothing",
     {"penup forward 1000 pendown forward 1"},
     "",
     {},
     0,
     {100, 30, 50}},
    {"InitvolumesizeIsSkipped",
     {"initvolumesize 10 10 10 forward 2"},
     "",
     {{52, 30, 50, 1}},
     2,
     {52, 30, 50}},
};
INSTANTIATE_TEST_SUITE_P(Turtle, Drawing, ::testing::ValuesIn(kTurtleCases),
                         [](const auto& info) { return std::string(info.param.name); });

const DrawCase kShapeCases[] = {
    {"SphereOne",
     {"penup goto 50 50 50 pendown sphere 1"},
     "",
     {{49, 49, 49, 1}, {51, 51, 51, 1}, {50, 50, 52, 0}, {52, 50, 50, 0}},
     27,
     {51, 51, 51}},
    {"SphereFive",
     {"penup goto 50 50 50 pendown sphere 5"},
     "",
     {{50, 50, 55, 1}, {45, 50, 50, 1}, {50, 56, 50, 0}, {46, 46, 46, 0}},
     895,
     {51, 53, 55}},
    {"SphereZero", {"sphere 0"}, "", {}, 0, {50, 30, 50}},
    {"SpherePenUpOnlyMoves", {"penup sphere 3"}, "", {{50, 30, 53, 0}}, 0, {51, 32, 53}},
    {"SphereWithAColour",
     {"pencolor 12 sphere 1"},
     "",
     {{49, 29, 49, 12}, {51, 31, 51, 12}},
     27,
     {51, 31, 51}},
    {"SphereCutByTheFace",
     {"penup goto 1 30 50 pendown sphere 2"},
     "",
     {{0, 30, 50, 1}, {3, 30, 50, 1}, {4, 30, 50, 0}},
     // The ball of radius 2 holds 93 cells; its 13 cells at x = -1 fold onto
     // x = 0, where cells with the same y and z are drawn already.
     93 - 13,
     {1, 32, 52}},
    {"CubeDepthHeightWidth",
     {"penup goto 10 10 10 pendown cube 2 3 4"},
     "",
     {{10, 10, 10, 1},
      {13, 12, 11, 1},
      {14, 10, 10, 0},
      {10, 13, 10, 0},
      {10, 10, 12, 0},
      {9, 10, 10, 0}},
     24,
     {13, 12, 11}},
    {"CubePastTheFaceKeepsToIt",
     {"penup goto 98 10 10 pendown cube 1 1 5"},
     "",
     {{98, 10, 10, 1}, {100, 10, 10, 1}},
     3,
     {100, 10, 10}},
    {"CubeZeroExtentStaysPut", {"cube 0 3 3 cube 3 -1 3"}, "", {}, 0, {50, 30, 50}},
    {"CubePenUpOnlyMoves", {"penup cube 2 2 2"}, "", {{50, 30, 50, 0}}, 0, {51, 31, 51}},
    {"CubeInAForBody",
     {"make \"i 0",
      "penup goto 0 0 0 pendown for \"i 0 2 1 [ penup goto :i 0 0 pendown cube 1 1 1 ]"},
     "",
     {{0, 0, 0, 1}, {2, 0, 0, 1}, {3, 0, 0, 0}},
     3,
     {2, 0, 0}},
    {"ClearEmptiesAndKeepsTheTurtle", {"forward 5 sphere 3 clear"}, "", {}, 0, {56, 32, 53}},
};
INSTANTIATE_TEST_SUITE_P(Shapes, Drawing, ::testing::ValuesIn(kShapeCases),
                         [](const auto& info) { return std::string(info.param.name); });

const DrawCase kColourCases[] = {
    {"PencolorPicksTheMaterial", {"pencolor 7 setvoxel"}, "", {{50, 30, 50, 7}}, 1, {50, 30, 50}},
    {"PencolorUsesTheLowByte",
     {"pencolor 300 forward 2"},
     "",
     {{51, 30, 50, 44}, {52, 30, 50, 44}},
     2,
     {52, 30, 50}},
    {"PencolorZeroIsSetButReadsZero",
     {"pencolor 0 setvoxel"},
     "",
     {{50, 30, 50, 0}},
     1,
     {50, 30, 50}},
    {"PencolorNegativeUsesTheLowByte",
     {"pencolor -1 setvoxel"},
     "",
     {{50, 30, 50, 255}},
     1,
     {50, 30, 50}},
    {"SetvoxelOutsideWritesNothing",
     {"make \"g 5", "penup forward 1000 pendown setvoxel", "\"g = getvoxel", "print :g"},
     "0\n",
     {},
     0,
     {1050, 30, 50}},
    {"SetrgbOutsideThePaletteIsRefused",
     {"setrgb 256 1 2 3", "setrgb -1 1 2 3"},
     "ERROR - SETRGB: the colour index should be 0 to 255, token 3\n"
     "ERROR - SETRGB: the colour index should be 0 to 255, token 3\n",
     {},
     0,
     {50, 30, 50}},
};
INSTANTIATE_TEST_SUITE_P(Colours, Drawing, ::testing::ValuesIn(kColourCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DrawingState, TurnsWrapOnceEachWay) {
    struct Turn {
        const char* line;
        float turn, climb;
    };
    const Turn turns[] = {
        {"left 400", 40, 0},         {"right 400", -40, 0}, {"right 30", 330, 0},
        {"left 360", 360, 0},        {"up 370", 0, 10},     {"down 90", 0, 270},
        {"left 90 left 300", 30, 0},
    };
    for (const Turn& t : turns) {
        ProgramRun run;
        run.console({t.line});
        EXPECT_FLOAT_EQ(run.world.turtle.turnAngle, t.turn) << t.line;
        EXPECT_FLOAT_EQ(run.world.turtle.climbAngle, t.climb) << t.line;
    }
}

TEST(DrawingState, HomeResetsPositionAndAnglesButNotThePen) {
    ProgramRun run;
    run.console({"penup left 45 up 10 forward 9 pensize 3 pencolor 4 home"});
    const Turtle& t = run.world.turtle;
    EXPECT_EQ(turtleCell(t), (Vec3i{50, 30, 50}));
    EXPECT_EQ(t.turnAngle, 0);
    EXPECT_EQ(t.climbAngle, 0);
    EXPECT_TRUE(t.penUp);
    EXPECT_EQ(t.penSize, 3);
    EXPECT_EQ(t.penColour, 4);
}

TEST(DrawingState, PendensityIsKeptButVoxelsAreSolid) {
    ProgramRun run;
    run.console({"pendensity 100 pencolor 5 setvoxel"});
    EXPECT_EQ(run.world.turtle.penDensity, 100);
    const Voxel v = run.volume.voxel(50, 30, 50);
    EXPECT_EQ(v.material(), 5);
    EXPECT_EQ(v.density(), 255);
}

TEST(DrawingState, SetrgbWritesOnlyInsideThePalette) {
    ProgramRun run;
    const Palette before = run.world.palette;
    run.console({"setrgb 1 0 0 255", "setrgb 9 256 7 -1", "setrgb 256 1 1 1", "setrgb -5 1 1 1"});
    const Palette& p = run.world.palette;
    EXPECT_EQ(p.entry(1).blue, 255);
    EXPECT_EQ(p.entry(1).red, 0);
    EXPECT_EQ(p.entry(9).red, 256) << "stored unchanged; only the low byte is used when drawn";
    EXPECT_EQ(p.entry(9).blue, -1);
    for (int m = 0; m < 256; ++m) {
        if (m == 1 || m == 9) continue;
        EXPECT_EQ(p.entry(uint8_t(m)).red, before.entry(uint8_t(m)).red) << m;
        EXPECT_EQ(p.entry(uint8_t(m)).green, before.entry(uint8_t(m)).green) << m;
        EXPECT_EQ(p.entry(uint8_t(m)).blue, before.entry(uint8_t(m)).blue) << m;
    }
}

TEST(DrawingState, SetvoxelcubicReachesTheHost) {
    struct Switch {
        const char* line;
        bool cubic;
    };
    const Switch switches[] = {{"setvoxelcubic 0", false},
                               {"setvoxelcubic 1", true},
                               {"setvoxelcubic 2", false},
                               {"setvoxelcubic 1.5", true},
                               {"repeat 1 [ setvoxelcubic -1 ]", false}};
    ProgramRun run;
    for (const Switch& s : switches) {
        run.host.cubicMode = !s.cubic;
        EXPECT_EQ(run.console({s.line}), "") << s.line;
        EXPECT_EQ(run.host.cubicMode, s.cubic) << s.line;
    }
}

TEST(DrawingState, GetvoxelIsANumberInExpressions) {
    ProgramRun run;
    EXPECT_EQ(run.console({"make \"v 0", "pencolor 7 setvoxel", "\"v = getvoxel * 2 + 1",
                           "print :v", "repeat 1 [ \"v = getvoxel ]", "print :v"}),
              "15\n7\n");
}

// A sphere counted the way a program would count it: a loop over its box
// reading every cell with GETVOXEL.
TEST(DrawingState, SphereFiveCountedWithGetvoxel) {
    ProgramRun run;
    run.console({"penup goto 50 50 50 pendown sphere 5"});
    EXPECT_EQ(run.console({"make \"n 0", "make \"g 0", "make \"x 0", "make \"y 0", "make \"z 0",
                           "penup for \"z 43 57 1 [ for \"y 43 57 1 [ for \"x 43 57 1 [ "
                           "goto :x :y :z \"g = getvoxel if :g > 0 \"n = :n + 1 endif ] ] ]",
                           "print :n"}),
              "895\n");
}

// Every drawing command does the same at the top level, inside a body and
// inside a procedure.
TEST(DrawingState, SameEverywhere) {
    const char* const statements[] = {
        "forward 7",
        "back 4",
        "left 30 forward 5",
        "right 30 forward 5",
        "up 45 forward 5",
        "down 45 forward 5",
        "penup forward 3",
        "penup forward 3 pendown forward 2",
        "forward 3 home",
        "goto 10 20 30",
        "pensize 3 setvoxel",
        "pendensity 9 setvoxel",
        "pencolor 12 setvoxel",
        "setrgb 3 1 2 3",
        "sphere 2",
        "cube 3 2 1",
        "forward 4 clear",
        "setvoxelcubic 2",
    };
    struct State {
        std::string printed;
        std::string voxels;
        std::string turtle;
        int red3;
        bool cubic;
    };
    for (const char* statement : statements) {
        const std::string forms[] = {
            statement,
            std::string("repeat 1 [ ") + statement + " ]",
            std::string("if 1 = 1 ") + statement + " endif",
            std::string("to \"p ") + statement + " end go \"p",
        };
        std::vector<State> states;
        for (const std::string& form : forms) {
            ProgramRun run;
            State s;
            s.printed = run.console({form});
            for (int z = 0; z < run.volume.depth(); ++z)
                for (int y = 0; y < run.volume.height(); ++y)
                    for (int x = 0; x < run.volume.width(); ++x)
                        if (const uint16_t raw = run.volume.voxel(x, y, z).raw)
                            s.voxels += std::to_string(x) + "," + std::to_string(y) + "," +
                                        std::to_string(z) + "=" + std::to_string(raw) + " ";
            const Turtle& t = run.world.turtle;
            s.turtle = std::to_string(t.x) + " " + std::to_string(t.y) + " " + std::to_string(t.z) +
                       " " + std::to_string(t.turnAngle) + " " + std::to_string(t.climbAngle) +
                       " " + std::to_string(t.penUp) + " " + std::to_string(t.penSize) + " " +
                       std::to_string(t.penColour) + " " + std::to_string(t.penDensity);
            s.red3 = run.world.palette.entry(3).red;
            s.cubic = run.host.cubicMode;
            states.push_back(s);
        }
        EXPECT_EQ(states[0].printed, "") << statement;
        for (size_t i = 1; i < states.size(); ++i) {
            EXPECT_EQ(states[i].printed, states[0].printed) << forms[i];
            EXPECT_EQ(states[i].voxels, states[0].voxels) << forms[i];
            EXPECT_EQ(states[i].turtle, states[0].turtle) << forms[i];
            EXPECT_EQ(states[i].red3, states[0].red3) << forms[i];
            EXPECT_EQ(states[i].cubic, states[0].cubic) << forms[i];
        }
    }
}

TEST(DrawingState, HugeArgumentsStayBounded) {
    // Lengths and radii far beyond the volume collapse onto its faces.
    ProgramRun run;
    EXPECT_EQ(run.console({"sphere 100000000", "penup home pendown cube 1000000000 1 1",
                           "pensize 2000000000 setvoxel", "forward 100000000000000000000"}),
              "");
    EXPECT_EQ(countVoxels(run.volume), size_t(101) * 61 * 101);
}

}  // namespace
}  // namespace cubalorn::testing
