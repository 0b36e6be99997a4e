#include "voxel/turtle.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

#include "unit/voxel/voxel_scene.h"

namespace cubalorn {
namespace {

using testing::Cell;
using testing::Scene;
using testing::Snapshot;

TEST(Turtle, ResetCentresTheTurtleWithTheDefaultPen) {
    struct Case {
        int ux, uy, uz;
        float x, y, z;
    } cases[] = {{100, 60, 100, 50, 30, 50}, {0, 0, 0, 0, 0, 0}, {9, 4, 31, 5, 2, 16}};
    for (const Case& c : cases) {
        Scene s(c.ux, c.uy, c.uz);
        s.turtle.penUp = true;
        s.turtle.penSize = 4;
        s.turtle.turnAngle = 12;
        s.turtle.resetTurtle(s.volume);
        EXPECT_EQ(s.turtle.x, c.x);
        EXPECT_EQ(s.turtle.y, c.y);
        EXPECT_EQ(s.turtle.z, c.z);
        EXPECT_FALSE(s.turtle.penUp);
        EXPECT_EQ(s.turtle.penSize, 1);
        EXPECT_EQ(s.turtle.penColour, 1);
        EXPECT_EQ(s.turtle.penDensity, 255);
        EXPECT_EQ(s.turtle.turnAngle, 0);
    }
}

TEST(Turtle, HomeKeepsThePen) {
    Scene s(100, 60, 100);
    s.turtle.penUp = true;
    s.turtle.penColour = 7;
    s.turtle.penSize = 3;
    s.turtle.moveForward(12.5f);
    s.turtle.left(33);
    s.turtle.up(20);
    s.turtle.home();
    EXPECT_EQ(s.turtleCell(), Cell(50, 30, 50));
    EXPECT_EQ(s.turtle.turnAngle, 0);
    EXPECT_EQ(s.turtle.climbAngle, 0);
    EXPECT_TRUE(s.turtle.penUp);
    EXPECT_EQ(s.turtle.penColour, 7);
    EXPECT_EQ(s.turtle.penSize, 3);
    EXPECT_EQ(s.count(), 0u);
}

TEST(Turtle, AngleWrapAppliesOneCorrectionEachWay) {
    enum Op { Left, Right, Up, Down };
    struct Case {
        Op op;
        float start, amount, expected;
    } cases[] = {
        {Left, 0, 400, 40},     {Right, 0, 400, -40},  {Right, 0, 30, 330},  {Left, 0, 360, 360},
        {Right, 0, 360, 0},     {Left, 0, 800, 440},   {Right, 0, 800, -440}, {Left, 350, 20, 10},
        {Up, 0, 90, 90},        {Down, 0, 90, 270},    {Up, 300, 400, 340},  {Down, 10, 10, 0},
    };
    for (const Case& c : cases) {
        Turtle t;
        float& angle = (c.op == Up || c.op == Down) ? t.climbAngle : t.turnAngle;
        angle = c.start;
        switch (c.op) {
            case Left: t.left(c.amount); break;
            case Right: t.right(c.amount); break;
            case Up: t.up(c.amount); break;
            case Down: t.down(c.amount); break;
        }
        EXPECT_EQ(angle, c.expected) << c.op << " " << c.start << " " << c.amount;
    }
}

TEST(Turtle, ForwardDrawsEveryCellAfterTheFirst) {
    Scene s(100, 60, 100);
    s.turtle.moveForward(10);
    Snapshot expected;
    for (int x = 51; x <= 60; ++x) expected[{x, 30, 50}] = 0xFF01;
    EXPECT_EQ(s.snapshot(), expected);
    EXPECT_EQ(s.turtle.x, 60);
    // BACK is a negative distance: back over the same row, now drawing x = 50.
    s.turtle.moveForward(-10);
    expected[{50, 30, 50}] = 0xFF01;
    EXPECT_EQ(s.snapshot(), expected);
}

TEST(Turtle, DirectionsFollowTheAngles) {
    struct Case {
        float turn, climb;
        Cell end;
    } cases[] = {
        {0, 0, {55, 30, 50}},  {90, 0, {50, 30, 55}}, {0, 90, {50, 35, 50}},
        {180, 0, {45, 30, 50}}, {270, 0, {50, 30, 45}}, {0, 270, {50, 25, 50}},
    };
    for (const Case& c : cases) {
        Scene s(100, 60, 100);
        s.turtle.left(c.turn);
        s.turtle.up(c.climb);
        s.turtle.moveForward(5);
        EXPECT_EQ(s.turtleCell(), c.end) << c.turn << " " << c.climb;
        Vec3i cell;
        ASSERT_TRUE(s.turtle.cellUnder(cell));
        EXPECT_EQ(s.volume.voxel(cell.x, cell.y, cell.z).raw, 0xFF01);
        // Five cells, all off the start cell, in a straight row.
        EXPECT_EQ(s.count(), 5u) << c.turn << " " << c.climb;
        EXPECT_EQ(s.volume.voxel(50, 30, 50).raw, 0);
    }
}

TEST(Turtle, LinesWalkCellsWithTiesGoingToXThenYThenZ) {
    struct Case {
        float a[3], b[3];
        std::vector<Cell> cells;
    } cases[] = {
        {{10.5f, 10.5f, 10.5f}, {13.5f, 10.5f, 10.5f}, {{11, 10, 10}, {12, 10, 10}, {13, 10, 10}}},
        {{0.5f, 0.5f, 0.5f}, {2.5f, 2.5f, 0.5f}, {{1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 0}}},
        {{0.5f, 0.5f, 0.5f}, {0.5f, 1.5f, 1.5f}, {{0, 1, 0}, {0, 1, 1}}},
        {{3.5f, 3.5f, 3.5f}, {2.5f, 2.5f, 2.5f}, {{2, 3, 3}, {2, 2, 3}, {2, 2, 2}}},
        // Whole end points with x falling and y rising: the walk still
        // reaches the end cell the turtle lands on.
        {{4, 0, 0}, {2, 2, 0}, {{3, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}}},
        // Both ends in one cell: nothing.
        {{5.1f, 5.1f, 5.1f}, {5.9f, 5.2f, 5.8f}, {}},
        // Ends outside the volume are clamped onto it first.
        {{-4, 2, 2}, {2, 2, 2}, {{1, 2, 2}, {2, 2, 2}}},
    };
    for (const Case& c : cases) {
        Scene s(20, 20, 20);
        s.turtle.drawLine(c.a[0], c.a[1], c.a[2], c.b[0], c.b[1], c.b[2]);
        Snapshot expected;
        for (const Cell& cell : c.cells) expected[cell] = 0xFF01;
        EXPECT_EQ(s.snapshot(), expected) << c.a[0] << "," << c.a[1] << "," << c.a[2];
        // The turtle ends on the clamped end point itself, not its cell.
        EXPECT_EQ(s.turtle.x, std::max(c.b[0], 0.0f));
        EXPECT_EQ(s.turtle.y, c.b[1]);
        EXPECT_EQ(s.turtle.z, c.b[2]);
    }
}

TEST(Turtle, GoToClampsAndDrawsTheWay) {
    Scene s(100, 60, 100);
    s.turtle.goTo(-5, 500, 3);
    EXPECT_EQ(s.turtle.x, 0);
    EXPECT_EQ(s.turtle.y, 60);
    EXPECT_EQ(s.turtle.z, 3);
    // One stamp per cell entered: |dx| + |dy| + |dz| cells.
    EXPECT_EQ(s.count(), 50u + 30u + 47u);
    EXPECT_EQ(s.volume.voxel(0, 60, 3).raw, 0xFF01);
    EXPECT_EQ(s.volume.voxel(50, 30, 50).raw, 0);

    Scene up(100, 60, 100);
    up.turtle.penUp = true;
    up.turtle.goTo(1000, -1000, 100);
    EXPECT_EQ(up.turtleCell(), Cell(100, 0, 100));
    EXPECT_EQ(up.count(), 0u);
}

TEST(Turtle, LeavingTheVolumeWithThePenUpAndComingBack) {
    Scene s(100, 60, 100);
    s.turtle.penUp = true;
    s.turtle.moveForward(1000);
    EXPECT_EQ(s.turtle.x, 1050);
    s.turtle.penUp = false;
    s.turtle.moveForward(1);
    // Both ends clamp onto the same face cell: nothing stamped.
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.turtle.x, 100);
    EXPECT_EQ(s.turtle.y, 30);
    // The single-voxel stamp outside the volume is dropped, not moved inside.
    s.turtle.penUp = true;
    s.turtle.moveForward(-1000);
    s.turtle.penUp = false;
    EXPECT_EQ(s.turtle.x, -900);
    s.turtle.stampPen();
    EXPECT_EQ(s.count(), 0u);
}

TEST(Turtle, PenStampsAtWholeAndFractionalPositions) {
    struct Case {
        int size;
        float x, y, z;
        size_t count;
        Cell lowCorner;  // included, unless count is 0
    } cases[] = {
        {1, 50, 30, 50, 1, {50, 30, 50}},       {3, 50, 30, 50, 8, {49, 29, 49}},
        {0, 50, 30, 50, 0, {}},                 {-4, 50, 30, 50, 0, {}},
        {2, 50, 30, 50, 8, {49, 29, 49}},       {4, 50, 30, 50, 64, {48, 28, 48}},
        {5, 50, 30, 50, 64, {48, 28, 48}},      {2, 10.9f, 10.9f, 10.9f, 26, {9, 9, 10}},
        {0, 10.5f, 10.5f, 10.5f, 1, {10, 10, 10}}, {0, 10.2f, 10.5f, 10.9f, 0, {}},
        {4, 0, 0, 0, 8, {0, 0, 0}},             {6, 100, 60, 100, 64, {97, 57, 97}},
    };
    for (const Case& c : cases) {
        Scene s(100, 60, 100);
        s.turtle.penSize = c.size;
        s.turtle.penColour = 5;
        s.place(c.x, c.y, c.z);
        s.turtle.stampPen();
        const Snapshot snap = s.snapshot();
        EXPECT_EQ(snap.size(), c.count) << c.size << " at " << c.x;
        if (c.count) {
            EXPECT_EQ(snap.begin()->second, 0xFF05) << c.size;
            EXPECT_TRUE(snap.count(c.lowCorner)) << c.size << " at " << c.x;
        }
        // The stamp never moves the turtle.
        EXPECT_EQ(s.turtle.x, c.x);
    }
    // The fractional size-2 stamp leaves out exactly the far corner cell.
    Scene s(100, 60, 100);
    s.turtle.penSize = 2;
    s.place(10.9f, 10.9f, 10.9f);
    s.turtle.stampPen();
    EXPECT_FALSE(s.snapshot().count({9, 9, 9}));
    EXPECT_TRUE(s.snapshot().count({11, 11, 11}));
}

TEST(Turtle, BoxStampMatchesThePlainLoopEverywhere) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> pos(-9.0f, 30.0f);
    for (int trial = 0; trial < 600; ++trial) {
        const int size = int(rng() % 17) - 2;
        float p[3];
        for (float& v : p) v = (rng() % 3 == 0) ? float(int(pos(rng))) : pos(rng);
        Scene fast(19, 11, 15), plain(19, 11, 15);
        for (Scene* s : {&fast, &plain}) s->place(p[0], p[1], p[2]);
        fast.turtle.stampBox(size);
        testing::plainBoxStamp(plain, size);
        ASSERT_EQ(fast.snapshot(), plain.snapshot())
            << "size " << size << " at " << p[0] << "," << p[1] << "," << p[2];
    }
}

TEST(Turtle, HugePensAndDistancesStayInsideAndFinish) {
    Scene s(40, 20, 30);
    s.turtle.penSize = 2000000000;
    s.turtle.stampPen();
    EXPECT_EQ(s.count(), 41u * 21u * 31u);

    // An infinite distance leaves no usable position: nothing may crash or
    // reach past the volume, and the turtle can be brought back.
    constexpr float kInf = std::numeric_limits<float>::infinity();
    for (float distance : {kInf, -kInf, std::numeric_limits<float>::quiet_NaN(), 3e38f}) {
        Scene t(40, 20, 30);
        t.turtle.penUp = true;
        t.turtle.moveForward(distance);
        t.turtle.moveForward(distance);
        t.turtle.penUp = false;
        t.turtle.penSize = 3;
        t.turtle.moveForward(1);
        t.turtle.stampPen();
        t.turtle.penSize = 1;
        t.turtle.stampPen();
        t.turtle.goTo(5, 5, 5);
        EXPECT_EQ(t.turtleCell(), Cell(5, 5, 5));
        t.turtle.stampPen();
        EXPECT_EQ(t.volume.voxel(5, 5, 5).raw, 0xFF01);
    }
}

}  // namespace
}  // namespace cubalorn
