// CSV layer files drawn around the turtle: the reads, the four rotations with
// their crossed-over origin, the pen, clamping, and text that does not match.

#include "voxel/csv.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "voxel_scene.h"

namespace cubalorn::testing {
namespace {

// Three columns, two layers of two rows: the top layer (first in the file)
// has red, red, clear / blue, clear, blue; the bottom layer is all white.
const char* const kTwoLayers =
    "3,2,2\n"
    "#FF0000FF,#FF0000FF,#FF000000\n"
    "#0000FFFF,#00000000,#0000FFFF\n"
    "\n"
    "#FFFFFFFF,#FFFFFFFF,#FFFFFFFF\n"
    "#FFFFFFFF,#FFFFFFFF,#FFFFFFFF\n";

constexpr uint16_t kRed = 9 | 0xFF00, kBlue = 32 | 0xFF00, kWhite = 1 | 0xFF00;

class CsvFile : public ::testing::Test {
protected:
    std::string write(const std::string& text) {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/') c = '_';  // parameterised tests are named "Test/Param"
        // One file per process: CTest runs the cases side by side.
        const std::string path =
            ::testing::TempDir() + "cubalorn_csv_" + std::to_string(getpid()) + "_" + name + ".csv";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
};

// The bottom layer of the two-layer file at rotation 0 from (50, 30, 50).
Snapshot whiteLayer(int tx, int ty, int tz) {
    Snapshot s;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) s[{tz + r, ty, tx + c}] = kWhite;
    return s;
}

struct Rotation {
    int degrees;
    Snapshot top;  // the cells drawn on layer y = 31
    Cell last;     // where the turtle ends
};

void PrintTo(const Rotation& r, std::ostream* os) {
    *os << r.degrees;
}

class Rotations : public CsvFile, public ::testing::WithParamInterface<Rotation> {};

TEST_P(Rotations, PlaceTheTwoLayerExample) {
    const Rotation& rotation = GetParam();
    Scene s(100, 60, 100);
    s.place(50, 30, 50);
    const CsvResult result = loadCsv(write(kTwoLayers), rotation.degrees, s.turtle);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.unknownColourCells, 0);
    Snapshot drawn = s.snapshot();
    Snapshot top, bottom;
    for (const auto& [cell, raw] : drawn) (std::get<1>(cell) == 31 ? top : bottom)[cell] = raw;
    EXPECT_EQ(top, rotation.top);
    EXPECT_EQ(bottom.size(), 6u);
    for (const auto& [cell, raw] : bottom) {
        EXPECT_EQ(raw, kWhite);
        EXPECT_EQ(std::get<1>(cell), 30);
    }
    EXPECT_EQ(s.turtleCell(), rotation.last);
    EXPECT_EQ(s.turtle.penColour, 1);
}

const Rotation kRotations[] = {
    {0,
     {{{50, 31, 50}, kRed}, {{50, 31, 51}, kRed}, {{51, 31, 50}, kBlue}, {{51, 31, 52}, kBlue}},
     {51, 30, 52}},
    {180,
     {{{50, 31, 52}, kRed}, {{50, 31, 51}, kRed}, {{51, 31, 52}, kBlue}, {{51, 31, 50}, kBlue}},
     {51, 30, 50}},
    {90,
     {{{50, 31, 51}, kRed}, {{51, 31, 51}, kRed}, {{50, 31, 50}, kBlue}, {{52, 31, 50}, kBlue}},
     {52, 30, 50}},
    {270,
     {{{52, 31, 50}, kRed}, {{51, 31, 50}, kRed}, {{52, 31, 51}, kBlue}, {{50, 31, 51}, kBlue}},
     {50, 30, 51}},
    // Any other angle places the cells as 0 does.
    {45,
     {{{50, 31, 50}, kRed}, {{50, 31, 51}, kRed}, {{51, 31, 50}, kBlue}, {{51, 31, 52}, kBlue}},
     {51, 30, 52}},
};
INSTANTIATE_TEST_SUITE_P(Csv, Rotations, ::testing::ValuesIn(kRotations),
                         [](const auto& info) { return std::to_string(info.param.degrees); });

TEST_F(CsvFile, RowsStartAtTheTurtlesZAndColumnsAtItsX) {
    Scene s(100, 60, 100);
    s.place(20.7f, 5.2f, 60.9f);  // truncated to (20, 5, 60)
    loadCsv(write(kTwoLayers), 0, s.turtle);
    Snapshot expected = whiteLayer(20, 5, 60);
    expected[{60, 6, 20}] = kRed;
    expected[{60, 6, 21}] = kRed;
    expected[{61, 6, 20}] = kBlue;
    expected[{61, 6, 22}] = kBlue;
    EXPECT_EQ(s.snapshot(), expected);
}

TEST_F(CsvFile, PenUpMovesAndColoursButDrawsNothing) {
    Scene s(100, 60, 100);
    s.place(50, 30, 50);
    s.turtle.penUp = true;
    s.turtle.penColour = 5;
    loadCsv(write(kTwoLayers), 0, s.turtle);
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.turtleCell(), (Cell{51, 30, 52}));
    EXPECT_EQ(s.turtle.penColour, 1);
}

