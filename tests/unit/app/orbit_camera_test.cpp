#include "app/orbit_camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cubalorn {
namespace {

using irr::core::vector3df;

float elevationDegrees(const CameraPose& p) {
    const vector3df o = p.position - p.target;
    return std::asin(o.Y / o.getLength()) * irr::core::RADTODEG;
}

void expectNear(const vector3df& a, const vector3df& b, float tolerance, const char* what) {
    EXPECT_NEAR(a.X, b.X, tolerance) << what;
    EXPECT_NEAR(a.Y, b.Y, tolerance) << what;
    EXPECT_NEAR(a.Z, b.Z, tolerance) << what;
}

TEST(OrbitCamera, OrbitTurnsAboutTheTargetWithinTheElevationLimit) {
    const struct {
        const char* name;
        CameraPose pose;
        float yaw, pitch;
        vector3df position;  // expected
    } cases[] = {
        {"quarter turn from +z to +x", {{0, 0, 10}, {0, 0, 0}}, 90, 0, {10, 0, 0}},
        {"about a target off the origin", {{5, 2, 13}, {5, 2, 3}}, -90, 0, {-5, 2, 3}},
        {"raising by 30 degrees", {{0, 0, 10}, {0, 0, 0}}, 0, 30, {0, 5, 8.660254f}},
        {"over the top stops short of it",
         {{0, 0, 10}, {0, 0, 0}},
         0,
         120,
         {0, 10 * std::sin(89 * irr::core::DEGTORAD), 10 * std::cos(89 * irr::core::DEGTORAD)}},
        {"under the floor likewise",
         {{0, 0, 10}, {0, 0, 0}},
         0,
         -200,
         {0, -10 * std::sin(89 * irr::core::DEGTORAD), 10 * std::cos(89 * irr::core::DEGTORAD)}},
        {"camera on its target stays", {{1, 1, 1}, {1, 1, 1}}, 45, 45, {1, 1, 1}},
    };
    for (const auto& c : cases) {
        const CameraPose turned = orbitPose(c.pose, c.yaw, c.pitch);
        expectNear(turned.position, c.position, 1e-4f, c.name);
        EXPECT_EQ(turned.target, c.pose.target) << c.name;
        EXPECT_NEAR(turned.distance(), c.pose.distance(), 1e-4f) << c.name;
        if (turned.distance() > 0) {
            EXPECT_LE(std::fabs(elevationDegrees(turned)), 89.001f) << c.name;
        }
    }
    // Many small turns add up like one large one and never flip the view.
    CameraPose pose{{0, 0, 10}, {0, 0, 0}};
    for (int i = 0; i < 400; ++i) pose = orbitPose(pose, 1.0f, 1.0f);
    EXPECT_NEAR(elevationDegrees(pose), 89.0f, 1e-3f);
    EXPECT_NEAR(pose.distance(), 10.0f, 1e-3f);
}

TEST(OrbitCamera, PanMovesTheTargetWithTheMouseAtItsDepth) {
    const float fovY = irr::core::PI / 2.5f, height = 600.0f;
    const CameraPose pose{{0, 0, 20}, {0, 0, 0}};  // looking along -z: right is -x, up is +y
    const float perPixel = 2.0f * 20.0f * std::tan(fovY / 2) / height;
    const struct {
        float dx, dy;
        vector3df shift;
    } cases[] = {
        {10, 0, {10 * perPixel, 0, 0}},  // drag right: the scene follows, the camera goes left (+x)
        {0, 10, {0, 10 * perPixel, 0}},  // drag down: the camera goes up
        {-30, 20, {-30 * perPixel, 20 * perPixel, 0}},
    };
    for (const auto& c : cases) {
        const CameraPose moved = panPose(pose, c.dx, c.dy, fovY, height);
        expectNear(moved.target - pose.target, c.shift, 1e-4f, "target");
        expectNear(moved.position - moved.target, pose.position - pose.target, 1e-4f, "view");
    }
    // Straight down there is still a right-hand side.
    const CameraPose down = panPose({{0, 20, 0}, {0, 0, 0}}, 10, 0, fovY, height);
    EXPECT_NEAR((down.target - vector3df(0, 0, 0)).getLength(), 10 * perPixel, 1e-4f);
}

TEST(OrbitCamera, ZoomStaysWithinItsLimitsAndAnchoringKeepsTheView) {
    const CameraPose pose{{0, 0, 10}, {0, 0, 5}};  // 5 away, looking along -z
    const struct {
        float factor, distance;
    } zooms[] = {{2.0f, 10}, {0.01f, 2}, {5000.0f, 5000}, {-1.0f, 5}};
    for (const auto& z : zooms) {
        const CameraPose zoomed = zoomPose(pose, z.factor);
        EXPECT_NEAR(zoomed.distance(), z.distance, 1e-2f) << z.factor;
        EXPECT_EQ(zoomed.target, pose.target) << z.factor;
        EXPECT_NEAR(zoomed.position.X, 0.0f, 1e-5f) << "along the line of sight";
    }
    // The orbit's centre moves onto the sight line, one unit ahead at least.
    expectNear(anchorPose(pose, {7, -3, -12}, 1.0f).target, {0, 0, -12}, 1e-4f, "beside");
    expectNear(anchorPose(pose, {0, 0, 40}, 1.0f).target, {0, 0, 9}, 1e-4f, "behind");
    EXPECT_EQ(anchorPose(pose, {7, -3, -12}, 1.0f).position, pose.position);
}

TEST(OrbitCamera, FramingPutsTheWholeBoxInViewFromTheSameSide) {
    const float fovY = irr::core::PI / 2.5f;
    const struct {
        const char* name;
        CameraPose pose;
        irr::core::aabbox3df box;
        float aspect;
    } cases[] = {
        {"off-centre ball", {{0, 50, 50}, {0, 0, 0}}, {-90, 0, -90, -70, 20, -70}, 4.0f / 3.0f},
        {"tall thin box, narrow window", {{100, 0, 0}, {0, 0, 0}}, {-1, 0, -1, 1, 60, 1}, 0.5f},
        {"tiny box", {{3, 3, 3}, {0, 0, 0}}, {10, 10, 10, 10.1f, 10.1f, 10.1f}, 1.0f},
    };
    for (const auto& c : cases) {
        const CameraPose framed = framePose(c.pose, c.box, fovY, c.aspect);
        expectNear(framed.target, c.box.getCenter(), 1e-4f, c.name);
        const vector3df forward = (framed.target - framed.position).normalize();
        expectNear(forward, (c.pose.target - c.pose.position).normalize(), 1e-5f, c.name);
        // Every corner within the narrower half-angle of the view.
        const float halfX = std::atan(std::tan(fovY / 2) * c.aspect);
        const float half = std::min(fovY / 2, halfX);
        vector3df corners[8];
        c.box.getEdges(corners);
        for (const vector3df& corner : corners) {
            const vector3df towards = (corner - framed.position).normalize();
            EXPECT_LE(std::acos(std::min(1.0f, towards.dotProduct(forward))), half) << c.name;
        }
        EXPECT_GE(framed.distance(), OrbitLimits{}.minDistance - 1e-4f) << c.name;
    }
}

}  // namespace
}  // namespace cubalorn
