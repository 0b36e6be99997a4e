#include <gtest/gtest.h>

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