TEST_F(CsvFile, LargerPenStampsBoxes) {
    Scene s(100, 60, 100);
    s.place(50, 30, 50);
    s.turtle.penSize = 3;
    loadCsv(write("1,1,1\n#FF0000FF\n"), 0, s.turtle);
    // A 2 x 2 x 2 box from the cell one below the target on each axis.
    Snapshot expected;
    for (int z = 49; z <= 50; ++z)
        for (int y = 29; y <= 30; ++y)
            for (int x = 49; x <= 50; ++x) expected[{x, y, z}] = kRed;
    EXPECT_EQ(s.snapshot(), expected);
}

TEST_F(CsvFile, CellsOutsideTheVolumeClampOntoItsFaces) {
    Scene s(10, 10, 10);
    s.place(9, 10, 9);
    // Two columns and two rows on two layers: the upper layer lies above the
    // volume, and both grow past x = 10 and z = 10.
    loadCsv(write("2,2,2\n#FF0000FF,#FF0000FF\n#FF0000FF,#FF0000FF\n\n"
                  "#0000FFFF,#0000FFFF\n#0000FFFF,#0000FFFF\n"),
            0, s.turtle);
    // Red first at y = 11 clamped to 10, then blue over it at y = 10.
    const Snapshot expected = {
        {{9, 10, 9}, kBlue}, {{9, 10, 10}, kBlue}, {{10, 10, 9}, kBlue}, {{10, 10, 10}, kBlue}};
    EXPECT_EQ(s.snapshot(), expected);
    EXPECT_EQ(s.turtleCell(), (Cell{10, 10, 10}));
}

struct Text {
    const char* name;
    std::string file;
    Snapshot drawn;  // at rotation 0 from (10, 10, 10)
    int64_t unknownCells;
};

void PrintTo(const Text& t, std::ostream* os) {
    *os << t.name;
}

class Texts : public CsvFile, public ::testing::WithParamInterface<Text> {};

TEST_P(Texts, ReadAsTheFormatSays) {
    const Text& t = GetParam();
    Scene s(40, 40, 40);
    s.place(10, 10, 10);
    const CsvResult result = loadCsv(write(t.file), 0, s.turtle);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(s.snapshot(), t.drawn);
    EXPECT_EQ(result.unknownColourCells, t.unknownCells);
}

