#pragma once
// The fixture of the effect handler's window tests: one OpenGL window for a
// suite, a handler made the way the shell makes it, the shell's light and a
// floor-and-pillar scene with a point in the pillar's shadow and one beside.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "effects_window.h"

namespace cubalorn::testing {

using namespace irr;

inline const video::SColor kFloorColour(255, 200, 200, 200);
inline const video::SColor kPillarColour(255, 180, 160, 140);
inline const video::SColor kAmbient(255, 50, 50, 50);
inline const core::vector3df kLightPosition(-60, 70, -20);

// True when the segment from a to b passes through the axis-aligned box.
inline bool segmentHitsBox(core::vector3df a, core::vector3df b, const core::aabbox3df& box) {
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
        // Under CTest the display is provided, so a missing window is a fault.
        if (!window_ && std::getenv("CUBALORN_REQUIRE_WINDOW"))
            FAIL() << "no OpenGL window although the test run provides a display";
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

    static inline EffectsWindow* window_ = nullptr;
};

}  // namespace cubalorn::testing
