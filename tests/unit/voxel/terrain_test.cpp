// The height grid and its diamond-square generator.

#include "voxel/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "voxel/random.h"

namespace cubalorn::testing {
namespace {

double at(const HeightGrid& g, int x, int y) {
    return g.values()[size_t(x + g.side() * y)];
}

TEST(HeightGrid, DefaultsBeforeTheFirstInit) {
    HeightGrid g;
    EXPECT_FALSE(g.initialised());
    EXPECT_DOUBLE_EQ(g.roughness(), 1.3);
    EXPECT_EQ(g.gridSize(), 64);
    EXPECT_EQ(g.halfSize(), 32);
    EXPECT_EQ(g.side(), 65);
    float v = 7;
    Random random;
    EXPECT_FALSE(g.set(0, 0, 1.0f));
    EXPECT_FALSE(g.get(0, 0, v));
    EXPECT_EQ(v, 7) << "a refused read leaves the value alone";
    EXPECT_FALSE(g.diamondSquare(random));
    EXPECT_TRUE(g.values().empty());
}

TEST(HeightGrid, InitSizesTheGrid) {
    struct Size {
        int n;
        int half, side;
    };
    for (const Size s :
         {Size{64, 32, 65}, Size{4, 2, 5}, Size{7, 3, 8}, Size{1, 0, 2}, Size{0, 0, 1}}) {
        HeightGrid g;
        ASSERT_EQ(g.init(s.n, 1.5f), HeightGrid::InitResult::Done) << s.n;
        EXPECT_EQ(g.gridSize(), s.n);
        EXPECT_EQ(g.halfSize(), s.half);
        EXPECT_EQ(g.side(), s.side);
        EXPECT_DOUBLE_EQ(g.roughness(), 1.5);
        // One row and one value more than side^2, all 0.
        ASSERT_EQ(g.values().size(), size_t((s.n + 2) * (s.n + 1) + 1)) << s.n;
        for (double v : g.values()) EXPECT_EQ(v, 0.0);
    }
}

TEST(HeightGrid, RefusedSizesKeepTheOldGrid) {
    HeightGrid g;
    ASSERT_EQ(g.init(8, 1), HeightGrid::InitResult::Done);
    ASSERT_TRUE(g.set(3, 4, 2.5f));
    EXPECT_EQ(g.init(-1, 1), HeightGrid::InitResult::Negative);
    EXPECT_EQ(g.init(HeightGrid::kMaxGridSize + 1, 1), HeightGrid::InitResult::TooLarge);
    EXPECT_EQ(g.gridSize(), 8);
    float v = 0;
    ASSERT_TRUE(g.get(3, 4, v));
    EXPECT_EQ(v, 2.5f);
}

TEST(HeightGrid, ReadsAndWritesOnlyPointsOfTheGrid) {
    struct Point {
        int x, y;
        bool inside;
    };
    const Point points[] = {{0, 0, true},    {16, 16, true}, {16, 0, true},  {0, 16, true},
                            {-1, 0, false},  {0, -1, false}, {17, 0, false}, {0, 17, false},
                            {17, 17, false}, {-5, 30, false}};
    HeightGrid g;
    ASSERT_EQ(g.init(16, 1), HeightGrid::InitResult::Done);
    const std::vector<double> before = g.values();
    for (const Point& p : points) {
        EXPECT_EQ(g.set(p.x, p.y, 3.0f), p.inside) << p.x << "," << p.y;
        float v = -1;
        EXPECT_EQ(g.get(p.x, p.y, v), p.inside) << p.x << "," << p.y;
        if (p.inside) {
            EXPECT_EQ(v, 3.0f);
            EXPECT_EQ(at(g, p.x, p.y), 3.0);
        }
    }
    // Only the four inside points changed.
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i) changed += g.values()[i] != before[i];
    EXPECT_EQ(changed, 4u);
}

TEST(HeightGrid, SeedPointsAreNeverWritten) {
    HeightGrid g;
    ASSERT_EQ(g.init(64, 1), HeightGrid::InitResult::Done);
    ASSERT_TRUE(g.set(32, 32, 5));
    ASSERT_TRUE(g.set(64, 0, -2));
    Random random(42);
    ASSERT_TRUE(g.diamondSquare(random));
    EXPECT_EQ(at(g, 32, 32), 5.0);
    EXPECT_EQ(at(g, 64, 0), -2.0);
    for (int y = 0; y <= 64; y += 32)
        for (int x = 0; x <= 64; x += 32) {
            if (!(x == 32 && y == 32) && !(x == 64 && y == 0)) {
                EXPECT_EQ(at(g, x, y), 0.0) << x << "," << y;
            }
        }
    // Everything else got noise.
    size_t zeros = 0;
    for (int y = 0; y <= 64; ++y)
        for (int x = 0; x <= 64; ++x) zeros += at(g, x, y) == 0.0;
    EXPECT_EQ(zeros, 7u);
}

// Points where both coordinates have the same lowest set bit are the centres
// of the diamond steps; those never exceed 1.0, edge midpoints may.
TEST(HeightGrid, DiamondCentresAreCappedAtOne) {
    HeightGrid g;
    ASSERT_EQ(g.init(64, 1), HeightGrid::InitResult::Done);
    for (int y = 0; y <= 64; y += 32)
        for (int x = 0; x <= 64; x += 32) ASSERT_TRUE(g.set(x, y, 10));
    Random random(7);
    ASSERT_TRUE(g.diamondSquare(random));
    int centres = 0;
    double highestMidpoint = 0;
    for (int y = 1; y < 64; ++y)
        for (int x = 1; x < 64; ++x) {
            if ((x & -x) == (y & -y) && (x % 32 != 0 || y % 32 != 0)) {
                ++centres;
                EXPECT_LE(at(g, x, y), 1.0) << x << "," << y;
            } else if (x % 32 != 0 || y % 32 != 0) {
                highestMidpoint = std::max(highestMidpoint, at(g, x, y));
            }
        }
    EXPECT_EQ(centres, 4 + 16 + 64 + 256 + 1024);
    // The largest centres sit next to seeds of 10: exactly the cap.
    EXPECT_EQ(at(g, 16, 16), 1.0);
    EXPECT_GT(highestMidpoint, 1.0);
}

TEST(HeightGrid, SizesBelowTwoStepsChangeNothing) {
    for (int n : {0, 1, 2, 3}) {
        HeightGrid g;
        ASSERT_EQ(g.init(n, 1), HeightGrid::InitResult::Done);
        ASSERT_TRUE(g.set(0, 0, 0.5f));
        const std::vector<double> before = g.values();
        Random random(3);
        ASSERT_TRUE(g.diamondSquare(random));
        EXPECT_EQ(g.values(), before) << n;
    }
}

// DSINIT 4 runs one pass of squares of 2 steps at scale 0.5 * 2^-1 = 0.25.
// A large seed at (4, 0) reaches (0, 1) only through the flat neighbour
// index of (0, 1), which wraps to the far end of the row above.
TEST(HeightGrid, FlatNeighboursWrapToTheNextRow) {
    HeightGrid g;
    ASSERT_EQ(g.init(4, 1), HeightGrid::InitResult::Done);
    ASSERT_TRUE(g.set(4, 0, 1000));
    Random random(11);
    ASSERT_TRUE(g.diamondSquare(random));
    const double s = 0.25;
    // Centre of the square at (2, 0): capped.
    EXPECT_EQ(at(g, 3, 1), 1.0);
    // Centre of the square at (0, 0): four zero corners plus noise.
    const double centre = at(g, 1, 1);
    EXPECT_LE(std::fabs(centre), s);
    // Left midpoint of (0, 0): TL, BL, its centre and the wrapped (4, 0).
    EXPECT_NEAR(at(g, 0, 1), (0 + 0 + centre + 1000) * 0.25, s);
    // Right midpoint of (2, 0): BR, TR, the capped centre and the wrapped (0, 2).
    EXPECT_NEAR(at(g, 4, 1), (0 + 1000 + 1.0 + 0) * 0.25, s);
    // Top midpoint of (0, 0): no neighbour above the grid, so three values.
    EXPECT_NEAR(at(g, 1, 0), (0 + 0 + centre) / 3, s);
}

TEST(HeightGrid, SameSeedSameTerrain) {
    HeightGrid a, b, c;
    for (HeightGrid* g : {&a, &b, &c}) ASSERT_EQ(g->init(32, 1.3f), HeightGrid::InitResult::Done);
    Random ra(5), rb(5), rc(6);
    a.diamondSquare(ra);
    b.diamondSquare(rb);
    c.diamondSquare(rc);
    EXPECT_EQ(a.values(), b.values());
    EXPECT_NE(a.values(), c.values());
}

// Sizes that are not powers of two give squares that reach past the grid;
// they are skipped, every value stays finite and the seeds keep theirs.
TEST(HeightGrid, AnySizeStaysInsideTheGrid) {
    for (int n = 4; n <= 70; ++n) {
        HeightGrid g;
        ASSERT_EQ(g.init(n, 0.8f), HeightGrid::InitResult::Done);
        ASSERT_TRUE(g.set(n, n, 9));
        Random random{uint32_t(n)};
        ASSERT_TRUE(g.diamondSquare(random));
        EXPECT_EQ(at(g, n, n), 9.0) << n;
        for (double v : g.values()) ASSERT_TRUE(std::isfinite(v)) << n;
    }
}

}  // namespace
}  // namespace cubalorn::testing