const Text kTexts[] = {
    {"OpacityZeroLeavesTheCellEmpty", "2,1,1\n#FF0000FF,#0000FF00\n", {{{10, 10, 10}, kRed}}, 0},
    {"AnyOpacityAboveZeroDraws",
     "2,1,1\n#FF000001,#0000FF8\n",
     {{{10, 10, 10}, kRed}, {{10, 10, 11}, kBlue}},
     0},
    {"StrayCharacterRepeatsTheLastGoodCell",
     "3,1,2\n#FF0000FF,x#0000FFFF,#FFFFFFFF\n#FFFFFFFF,#FFFFFFFF,#FFFFFFFF\n",
     {{{10, 10, 10}, kRed},
      {{10, 10, 11}, kRed},
      {{10, 10, 12}, kRed},
      {{11, 10, 10}, kRed},
      {{11, 10, 11}, kRed},
      {{11, 10, 12}, kRed}},
     0},
    {"StrayCharacterRepeatsIntoLaterLayers",
     "1,2,1\n#0000FFFF?\n#FF0000FF\n",
     {{{10, 11, 10}, kBlue}, {{10, 10, 10}, kBlue}},
     0},
    {"FailedOpacityKeepsThePreviousOne",
     "2,1,1\n#FF0000FF,#0000FFzz\n",
     {{{10, 10, 10}, kRed}, {{10, 10, 11}, kBlue}},
     0},
    {"NoGoodCellYetDrawsNothing", "2,1,1\nzz,#FF0000FF\n", {}, 0},
    {"UnknownColourIsSkipped", "3,1,1\n#FF0000FF,#123456FF,#ff0000FF\n", {{{10, 10, 10}, kRed}}, 2},
    {"DuplicateNameGivesTheFirstMaterial",
     "2,1,1\n#FFFF00FF,#FF0055FF\n",
     {{{10, 10, 10}, 16 | 0xFF00}, {{10, 10, 11}, 62 | 0xFF00}},
     0},
    {"WindowsLineEnds",
     "2,1,2\r\n#FF0000FF,#FF0000FF\r\n#0000FFFF,#0000FFFF\r\n",
     {{{10, 10, 10}, kRed}, {{10, 10, 11}, kRed}, {{11, 10, 10}, kBlue}, {{11, 10, 11}, kBlue}},
     0},
    {"MissingHeaderDrawsNothing", "#FF0000FF\n", {}, 0},
    {"EmptyFileDrawsNothing", "", {}, 0},
    {"ShortFileRepeatsItsLastCell",
     "2,1,2\n#FF0000FF\n",
     {{{10, 10, 10}, kRed}, {{10, 10, 11}, kRed}, {{11, 10, 10}, kRed}, {{11, 10, 11}, kRed}},
     0},
};
INSTANTIATE_TEST_SUITE_P(Csv, Texts, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CsvFile, MissingFileChangesNothing) {
    Scene s(20, 20, 20);
    s.place(3, 4, 5);
    s.turtle.penColour = 6;
    const CsvResult result = loadCsv("/nonexistent/dir/layers.csv", 0, s.turtle);
    EXPECT_FALSE(result.opened);
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.turtleCell(), (Cell{3, 4, 5}));
    EXPECT_EQ(s.turtle.penColour, 6);
}

TEST_F(CsvFile, HugeCountsInAStuckFileStayBounded) {
    // Two billion cells that all repeat one stuck cell: drawn once per voxel.
    Scene s(20, 20, 20);
    s.place(0, 0, 0);
    const CsvResult result =
        loadCsv(write("2000000000,2000000000,2000000000\n#FF0000FF!"), 0, s.turtle);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(s.count(), size_t(21) * 21 * 21);
    EXPECT_EQ(s.turtleCell(), (Cell{20, 0, 20}));
}

TEST(CsvRotation, OnlyQuarterTurnsAreRotations) {
    for (int r : {0, 90, 180, 270}) EXPECT_TRUE(isCsvRotation(r)) << r;
    for (int r : {-90, 1, 45, 360, 91, 269}) EXPECT_FALSE(isCsvRotation(r)) << r;
}

}  // namespace
}  // namespace cubalorn::testing
