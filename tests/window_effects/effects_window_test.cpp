// The effect handler on the real OpenGL driver: materials compile, shadows
// fall where the geometry says, bloom glows, excluded nodes stay lit, and
// failures fall back to the plain scene.

#include <gtest/gtest.h>

#include <cstdlib>

#include <cstdio>
#include <fstream>

#include "effects_fixture.h"

namespace cubalorn::testing {
namespace {

using namespace irr;

TEST_F(EffectsWindowTest, EveryMaterialAndPassCompilesInEachConfiguration) {
    struct Case {
        const char* name;
        bool variance, round, wide;
    };
    const Case cases[] = {
        {"default", false, false, false},
        {"variance", true, false, false},
        {"round spotlights", false, true, false},
        {"32-bit maps", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto handler = makeHandler(c.variance, c.round, c.wide);
        EXPECT_TRUE(handler->effectsActive());
        for (const auto& [slot, type] : handler->materialSlots())
            EXPECT_GE(type, 0) << slot;
        for (const char* pass : {"BrightPass", "BloomP", "BlurHP", "BlurVP"})
            EXPECT_GE(handler->addPostEffectFile(std::string("shaders/") + pass + ".glsl"), 0)
                << pass;
        EXPECT_EQ(handler->postEffects().size(), 4u);
    }
    EXPECT_TRUE(window_->log().effectsLines().empty());
}

TEST_F(EffectsWindowTest, PillarCastsShadowOnFloorOnlyWithEffects) {
    struct Case {
        const char* name;
        bool effects, variance, round;
        ShadowFilter filter;
        int passes;
    };
    const Case cases[] = {
        {"shadow_filter1", true, false, false, ShadowFilter::Filter1, 0},
        {"shadow_filter16", true, false, false, ShadowFilter::Filter16, 0},
        {"shadow_variance", true, true, false, ShadowFilter::Filter4, 0},
        {"shadow_round", true, false, true, ShadowFilter::Filter8, 0},
        {"shadow_with_bloom", true, false, false, ShadowFilter::Filter4, 2},
        {"effects_off", false, false, false, ShadowFilter::Filter4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window_->clearScene();
        PillarScene s = buildPillarScene();
        auto handler = makeHandler(c.variance, c.round);
        handler->registerShadowNode(s.floor, c.filter, ShadowRole::CastAndReceive);
        handler->registerShadowNode(s.pillar, c.filter, ShadowRole::CastAndReceive);
        handler->addLight(shellLight(kLightPosition, {0, 0, 0}));
        if (c.passes >= 1) handler->addPostEffectFile("shaders/BrightPass.glsl", nullptr, 4);
        if (c.passes >= 2) handler->addPostEffectFile("shaders/BloomP.glsl", nullptr, 4);

        Capture frame = window_->render(c.effects ? handler.get() : nullptr, c.name);
        const double shadowed = frame.mean(s.shadowed.X, s.shadowed.Y).luminance();
        const double lit = frame.mean(s.lit.X, s.lit.Y).luminance();
        if (c.effects) {
            EXPECT_GT(lit, 100.0);
            EXPECT_LT(shadowed, 0.6 * lit) << "shadow " << shadowed << " lit " << lit;
        } else {
            EXPECT_NEAR(shadowed, lit, 3.0);
        }
    }
    EXPECT_TRUE(window_->log().effectsLines().empty());
}

}  // namespace
}  // namespace cubalorn::testing

namespace cubalorn::testing {
namespace {

using namespace irr;

TEST_F(EffectsWindowTest, BloomBrightensTheSurroundingsOfBrightObjects) {
    window_->addFloor(100, 5, video::SColor(255, 60, 60, 70));
    window_->addBox({0, 10, 0}, {14, 14, 14}, video::SColor(255, 255, 250, 235));
    window_->setCamera({0, 40, -80}, {0, 17, 0});
    window_->scene()->getActiveCamera()->OnAnimate(0);
    window_->scene()->getActiveCamera()->render();
    const core::position2di centre = window_->project({0, 17, -7});

    auto plainHandler = makeHandler();
    const Capture plain = window_->render(plainHandler.get(), "bloom_none");
    int edge = centre.X;
    while (edge < plain.width() - 1 && plain.mean(edge, centre.Y, 0).luminance() > 128) ++edge;
    ASSERT_LT(edge, plain.width() - 40) << "the bright box's edge was not found";

    struct Case {
        const char* name;
        std::vector<const char*> passes;
    };
    const Case cases[] = {
        {"bloom_two_passes", {"BrightPass", "BloomP"}},
        {"bloom_with_blur", {"BrightPass", "BloomP", "BlurHP", "BlurVP"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto handler = makeHandler();
        for (const char* pass : c.passes)
            ASSERT_GE(handler->addPostEffectFile(std::string("shaders/") + pass + ".glsl", nullptr, 4),
                      0);
        const Capture bloom = window_->render(handler.get(), c.name);

        const double nearBefore = plain.mean(edge + 5, centre.Y, 1).luminance();
        const double nearAfter = bloom.mean(edge + 5, centre.Y, 1).luminance();
        EXPECT_GT(nearAfter, nearBefore + 15) << "just outside the box";
        const double farBefore = plain.mean(edge + 150, centre.Y + 100, 1).luminance();
        const double farAfter = bloom.mean(edge + 150, centre.Y + 100, 1).luminance();
        EXPECT_NEAR(farAfter, farBefore, 4.0) << "dark floor far from the box";
        EXPECT_GE(bloom.mean(centre.X, centre.Y).luminance(),
                  plain.mean(centre.X, centre.Y).luminance() - 2.0)
            << "the box itself";
    }
}

TEST_F(EffectsWindowTest, RolesDecideWhichNodesAreShadedAndWhichStayFullyLit) {
    struct Case {
        ShadowRole role;
        bool fullyLit;
    };
    const Case cases[] = {
        {ShadowRole::Excluded, true},
        {ShadowRole::CastOnly, true},
        {ShadowRole::ReceiveOnly, false},
        {ShadowRole::CastAndReceive, false},
    };
    const video::SColor boxColour(255, 200, 120, 60);
    scene::ISceneNode* floor = window_->addFloor(100, 5, video::SColor(255, 90, 90, 90));
    std::vector<scene::ISceneNode*> boxes;
    for (size_t i = 0; i < 4; ++i)
        boxes.push_back(window_->addBox({-36.0f + 24.0f * i, 0, 0}, {12, 16, 12}, boxColour));
    window_->setCamera({0, 30, -90}, {0, 8, 0});
    window_->scene()->getActiveCamera()->OnAnimate(0);
    window_->scene()->getActiveCamera()->render();

    auto handler = makeHandler();
    handler->registerShadowNode(floor, ShadowFilter::Filter1, ShadowRole::ReceiveOnly);
    for (size_t i = 0; i < 4; ++i)
        handler->registerShadowNode(boxes[i], ShadowFilter::Filter1, cases[i].role);
    // Behind the boxes: the faces the camera sees point away from the light.
    handler->addLight(shellLight({0, 60, 90}, {0, 0, 0}));

    const Capture plain = window_->render(nullptr, "roles_plain");
    const Capture shaded = window_->render(handler.get(), "roles_shaded");
    const double ambient = kAmbient.getRed() / 255.0;
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(static_cast<int>(cases[i].role));
        const core::position2di face = window_->project({-36.0f + 24.0f * i, 8, -6.1f});
        const Rgb before = plain.mean(face.X, face.Y), after = shaded.mean(face.X, face.Y);
        ASSERT_NEAR(before.r, 200, 3);
        if (cases[i].fullyLit) {
            EXPECT_NEAR(after.r, before.r, 3);
            EXPECT_NEAR(after.g, before.g, 3);
            EXPECT_NEAR(after.b, before.b, 3);
        } else {
            EXPECT_NEAR(after.r, before.r * ambient, 4);
            EXPECT_NEAR(after.g, before.g * ambient, 4);
        }
    }
}

TEST_F(EffectsWindowTest, NodeRemovedFromTheSceneStopsCastingItsShadow) {
    PillarScene s = buildPillarScene();
    auto handler = makeHandler();
    handler->registerShadowNode(s.floor, ShadowFilter::Filter1, ShadowRole::CastAndReceive);
    handler->registerShadowNode(s.pillar, ShadowFilter::Filter1, ShadowRole::CastAndReceive);
    handler->addLight(shellLight(kLightPosition, {0, 0, 0}));

    const Capture before = window_->render(handler.get(), "removed_before");
    const double lit = before.mean(s.lit.X, s.lit.Y).luminance();
    EXPECT_LT(before.mean(s.shadowed.X, s.shadowed.Y).luminance(), 0.6 * lit);

    s.pillar->remove();
    const Capture after = window_->render(handler.get(), "removed_after");
    EXPECT_EQ(handler->shadowNodes().size(), 1u);
    EXPECT_GT(after.mean(s.shadowed.X, s.shadowed.Y).luminance(), 0.85 * lit);
}

TEST_F(EffectsWindowTest, BrokenPassesAreReportedOnceAndLeftOut) {
    const std::string broken = ::testing::TempDir() + "cubalorn_broken_pass.glsl";
    std::ofstream(broken) << "void main() { this is not a shader }\n";
    struct Case {
        std::string file;
        const char* expectedWords;
    };
    const Case cases[] = {
        {"shaders/NoSuchPass.glsl", "Cannot read"},
        {broken, "did not compile"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        window_->log().clear();
        auto handler = makeHandler();
        ASSERT_GE(handler->addPostEffectFile("shaders/BrightPass.glsl"), 0);
        EXPECT_LT(handler->addPostEffectFile(c.file), 0);
        EXPECT_EQ(handler->postEffects().size(), 1u);
        const std::vector<std::string> lines = window_->log().effectsLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(c.expectedWords), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(c.file), std::string::npos) << lines[0];
        EXPECT_TRUE(handler->effectsActive());
    }
    std::remove(broken.c_str());
}

TEST_F(EffectsWindowTest, RenderTargetsThatCannotBeMadeFallBackToThePlainScene) {
    PillarScene s = buildPillarScene();
    // Far beyond any texture size the driver allows.
    EffectHandler handler(window_->device(), core::dimension2du(1u << 20, 1u << 20));
    handler.registerShadowNode(s.floor, ShadowFilter::Filter1, ShadowRole::CastAndReceive);
    handler.registerShadowNode(s.pillar, ShadowFilter::Filter1, ShadowRole::CastAndReceive);
    handler.addLight(shellLight(kLightPosition, {0, 0, 0}));
    EXPECT_FALSE(handler.effectsActive());

    const Capture plain = window_->render(nullptr, "fallback_plain");
    const Capture frame = window_->render(&handler, "fallback_handler");
    window_->render(&handler, "fallback_handler_again");
    for (core::position2di p : {s.shadowed, s.lit})
        EXPECT_NEAR(frame.mean(p.X, p.Y).luminance(), plain.mean(p.X, p.Y).luminance(), 2.0);
    EXPECT_EQ(window_->log().effectsLines().size(), 1u);
}

}  // namespace
}  // namespace cubalorn::testing
