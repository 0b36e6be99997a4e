// Terrain and CSV layers from Logo: DSINIT, DSSET, DIAMONDSQUARE, DSGET and
// LOADCSV, with their messages and the voxels they lead to.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "harness.h"
#include "voxel_probe.h"

namespace cubalorn::testing {
namespace {

struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Terrain : public ::testing::TestWithParam<Case> {};

TEST_P(Terrain, PrintsExactly) {
    const Case& c = GetParam();
    ProgramRun run;
    std::vector<std::string> lines = {"make \"h 99"};
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(run.console(lines), c.expected);
}

const Case kTerrainCases[] = {
    {"FreshGridReadsZero", {"dsinit 64 1.3", "\"h = dsget 10 10", "print :h"}, "0\n"},
    {"SetThenGet", {"dsinit 8 1 dsset 3 4 2.5", "\"h = dsget 3 4", "print :h"}, "2.500000\n"},
    {"DsgetInsideAnExpression",
     {"dsinit 8 1 dsset 8 8 5", "\"h = dsget 8 8 * 2 + 1", "print :h"},
     "11\n"},
    {"DsgetInsideABody",
     {"dsinit 8 1 dsset 2 2 3", "repeat 1 [ \"h = dsget 2 2 ]", "print :h"},
     "3\n"},
    {"ArgumentsFromVariables",
     {"make \"x 4 make \"y 5 make \"v 7", "dsinit 8 1 dsset :x :y :v", "\"h = dsget :x :y",
      "print :h"},
     "7\n"},
    {"SeedsSurviveTheGenerator",
     {"dsinit 64 1 dsset 32 32 5 diamondsquare", "\"h = dsget 32 32", "print :h", "\"h = dsget 0 0",
      "print :h"},
     "5\n0\n"},
    {"SizeThreeChangesNothing",
     {"dsinit 3 1 dsset 1 1 2 diamondsquare", "\"h = dsget 1 1", "print :h", "\"h = dsget 2 2",
      "print :h"},
     "2\n0\n"},
    {"SizeOneChangesNothing", {"dsinit 1 1 diamondsquare", "\"h = dsget 1 1", "print :h"}, "0\n"},
    {"NothingBeforeTheFirstDsinit",
     {"dsset 1 1 1", "diamondsquare", "\"h = dsget 1 1", "print :h"},
     "ERROR - DSSET: no height grid yet, run DSINIT first, token 1\n"
     "ERROR - DIAMONDSQUARE: no height grid yet, run DSINIT first, token diamondsquare\n"
     "ERROR - DSGET: no height grid yet, run DSINIT first, token 1\n"
     "0\n"},
    {"PointsOutsideTheGrid",
     {"dsinit 8 1", "dsset 9 0 1", "dsset 0 -1 1", "\"h = dsget 0 9", "print :h"},
     "ERROR - DSSET: the point is outside the height grid 0 to 8, token 1\n"
     "ERROR - DSSET: the point is outside the height grid 0 to 8, token 1\n"
     "ERROR - DSGET: the point is outside the height grid 0 to 8, token 9\n"
     "0\n"},
    {"RefusedSizeKeepsTheGrid",
     {"dsinit 8 1 dsset 1 1 4", "dsinit -2 1", "dsinit 100000 1", "\"h = dsget 1 1", "print :h"},
     "ERROR - DSINIT: the grid size should be 0 to 4096, token 1\n"
     "ERROR - DSINIT: the grid size should be 0 to 4096, token 1\n"
     "4\n"},
};
INSTANTIATE_TEST_SUITE_P(Terrain, Terrain, ::testing::ValuesIn(kTerrainCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TerrainNoise, GeneratedHeightsFollowTheSeed) {
    auto height = [](const std::string& seed) {
        ProgramRun run;
        run.console({"make \"h 0", "randomize " + seed, "dsinit 64 1.3 diamondsquare",
                     "\"h = dsget 10 10"});
        return run.variable("h");
    };
    EXPECT_NE(height("5"), "0.000000");
    EXPECT_EQ(height("5"), height("5"));
    EXPECT_NE(height("5"), height("6"));
}

// Columns drawn from the heights: the way programs use the grid.
TEST(TerrainNoise, ColumnsFollowDsget) {
    ProgramRun run;
    run.console({"make \"x 0 make \"z 0 make \"h 0",
                 "dsinit 4 1 dsset 0 0 3 dsset 4 4 6 dsset 2 2 1",
                 "for \"x 0 4 1 [ for \"z 0 4 1 [ \"h = dsget :x :z \"h = :h + 1 "
                 "penup goto :x 0 :z pendown cube 1 :h 1 ] ]"});
    EXPECT_EQ(countVoxels(run.volume), size_t(4 + 7 + 2 + 22 * 1));
    EXPECT_EQ(probeWithLogo(run, {{0, 3, 0, 1},
                                  {0, 4, 0, 0},
                                  {4, 6, 4, 1},
                                  {4, 7, 4, 0},
                                  {2, 1, 2, 1},
                                  {2, 2, 2, 0},
                                  {1, 0, 3, 1},
                                  {1, 1, 3, 0}}),
              "1\n0\n1\n0\n1\n0\n1\n0\n");
}

// --- CSV layers --------------------------------------------------------------

const char* const kTwoLayers =
    "3,2,2\n"
    "#FF0000FF,#FF0000FF,#FF000000\n"
    "#0000FFFF,#00000000,#0000FFFF\n"
    "\n"
    "#FFFFFFFF,#FFFFFFFF,#FFFFFFFF\n"
    "#FFFFFFFF,#FFFFFFFF,#FFFFFFFF\n";

std::string scratchFile(const std::string& name, const std::string& text) {
    const std::string path =
        ::testing::TempDir() + "cubalorn_loadcsv_" + std::to_string(getpid()) + "_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

struct CsvCase {
    const char* name;
    std::string file;                // written to a scratch file, named by {file}
    std::vector<std::string> lines;  // "{file}" stands for its path
    std::string expected;
    std::vector<Probe> probes;
    size_t voxels;
    Vec3i turtle;
    int penColour;
};

void PrintTo(const CsvCase& c, std::ostream* os) {
    *os << c.name;
}

class Loadcsv : public ::testing::TestWithParam<CsvCase> {};

TEST_P(Loadcsv, DrawsTheLayers) {
    const CsvCase& c = GetParam();
    const std::string path = scratchFile(c.name, c.file);
    std::vector<std::string> lines;
    for (std::string line : c.lines) {
        for (size_t at = line.find("{file}"); at != std::string::npos; at = line.find("{file}"))
            line.replace(at, 6, path);
        lines.push_back(line);
    }
    ProgramRun run;  // the turtle starts on (50, 30, 50)
    EXPECT_EQ(run.console(lines), c.expected);
    EXPECT_EQ(countVoxels(run.volume), c.voxels);
    EXPECT_EQ(turtleCell(run.world.turtle), c.turtle);
    EXPECT_EQ(run.world.turtle.penColour, c.penColour);
    EXPECT_EQ(probeWithLogo(run, c.probes), expectedProbes(c.probes));
}

const CsvCase kCsvCases[] = {
    {"RotationZero",
     kTwoLayers,
     {"loadcsv \"{file} 0"},
     "",
     {{50, 31, 50, 9},
      {50, 31, 51, 9},
      {50, 31, 52, 0},
      {51, 31, 50, 32},
      {51, 31, 51, 0},
      {51, 31, 52, 32},
      {50, 30, 50, 1},
      {51, 30, 52, 1}},
     10,
     {51, 30, 52},
     1},
    {"RotationHalfTurnReversesTheColumns",
     kTwoLayers,
     {"loadcsv \"{file} 180"},
     "",
     {{50, 31, 52, 9}, {50, 31, 51, 9}, {50, 31, 50, 0}, {51, 31, 52, 32}, {51, 31, 50, 32}},
     10,
     {51, 30, 50},
     1},
    {"RotationQuarterTurn",
     kTwoLayers,
     {"loadcsv \"{file} 90"},
     "",
     {{50, 31, 51, 9}, {51, 31, 51, 9}, {50, 31, 50, 32}, {52, 31, 50, 32}},
     10,
     {52, 30, 50},
     1},
    {"OtherAnglesWarnAndPlaceAsZero",
     kTwoLayers,
     {"loadcsv \"{file} 45"},
     "ERROR - LOADCSV: the rotationdegree should be 0, 90, 180 or 270!, token 45\n",
     {{50, 31, 50, 9}, {51, 31, 52, 32}},
     10,
     {51, 30, 52},
     1},
    {"NameAndAngleFromVariables",
     kTwoLayers,
     {"make \"f \"{file} make \"a 180", "loadcsv :f :a"},
     "",
     {{50, 31, 52, 9}},
     10,
     {51, 30, 50},
     1},
    {"PenUpMovesAndRecolours",
     kTwoLayers,
     {"pencolor 5 penup loadcsv \"{file} 0"},
     "",
     {},
     0,
     {51, 30, 52},
     1},
    {"OpacityZeroLeavesCellsEmpty",
     "2,1,1\n#FF0000FF,#0000FF00\n",
     {"loadcsv \"{file} 0"},
     "",
     {{50, 30, 50, 9}, {50, 30, 51, 0}},
     1,
     {50, 30, 50},
     9},
    {"StrayCharacterRepeatsTheLastGoodCell",
     "3,1,1\n#FFFF00FF,%#0000FFFF,#FFFFFFFF\n",
     {"loadcsv \"{file} 0"},
     "",
     {{50, 30, 50, 16}, {50, 30, 51, 16}, {50, 30, 52, 16}},
     3,
     {50, 30, 52},
     16},
    {"UnknownColoursAreSkippedWithOneMessage",
     "3,1,1\n#FF0000FF,#123456FF,#abcdefFF\n",
     {"loadcsv \"{file} 0"},
     "ERROR - LOADCSV: 2 cells with a colour outside the palette's names skipped, the first "
     "is 123456, token 0\n",
     {{50, 30, 50, 9}, {50, 30, 51, 0}, {50, 30, 52, 0}},
     1,
     {50, 30, 50},
     9},
    {"MissingFileIsSilent",
     "",
     {"pencolor 4 loadcsv \"/nonexistent/dir/sprite.csv 0"},
     "",
     {},
     0,
     {50, 30, 50},
     4},
    {"InsideAProcedure",
     kTwoLayers,
     {"to \"sprite :r loadcsv \"{file} :r end go \"sprite 180"},
     "",
     {{50, 31, 52, 9}},
     10,
     {51, 30, 50},
     1},
};
INSTANTIATE_TEST_SUITE_P(Csv, Loadcsv, ::testing::ValuesIn(kCsvCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cubalorn::testing
