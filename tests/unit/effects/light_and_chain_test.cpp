#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "effects/effect_handler.h"
#include "effects/post_processing.h"
#include "effects/shadow_light.h"

namespace cubalorn {
namespace {

using irr::core::matrix4;
using irr::core::vector3df;

void expectMatricesEqual(const matrix4& a, const matrix4& b) {
    for (int k = 0; k < 16; ++k) EXPECT_FLOAT_EQ(a[k], b[k]) << "element " << k;
}

TEST(ShadowLight, UpVectorDependsOnTheSumOfTheHorizontalOffsets) {
    const struct {
        vector3df position, target, up;
    } cases[] = {
        {{1, 5, 0}, {0, 0, 1}, {0, 0, 1}},   // x + z cancel although neither is 0
        {{0, 10, 0}, {0, 0, 0}, {0, 0, 1}},  // straight above
        {{20, 150, 40}, {-50, 0, -50}, {0, 1, 0}},
        {{1, 5, 0}, {0, 0, 0}, {0, 1, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lightUpVector(c.position, c.target), c.up);
        SShadowLight light(1024, c.position, c.target, irr::video::SColorf(1, 1, 1), 1, 100, 1,
                           false);
        matrix4 expected;
        expected.buildCameraLookAtMatrixLH(c.position, c.target, c.up);
        expectMatricesEqual(light.viewMatrix, expected);
    }
}

TEST(ShadowLight, ProjectionFollowsTheKindOfLight) {
    const vector3df position(0, 50, -30), target(0, 0, 0);
    SShadowLight spot(512, position, target, irr::video::SColorf(1, 1, 1), 0.0f, 250.0f, 0.8f,
                      false);
    matrix4 perspective;
    perspective.buildProjectionMatrixPerspectiveFovLH(0.8f, 1.0f, 0.1f, 250.0f);
    expectMatricesEqual(spot.projectionMatrix, perspective);  // near 0 became 0.1
    EXPECT_EQ(spot.farDistance, 250.0f);
    EXPECT_EQ(spot.resolution, 512u);

    SShadowLight sun(512, position, target, irr::video::SColorf(1, 1, 1), -3.0f, 250.0f, 64.0f,
                     true);
    matrix4 ortho;
    ortho.buildProjectionMatrixOrthoLH(64.0f, 64.0f, 0.1f, 250.0f);
    expectMatricesEqual(sun.projectionMatrix, ortho);
    EXPECT_EQ(sun.farDistance, 1.0f);

    // Moving the light rebuilds its view, up vector rule included.
    spot.setPosition(vector3df(3, 9, -3));
    matrix4 view;
    view.buildCameraLookAtMatrixLH(vector3df(3, 9, -3), target, vector3df(0, 0, 1));
    expectMatricesEqual(spot.viewMatrix, view);
}

// Where a point lands in the light's clip space, divided through.
vector3df lightClip(const SShadowLight& light, const vector3df& p) {
    matrix4 m = light.projectionMatrix;
    m *= light.viewMatrix;
    irr::f32 out[4];
    m.transformVect(out, p);  // x, y, z, w of (p, 1)
    return {out[0] / out[3], out[1] / out[3], out[2] / out[3]};
}

TEST(ShadowLight, FittedViewHoldsTheBoxTightlyOrFallsBackToTheGivenView) {
    using irr::core::aabbox3df;
    const struct {
        const char* name;
        vector3df position;
        aabbox3df box;
        bool directional;
        bool fits;
    } cases[] = {
        {"sculpture below and aside", {20, 150, 40}, {-70, 0, -60, -30, 38, -30}, false, true},
        {"flat floor", {-75, 95, -55}, {-40, 0, -40, 40, 0, 40}, false, true},
        {"light straight above", {0, 80, 0}, {-10, 0, -10, 10, 5, 10}, false, true},
        {"light inside the box", {0, 5, 0}, {-10, 0, -10, 10, 20, 10}, false, false},
        {"light over a wide floor", {-60, 70, -20}, {-120, 0, -120, 120, 0, 120}, false, false},
        {"inverted box", {0, 50, 0}, {1, 1, 1, -1, -1, -1}, false, false},
        {"directional light", {0, 50, 0}, {-10, 0, -10, 10, 5, 10}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SShadowLight light(1024, c.position, {0, 0, 0}, irr::video::SColorf(1, 1, 1), 1.0f,
                           282.0f, 149.99f * irr::core::DEGTORAD, c.directional);
        const SShadowLight given = light;
        // An earlier fit must not linger when this one fails.
        light.fitTo(aabbox3df(-1, 0, -1, 1, 1, 1));
        EXPECT_EQ(light.fitTo(c.box), c.fits);
        if (!c.fits) {
            expectMatricesEqual(light.viewMatrix, given.viewMatrix);
            expectMatricesEqual(light.projectionMatrix, given.projectionMatrix);
            EXPECT_EQ(light.farDistance, given.farDistance);
            continue;
        }
        vector3df corners[8];
        c.box.getEdges(corners);
        irr::f32 widest = 0;
        for (const vector3df& corner : corners) {
            const vector3df clip = lightClip(light, corner);
            EXPECT_LE(std::fabs(clip.X), 1.0f);
            EXPECT_LE(std::fabs(clip.Y), 1.0f);
            EXPECT_GT(clip.Z, 0.0f);
            EXPECT_LT(clip.Z, 1.0f);
            widest = std::max({widest, std::fabs(clip.X), std::fabs(clip.Y)});
        }
        EXPECT_GT(widest, 0.85f) << "the box should fill the map";
        EXPECT_LT(light.farDistance, 282.0f);
        EXPECT_EQ(light.target, vector3df(0, 0, 0)) << "the given target is kept";
    }
}

TEST(PostProcessingChain, PassesPingPongBetweenTheTwoTargets) {
    using C = ChainImage;
    const struct {
        std::size_t passes;
        std::vector<PostPassRoute> routes;
    } cases[] = {
        {1, {{C::SceneTarget, C::Output}}},
        {2, {{C::SceneTarget, C::Target1}, {C::Target1, C::Output}}},
        {4,
         {{C::SceneTarget, C::Target1},
          {C::Target1, C::Target0},
          {C::Target0, C::Target1},
          {C::Target1, C::Output}}},
    };
    for (const auto& c : cases) {
        for (std::size_t i = 0; i < c.passes; ++i) {
            const PostPassRoute route = postPassRoute(i, c.passes);
            EXPECT_EQ(route.input, c.routes[i].input) << c.passes << " passes, pass " << i;
            EXPECT_EQ(route.output, c.routes[i].output) << c.passes << " passes, pass " << i;
        }
    }
}

TEST(EffectHandler, ShadowMapsAreNamedByResolution) {
    EXPECT_EQ(shadowMapName(1024, false), "EFFECTS_SM_1024");
    EXPECT_EQ(shadowMapName(512, true), "EFFECTS_SM_512_2");
}

}  // namespace
}  // namespace cubalorn
