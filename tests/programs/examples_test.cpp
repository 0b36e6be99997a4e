// The example programs run as program files, each checked for what it
// prints and what it draws.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "harness.h"
#include "voxel_probe.h"

namespace cubalorn::testing {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A number as a variable holds it: its "%f" text, read back by atof.
float storedNumber(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", double(value));
    return float(std::atof(text));
}

// Runs from a scratch folder in which examples/ is where the programs expect
// it, so that files they write stay out of the source tree.
class Example : public ::testing::Test {
protected:
    void SetUp() override {
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        home_ = buffer;
        std::string scratch = ::testing::TempDir() + "cubalorn_examples_XXXXXX";
        ASSERT_NE(mkdtemp(scratch.data()), nullptr);
        scratch_ = scratch;
        const std::string examples = std::string(CUBALORN_SOURCE_DIR) + "/examples";
        ASSERT_EQ(symlink(examples.c_str(), (scratch_ + "/examples").c_str()), 0);
        ASSERT_EQ(chdir(scratch_.c_str()), 0);
    }
    void TearDown() override {
        if (!home_.empty()) {
            EXPECT_EQ(chdir(home_.c_str()), 0);
        }
    }

    // Runs examples/<name> as a program file; returns what it printed.
    std::string run(const std::string& name) {
        const std::string text = readFile("examples/" + name);
        EXPECT_FALSE(text.empty()) << name;
        return program.programFile(text);
    }

    // How many voxels hold each material.
    std::map<int, size_t> materials() {
        std::map<int, size_t> counts;
        const VoxelVolume& v = program.volume;
        for (int z = 0; z < v.depth(); ++z)
            for (int y = 0; y < v.height(); ++y)
                for (int x = 0; x < v.width(); ++x)
                    if (v.voxel(x, y, z).raw) ++counts[v.voxel(x, y, z).material()];
        return counts;
    }
    int material(int x, int y, int z) { return program.volume.voxel(x, y, z).material(); }

