#include "app/scene_guides.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/interrupts.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

using irr::core::vector3df;

TEST(SceneGuides, GridLiesOnTheFloorAndTheOutlineBoundsTheVolume) {
    const struct {
        Vec3i volumeMax;
        size_t gridLines;  // along z, then along x
    } cases[] = {
        {{100, 60, 100}, 11 + 11},
        {{40, 30, 25}, 5 + 3},
        {{0, 0, 0}, 1 + 1},          // one voxel
        {{999, 10, 2000}, 25 + 51},  // 40 apart: about fifty lines at most
    };
    for (const auto& c : cases) {
        const std::vector<GuideLine> lines = gridAndOutline(c.volumeMax);
        ASSERT_EQ(lines.size(), c.gridLines + 12) << c.volumeMax.x;
        const vector3df low(-0.5f, -0.5f, -0.5f);
        const vector3df high(c.volumeMax.x + 0.5f, c.volumeMax.y + 0.5f, c.volumeMax.z + 0.5f);
        irr::core::aabbox3df seen(low);
        for (size_t i = 0; i < lines.size(); ++i) {
            seen.addInternalPoint(lines[i].from);
            seen.addInternalPoint(lines[i].to);
            if (i < c.gridLines) {
                EXPECT_EQ(lines[i].from.Y, -0.5f) << "grid line " << i << " on the floor";
                EXPECT_EQ(lines[i].to.Y, -0.5f) << i;
            }
        }
        EXPECT_EQ(seen.MaxEdge, high) << "the outline reaches the volume's far faces";
        // The axes leave the origin corner along +x, +y and +z.
        for (int axis = 0; axis < 3; ++axis) {
            const GuideLine& l = lines[c.gridLines + axis];
            const vector3df d = l.to - l.from;
            EXPECT_EQ(l.from, low) << axis;
            EXPECT_EQ(axis == 0 ? d.X : axis == 1 ? d.Y : d.Z, d.getLength()) << axis;
        }
    }
}

TEST(SceneGuides, TheArrowPointsWhereForwardGoes) {
    VoxelVolume volume(Region{{0, 0, 0}, {20, 20, 20}}, 32);
    World world(volume);
    world.turtle.penUp = true;
    const struct {
        float climb, turn;
    } cases[] = {{0, 0}, {0, 90}, {90, 0}, {0, 270}, {30, 45}, {-60, 200}, {180, 10}, {359, 359}};
    for (const auto& c : cases) {
        Turtle& t = world.turtle;
        t.home();
        t.climbAngle = c.climb;
        t.turnAngle = c.turn;
        const vector3df start(t.x, t.y, t.z);
        t.moveForward(1.0f);
        const vector3df moved = (vector3df(t.x, t.y, t.z) - start).normalize();
        const vector3df heading = turtleHeading(c.climb, c.turn);
        EXPECT_NEAR(heading.getLength(), 1.0f, 1e-5f);
        EXPECT_GT(heading.dotProduct(moved), 0.9999f) << c.climb << " " << c.turn;

        // The arrow's mesh points along +y; its rotation turns it onto the heading.
        irr::core::matrix4 rotation;
        rotation.setRotationDegrees(rotationFromUp(heading));
        vector3df arrow(0, 1, 0);
        rotation.rotateVect(arrow);
        EXPECT_GT(arrow.dotProduct(heading), 0.9999f) << c.climb << " " << c.turn;
    }
}

TEST(Interrupts, OnlyAPressWithinASecondOfTheLastIsASecondPress) {
    const int64_t second = 1000000000;
    const struct {
        int64_t previous, now;
        bool second;
    } cases[] = {
        {-1, 5, false},                    // the first press ever
        {0, second - 1, true},             // just inside
        {0, second, false},                // a whole second later
        {10 * second, 10 * second, true},  // at once
        {10 * second, 9 * second, false},  // a clock that went back is no second press
    };
    for (const auto& c : cases) EXPECT_EQ(isSecondPress(c.previous, c.now), c.second) << c.now;
}

TEST(Interrupts, ASecondPressBeforeTheFirstWasTakenMeansTheProgramIsStuck) {
    InterruptWatch watch;
    using P = InterruptWatch::Press;
    EXPECT_EQ(InterruptWatch::press(), P::First);
    EXPECT_FALSE(watch.quitRequested());
    EXPECT_EQ(InterruptWatch::press(), P::SecondUnanswered);
    EXPECT_TRUE(watch.quitRequested());
    EXPECT_TRUE(watch.takePress());
    EXPECT_FALSE(watch.takePress()) << "taken once";
    EXPECT_EQ(InterruptWatch::press(), P::Second) << "the one before was taken";
}

}  // namespace
}  // namespace cubalorn
