#include "voxel/shapes.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "unit/voxel/voxel_scene.h"

namespace cubalorn {
namespace {

using testing::Cell;
using testing::Scene;
using testing::Snapshot;

TEST(Shapes, SphereCountsAndWhereTheTurtleEnds) {
    struct Case {
        int r;
        float x, y, z;
        bool penUp;
        size_t count;
        Cell end;
    } cases[] = {
        {1, 50, 50, 50, false, 27, {51, 51, 51}},
        {5, 50, 50, 50, false, 895, {51, 53, 55}},
        {0, 50, 50, 50, false, 0, {50, 50, 50}},   // scan box is empty
        {-3, 50, 50, 50, false, 0, {50, 50, 50}},
        {3, 50, 50, 50, true, 0, {51, 52, 53}},    // pen up still walks the ball
        {0, 50.5f, 50.5f, 50.5f, false, 1, {50, 50, 50}},
    };
    for (const Case& c : cases) {
        Scene s(100, 100, 100);
        s.place(c.x, c.y, c.z);
        s.turtle.penUp = c.penUp;
        drawSphere(s.turtle, c.r);
        EXPECT_EQ(s.count(), c.count) << "r " << c.r;
        EXPECT_EQ(s.turtleCell(), c.end) << "r " << c.r;
    }
}

TEST(Shapes, SphereCutByAFaceCollapsesOntoIt) {
    Scene s(100, 100, 100);
    s.place(3, 50, 50);
    drawSphere(s.turtle, 5);
    const Snapshot snap = s.snapshot();
    // Cells at x = -2 .. -1 land on x = 0; the face disc is the widest
    // slice among them and x = 0 itself, which is the slice at x = 0.
    size_t onFace = 0;
    for (const auto& [cell, raw] : snap) onFace += std::get<0>(cell) == 0;
    size_t sliceAtZero = 0;
    for (int y = 40; y <= 60; ++y)
        for (int z = 40; z <= 60; ++z) {
            const float d = std::sqrt(float(9 + (y - 50) * (y - 50) + (z - 50) * (z - 50)));
            sliceAtZero += int(d) <= 5;
        }
    EXPECT_EQ(onFace, sliceAtZero);
    EXPECT_LT(snap.size(), 895u);
}

TEST(Shapes, SphereMatchesThePlainLoop) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> pos(-8.0f, 28.0f);
    for (int trial = 0; trial < 300; ++trial) {
        const int r = int(rng() % 9) - 1;
        const int pen = (rng() % 3 == 0) ? int(rng() % 12) - 1 : 1;
        const bool penUp = rng() % 7 == 0;
        float p[3];
        for (float& v : p) v = (rng() % 3 == 0) ? float(int(pos(rng))) : pos(rng);
        Scene fast(20, 12, 17), plain(20, 12, 17);
        for (Scene* s : {&fast, &plain}) {
            s->place(p[0], p[1], p[2]);
            s->turtle.penSize = pen;
            s->turtle.penUp = penUp;
        }
        drawSphere(fast.turtle, r);
        testing::plainSphere(plain, r);
        ASSERT_EQ(fast.snapshot(), plain.snapshot())
            << "r " << r << " pen " << pen << " at " << p[0] << "," << p[1] << "," << p[2];
        ASSERT_EQ(fast.turtle.x, plain.turtle.x) << "r " << r;
        ASSERT_EQ(fast.turtle.y, plain.turtle.y) << "r " << r;
        ASSERT_EQ(fast.turtle.z, plain.turtle.z) << "r " << r;
    }
}

TEST(Shapes, CuboidGrowsTowardsPlusAndClampsAtFaces) {
    struct Case {
        float x, y, z;
        int width, height, depth;
        size_t count;
        Cell end;
    } cases[] = {
        // CUBE 2 3 4: depth 2, height 3, width 4.
        {10, 10, 10, 4, 3, 2, 24, {13, 12, 11}},
        {10.7f, 10.2f, 10.9f, 4, 3, 2, 24, {13, 12, 11}},
        {98, 58, 98, 5, 5, 5, 27, {100, 60, 100}},
        {10, 10, 10, 0, 3, 2, 0, {10, 10, 10}},
        {10, 10, 10, 4, -1, 2, 0, {10, 10, 10}},
        {-5, -5, -5, 3, 3, 3, 1, {0, 0, 0}},
        {50, 30, 50, INT_MAX, INT_MAX, INT_MAX, 51u * 31u * 51u, {100, 60, 100}},
    };
    for (const Case& c : cases) {
        Scene s(100, 60, 100);
        s.place(c.x, c.y, c.z);
        drawCuboid(s.turtle, c.width, c.height, c.depth);
        EXPECT_EQ(s.count(), c.count) << c.width << "x" << c.height << "x" << c.depth;
        EXPECT_EQ(s.turtleCell(), c.end) << c.width << "x" << c.height << "x" << c.depth;
    }
    Scene s(100, 60, 100);
    s.place(10, 10, 10);
    drawCuboid(s.turtle, 4, 3, 2);
    const Snapshot snap = s.snapshot();
    EXPECT_TRUE(snap.count({13, 12, 11}));
    EXPECT_TRUE(snap.count({10, 10, 10}));
    EXPECT_FALSE(snap.count({10, 10, 12}));
    EXPECT_FALSE(snap.count({14, 10, 10}));

    Scene up(100, 60, 100);
    up.turtle.penUp = true;
    drawCuboid(up.turtle, 3, 3, 3);
    EXPECT_EQ(up.count(), 0u);
    EXPECT_EQ(up.turtleCell(), Cell(52, 32, 52));
}

TEST(Shapes, CuboidMatchesThePlainLoop) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> pos(-10.0f, 30.0f);
    for (int trial = 0; trial < 300; ++trial) {
        const int pen = (rng() % 2 == 0) ? int(rng() % 14) - 1 : 1;
        int extent[3];
        for (int& e : extent) e = int(rng() % 16) - 2;
        float p[3];
        for (float& v : p) v = (rng() % 2 == 0) ? float(int(pos(rng))) : pos(rng);
        Scene fast(20, 12, 17), plain(20, 12, 17);
        for (Scene* s : {&fast, &plain}) {
            s->place(p[0], p[1], p[2]);
            s->turtle.penSize = pen;
        }
        drawCuboid(fast.turtle, extent[0], extent[1], extent[2]);
        testing::plainCuboid(plain, extent[0], extent[1], extent[2]);
        ASSERT_EQ(fast.snapshot(), plain.snapshot())
            << "pen " << pen << " at " << p[0] << "," << p[1] << "," << p[2];
        ASSERT_EQ(fast.turtleCell(), plain.turtleCell());
    }
}