    ProgramRun program;
    std::string home_;
    std::string scratch_;
};

TEST_F(Example, SpiralTowerWindsAroundItsColumn) {
    EXPECT_EQ(run("spiral.logo"), "spiral tower done\n");
    const VoxelVolume& v = program.volume;
    size_t column = 0, ramp = 0;
    int top = 0;
    for (int z = 0; z < v.depth(); ++z)
        for (int y = 0; y < v.height(); ++y)
            for (int x = 0; x < v.width(); ++x) {
                const Voxel voxel = v.voxel(x, y, z);
                if (!voxel.raw) continue;
                const bool inColumn = x >= 47 && x <= 52 && z >= 47 && z <= 52 && y < 50;
                if (inColumn) {
                    EXPECT_EQ(voxel.material(), 4) << x << "," << y << "," << z;
                    ++column;
                    continue;
                }
                // The ramp: 12 cells from the axis, give or take its box pen
                // and the truncation of its points; red at the bottom to yellow.
                const double r = std::hypot(x + 0.5 - 50, z + 0.5 - 50);
                EXPECT_NEAR(r, 12, 3.5) << x << "," << y << "," << z;
                EXPECT_GE(voxel.material(), 9);
                EXPECT_LE(voxel.material(), 16);
                EXPECT_NEAR(voxel.material(), 9 + y / 7.0, 1.0) << "colour follows height at " << y;
                ++ramp;
                top = std::max(top, y);
            }
    EXPECT_EQ(column, 6u * 50 * 6);
    EXPECT_GT(ramp, 330u);
    EXPECT_GE(top, 49);
    EXPECT_EQ(material(50, 49, 50), 4);
    EXPECT_EQ(material(50, 50, 50), 0);
}

TEST_F(Example, HouseHasWallsDoorWindowsRoofAndChimney) {
    EXPECT_EQ(run("house.logo"), "the house is built\n");
    EXPECT_EQ(program.stackSize(), 0u) << "every procedure local is gone";
    struct Part {
        const char* name;
        int x0, y0, z0, x1, y1, z1;  // inclusive
        int material;
    };
    const Part parts[] = {
        {"floor", 30, 0, 30, 69, 0, 59, 5},
        {"front wall left", 30, 1, 30, 33, 18, 30, 58},
        {"door", 46, 1, 30, 53, 12, 30, 59},
        {"front window", 34, 8, 30, 39, 12, 30, 52},
        {"back window", 60, 8, 59, 65, 12, 59, 52},
        {"right wall", 69, 1, 31, 69, 18, 58, 58},
        {"inside", 31, 1, 31, 68, 18, 58, 0},
        {"roof base", 28, 19, 28, 71, 19, 61, 9},
        {"roof top", 39, 30, 39, 59, 30, 50, 9},
        {"above the roof", 28, 31, 28, 59, 31, 61, 0},
        {"chimney through the roof", 60, 24, 40, 62, 36, 42, 6},
        {"chimney top", 60, 37, 40, 62, 37, 42, 6},
        {"above the chimney", 60, 38, 40, 62, 38, 42, 0},
    };
    for (const Part& p : parts)
        for (int z = p.z0; z <= p.z1; ++z)
            for (int y = p.y0; y <= p.y1; ++y)
                for (int x = p.x0; x <= p.x1; ++x)
                    ASSERT_EQ(material(x, y, z), p.material)
                        << p.name << " at " << x << "," << y << "," << z;
}

TEST_F(Example, RecursiveTreeGrowsAndTheTurtleComesHome) {
    EXPECT_EQ(run("tree.logo"), "the tree has grown\n");
    EXPECT_EQ(program.stackSize(), 0u);
    // Every branch returns to where it started, so the whole tree does.
    const Turtle& t = program.world.turtle;
    EXPECT_NEAR(t.x, 50, 0.01);
    EXPECT_NEAR(t.y, 0, 0.01);
    EXPECT_NEAR(t.z, 50, 0.01);
    EXPECT_FLOAT_EQ(t.climbAngle, 90);
    // RIGHT 30 from 0 wraps to 330 and LEFT 30 then gives 360, which wraps
    // no further: the same heading as 0.
    EXPECT_FLOAT_EQ(std::fmod(t.turnAngle, 360.0f), 0);
    // The trunk stands straight up from the start cell.
    for (int y = 0; y < 16; ++y) EXPECT_EQ(material(50, y, 50), 59) << y;
    const auto counts = materials();
    ASSERT_EQ(counts.size(), 2u) << "only bark and leaves";
    EXPECT_GT(counts.at(22), counts.at(59)) << "leaves outnumber bark";
    // Four branches of four: leaves on every side of the trunk.
    int sides = 0;
    const int dx[] = {1, -1, 0, 0}, dz[] = {0, 0, 1, -1};
    for (int side = 0; side < 4; ++side) {
        bool found = false;
        for (int d = 8; d < 30 && !found; ++d)
            for (int y = 16; y < 60 && !found; ++y)
                found = material(50 + dx[side] * d, y, 50 + dz[side] * d) == 22;
        sides += found;
    }
    EXPECT_EQ(sides, 4);
}

TEST_F(Example, LandscapeColumnsFollowTheHeightMap) {
    EXPECT_EQ(run("terrain.logo"), "the landscape is drawn\n");
    const HeightGrid& grid = program.world.heightGrid;
    ASSERT_EQ(grid.gridSize(), 64);
    for (int gx = 0; gx <= 64; ++gx)
        for (int gz = 0; gz <= 64; ++gz) {
            float value = 0;
            ASSERT_TRUE(grid.get(gx, gz, value));
            // The program's own sums, in single precision, each result kept
            // as "%f" text as variables keep it.
            float h = storedNumber(storedNumber(value) * 25.0f + 10.0f);
            int colour = 22;
            if (h < 10) colour = 14;
            if (h < 8) {
                colour = 30;
                h = 8;
            }
            if (h > 20) colour = 59;
            if (h > 27) colour = 1;
            const int height = int(h);
            const int x = gx + 18, z = gz + 18;
            ASSERT_EQ(material(x, 0, z), colour) << gx << "," << gz;
            ASSERT_EQ(material(x, height - 1, z), colour) << gx << "," << gz;
            ASSERT_EQ(material(x, height, z), 0) << gx << "," << gz;
        }
    const auto counts = materials();
    for (int colour : {30, 14, 22, 59}) EXPECT_GT(counts.count(colour), 0u) << colour;
}

TEST_F(Example, SpriteArrowsPointFourWays) {
    EXPECT_EQ(run("sprite.logo"), "four arrows placed\n");
    // Each copy: a 7 x 5 grey plate and an arrow of 9 red and 4 yellow cells.
    const auto counts = materials();
    EXPECT_EQ(counts.at(4), 4u * 35);
    EXPECT_EQ(counts.at(9), 4u * 9);
    EXPECT_EQ(counts.at(16), 4u * 4);
    // Where each arrow's tip (row 2, column 6) and tail (row 2, column 0)
    // land: rows run along x from the turtle's z, columns along z from its x.
    struct Copy {
        int tx, tz;
        int tipX, tipZ, tailX, tailZ;
    };
    const Copy copies[] = {
        {20, 20, 22, 26, 22, 20},  // 0: column c at z = tx + c
        {60, 20, 26, 62, 20, 62},  // 90: x = tz + c, z = tx + 4 - r
        {20, 60, 62, 20, 62, 26},  // 180: z = tx + 6 - c
        {60, 60, 60, 62, 66, 62},  // 270: x = tz + 6 - c, z = tx + r
    };
    for (const Copy& c : copies) {
        EXPECT_EQ(material(c.tipX, 11, c.tipZ), 9) << c.tx << "," << c.tz;
        EXPECT_EQ(material(c.tailX, 11, c.tailZ), 16) << c.tx << "," << c.tz;
        EXPECT_EQ(material(c.tipX, 10, c.tipZ), 4) << c.tx << "," << c.tz;
    }
}

TEST_F(Example, TextFileIsWrittenAndReadBack) {
    EXPECT_EQ(run("files.logo"), "Hello from the turtle\n42\n");
    EXPECT_EQ(readFile(scratch_ + "/cubalorn-notes.txt"), "Hello from the turtle\n42.000000\n");
}

}  // namespace
}  // namespace cubalorn::testing
