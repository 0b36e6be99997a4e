// The effect handler on the real OpenGL driver: materials compile, shadows
// fall where the geometry says, bloom glows, excluded nodes stay lit, and
// failures fall back to the plain scene.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "effects_window.h"

namespace cubalorn::testing {
namespace {

using namespace irr;

const video::SColor kFloorColour(255, 200, 200, 200);
const video::SColor kPillarColour(255, 180, 160, 140);
const video::SColor kAmbient(255, 50, 50, 50);
const core::vector3df kLightPosition(-60, 70, -20);

// True when the segment from a to b passes through the axis-aligned box.
bool segmentHitsBox(core::vector3df a, core::vector3df b, const core::aabbox3df& box) {
    const int kSteps = 2000;
    for (int i = 1; i < kSteps; ++i) {
        core::vector3df p = a + (b - a) * (static_cast<f32>(i) / kSteps);
        if (box.isPointInside(p)) return true;
    }
    return false;
}

class EffectsWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { window_ = EffectsWindow::open().release(); }
    static void TearDownTestSuite() {
        delete window_;
        window_ = nullptr;
    }
    void SetUp() override {
        if (!window_) GTEST_SKIP() << "no OpenGL window (run under xvfb-run)";
        window_->clearScene();
        window_->log().clear();
    }

    // A handler the way the shell makes it, optionally with the bloom passes.
    std::unique_ptr<EffectHandler> makeHandler(bool variance = false, bool round = false,
                                               bool wide = false) {
        auto handler = std::make_unique<EffectHandler>(window_->device(), core::dimension2du(0, 0),
                                                       variance, round, wide);
        handler->setAmbientLight(kAmbient);
        handler->setSceneClearColour(video::SColor(255, 0, 0, 0));
        return handler;
    }
    static SShadowLight shellLight(const core::vector3df& position, const core::vector3df& target) {
        SShadowLight light(1024, {0, 0, 0}, {0, 0, 0}, video::SColorf(1, 1, 1, 0), 1.0f, 282.0f,
                           149.99f * core::DEGTORAD, false);
        light.setPosition(position);
        light.setTarget(target);
        return light;
    }

    // Floor, pillar, camera. Returns a floor point in the pillar's shadow
    // and a lit floor point beside it.
    struct PillarScene {
        scene::IMeshSceneNode* floor;
        scene::IMeshSceneNode* pillar;
        core::position2di shadowed, lit;
    };
    PillarScene buildPillarScene() {
        PillarScene s;
        s.floor = window_->addFloor(120, 5, kFloorColour);
        s.pillar = window_->addBox({0, 0, 0}, {10, 40, 10}, kPillarColour);
        window_->setCamera({70, 110, -110}, {20, 0, 10});
        const core::aabbox3df pillarBox({-5, 0, -5}, {5, 40, 5});
        const core::vector3df shadowed(19, 0, 6.3f), lit(11, 0, 30);
        EXPECT_TRUE(segmentHitsBox(shadowed, kLightPosition, pillarBox));
        EXPECT_FALSE(segmentHitsBox(lit, kLightPosition, pillarBox));
        window_->scene()->getActiveCamera()->OnAnimate(0);
        window_->scene()->getActiveCamera()->render();
        s.shadowed = window_->project(shadowed);
        s.lit = window_->project(lit);
        return s;
    }

    static EffectsWindow* window_;
};
EffectsWindow* EffectsWindowTest::window_ = nullptr;

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
        if (c.passes >= 1) handler->addPostEffectFile("shaders/BrightPass.glsl");
        if (c.passes >= 2) handler->addPostEffectFile("shaders/BloomP.glsl");

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