TEST(Shapes, VoxelUnderTurtleAndClear) {
    Scene s(100, 60, 100);
    s.turtle.penColour = 7;
    s.turtle.stampPen();
    EXPECT_EQ(voxelUnderTurtle(s.turtle), 7);
    s.turtle.penColour = 300;  // only the low byte: material 44
    s.place(1, 1, 1);
    s.turtle.stampPen();
    EXPECT_EQ(voxelUnderTurtle(s.turtle), 44);
    s.turtle.penColour = 0;  // material 0 but density 255
    s.place(2, 2, 2);
    s.turtle.stampPen();
    EXPECT_EQ(voxelUnderTurtle(s.turtle), 0);
    EXPECT_EQ(s.volume.voxel(2, 2, 2).density(), 255);
    for (float x : {-1.0f, 101.0f, 1e30f}) {
        s.place(x, 1, 1);
        EXPECT_EQ(voxelUnderTurtle(s.turtle), 0) << x;
    }
    s.place(1.9f, 1.9f, 1.2f);
    EXPECT_EQ(voxelUnderTurtle(s.turtle), 44);

    s.place(5, 6, 7);
    drawSphere(s.turtle, 3);
    const float tx = s.turtle.x;
    clearVolume(s.volume);
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.turtle.x, tx);
    EXPECT_EQ(s.turtle.penColour, 0);
}

TEST(Shapes, HugeShapesFillTheVolumeAndFinish) {
    Scene s(60, 30, 40);
    drawSphere(s.turtle, 2000000000);
    EXPECT_EQ(s.count(), 61u * 31u * 41u);
    EXPECT_EQ(s.turtleCell(), Cell(60, 30, 40));

    Scene box(60, 30, 40);
    box.turtle.penSize = 1000;
    drawSphere(box.turtle, 30);
    EXPECT_EQ(box.count(), 61u * 31u * 41u);
}

}  // namespace
}  // namespace cubalorn
