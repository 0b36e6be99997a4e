// What the eye sees: open floor keeps its lit colour at every filter, with
// the light's view fitted and as a wide fixed field; a pillar keeps its
// contact shadow; bloom glows around bright objects without copies of them;
// light backgrounds and mid-tones do not glow.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "effects_fixture.h"

namespace cubalorn::testing {
namespace {

class EffectsLookTest : public EffectsWindowTest {};

const video::SColor kSlabColour(255, 190, 190, 190);

// What an unshadowed floor point shows: its colour times ambient plus the
// light by the cosine of its angle, clipped to white.
double litFloorRed(const core::vector3df& point, const core::vector3df& light) {
    const double nDotL = std::max(0.0, double((light - point).normalize().Y));
    const double factor = std::min(1.0, kAmbient.getRed() / 255.0 + nDotL);
    return kSlabColour.getRed() * factor;
}

TEST_F(EffectsLookTest, OpenFloorKeepsItsLitColourAndThePillarItsContactShadowAtEveryFilter) {
    // A floor slab (tiled top at height 0, sides down to -3) with a pillar
    // in the middle; the light stands off the slab's corner.
    const core::vector3df light(-75, 95, -55);
    // Open floor: at least a wide filter's reach (9 units with the wide
    // field) away from the pillar's shadow, which runs off towards +x, +z.
    const std::vector<core::vector3df> openFloor = {
        {-25, 0, 20}, {20, 0, -25}, {-30, 0, -30}, {36, 0, 5},   // inside
        {39, 0, -20}, {-20, 0, 39}, {-39, 0, 10}, {10, 0, -39},  // a unit from an edge
        {-39, 0, -39}, {39, 0, -39}, {-39, 0, 39},               // a corner's tip
    };
    // On the side away from the light, right at the pillar's foot.
    const core::vector3df contact(6, 0, 3);
    const core::aabbox3df pillarBox({-5, 0, -5}, {5, 30, 5});
    for (const core::vector3df& p : openFloor) ASSERT_FALSE(segmentHitsBox(p, light, pillarBox));
    ASSERT_TRUE(segmentHitsBox(contact + core::vector3df(0, 0.01f, 0), light, pillarBox));

    struct Case {
        ShadowFilter filter;
        bool fitted;  // the light's view fitted to the scene, or the wide fixed field
    };
    std::vector<Case> cases;
    for (int f = 0; f < kShadowFilterCount; ++f)
        for (bool fitted : {true, false}) cases.push_back({static_cast<ShadowFilter>(f), fitted});

    for (const Case& c : cases) {
        const std::string name = std::string("floor_filter") +
                                 std::to_string(static_cast<int>(c.filter)) +
                                 (c.fitted ? "_fitted" : "_wide");
        SCOPED_TRACE(name);
        window_->clearScene();
        scene::ISceneNode* top = window_->addFloor(40, 2, kSlabColour);
        scene::ISceneNode* slab = window_->addBox({0, -3.02f, 0}, {80, 3, 80}, kSlabColour);
        scene::ISceneNode* pillar = window_->addBox({0, 0, 0}, {10, 30, 10}, kPillarColour);
        window_->setCamera({0, 85, -75}, {0, 0, 5});
        window_->scene()->getActiveCamera()->OnAnimate(0);
        window_->scene()->getActiveCamera()->render();

        auto handler = makeHandler();
        for (scene::ISceneNode* node : {top, slab, pillar})
            handler->registerShadowNode(node, c.filter, ShadowRole::CastAndReceive);
        SShadowLight shadowLight = shellLight(light, {0, 0, 0});
        shadowLight.fitToScene = c.fitted;
        handler->addLight(shadowLight);
        const Capture frame = window_->render(handler.get(), name);

        for (const core::vector3df& p : openFloor) {
            const core::position2di at = window_->project(p);
            EXPECT_NEAR(frame.mean(at.X, at.Y, 1).r, litFloorRed(p, light), 4.0)
                << "open floor at " << p.X << ", " << p.Z << " (pixel " << at.X << ", " << at.Y
                << ")";
        }
        const core::position2di foot = window_->project(contact);
        EXPECT_LT(frame.mean(foot.X, foot.Y, 1).r, kSlabColour.getRed() * kAmbient.getRed() / 255.0 + 6)
            << "contact shadow";
    }
    EXPECT_TRUE(window_->log().effectsLines().empty());
}

// Luminance of (bloom - plain) at a pixel, averaged over a 3 x 3 patch.
double glowAt(const Capture& bloom, const Capture& plain, int x, int y) {
    return bloom.mean(x, y, 1).luminance() - plain.mean(x, y, 1).luminance();
}

TEST_F(EffectsLookTest, BloomGlowsAroundSmallBrightObjectsWithoutCopies) {
    // A white cube and a white bar, small on screen, over a dark floor.
    window_->addFloor(100, 5, video::SColor(255, 50, 50, 60));
    window_->addBox({-30, 0, 0}, {3, 3, 3}, video::SColor(255, 255, 255, 255));
    window_->addBox({30, 0, 0}, {16, 2, 2}, video::SColor(255, 255, 255, 255));
    window_->setCamera({0, 60, -90}, {0, 0, 0});
    window_->scene()->getActiveCamera()->OnAnimate(0);
    window_->scene()->getActiveCamera()->render();
    const core::position2di cube = window_->project({-30, 1.5f, 0});
    const core::position2di bar = window_->project({30, 1, 0});

    auto plainHandler = makeHandler();
    const Capture plain = window_->render(plainHandler.get(), "ghosts_none");

    struct Case {
        const char* name;
        std::vector<const char*> passes;
    };
    const Case cases[] = {
        {"ghosts_bloom", {"BrightPass", "BloomP"}},
        {"ghosts_bloom_blur", {"BrightPass", "BloomP", "BlurHP", "BlurVP"}},
    };
    // The glow's reach: the widest kernel, two blurs and the bloom at a
    // quarter of the screen, is under 40 pixels.
    const int kReach = 48;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto handler = makeHandler();
        for (const char* pass : c.passes)
            ASSERT_GE(handler->addPostEffectFile(std::string("shaders/") + pass + ".glsl", nullptr, 4),
                      0);
        const Capture bloom = window_->render(handler.get(), c.name);

        for (const core::position2di& centre : {cube, bar}) {
            // Where the object ends on the row through its centre.
            int right = centre.X;
            while (plain.mean(right, centre.Y, 0).luminance() > 200) ++right;
            EXPECT_GT(glowAt(bloom, plain, right + 3, centre.Y), 6.0) << "no glow beside it";

            // Outward along eight directions the glow only fades: a copy of
            // the object would show as a second rise.
            for (int dir = 0; dir < 8; ++dir) {
                const double a = dir * core::PI / 4;
                const double dx = std::cos(a), dy = std::sin(a);
                double previous = 1e9;
                for (int r = 12; r <= kReach + 24; r += 3) {
                    const int x = centre.X + int(std::lround(r * dx));
                    const int y = centre.Y + int(std::lround(r * dy));
                    if (x < 2 || y < 2 || x >= bloom.width() - 2 || y >= bloom.height() - 2) break;
                    if (plain.mean(x, y, 1).luminance() > 120) continue;  // still on an object
                    const double glow = glowAt(bloom, plain, x, y);
                    EXPECT_LE(glow, previous + 1.5)
                        << "a second rise " << r << " pixels out, direction " << dir;
                    if (r > kReach) {
                        EXPECT_LE(std::fabs(glow), 1.5) << r << " pixels out";
                    }
                    previous = std::min(previous, glow);
                }
            }
        }
    }
}

TEST_F(EffectsLookTest, LightBackgroundsAndMidTonesDoNotGlow) {
    // A mid-grey box and a pale box on a light grey background.
    window_->addBox({-15, 0, 0}, {12, 12, 12}, video::SColor(255, 150, 150, 150));
    window_->addBox({15, 0, 0}, {12, 12, 12}, video::SColor(255, 190, 190, 190));
    window_->setCamera({0, 20, -60}, {0, 6, 0});
    window_->scene()->getActiveCamera()->OnAnimate(0);
    window_->scene()->getActiveCamera()->render();
    auto make = [&](bool passes) {
        auto handler = makeHandler();
        handler->setSceneClearColour(video::SColor(255, 200, 200, 200));
        for (const char* pass : {"BrightPass", "BloomP", "BlurHP", "BlurVP"}) {
            if (!passes) break;
            EXPECT_GE(
                handler->addPostEffectFile(std::string("shaders/") + pass + ".glsl", nullptr, 4),
                0);
        }
        return handler;
    };
    auto plainHandler = make(false), bloomHandler = make(true);
    const Capture plain = window_->render(plainHandler.get(), "light_background_none");
    const Capture bloom = window_->render(bloomHandler.get(), "light_background_bloom");
    for (int y = 20; y < bloom.height(); y += 40)
        for (int x = 20; x < bloom.width(); x += 40)
            EXPECT_NEAR(bloom.mean(x, y, 1).luminance(), plain.mean(x, y, 1).luminance(), 2.0)
                << "at " << x << ", " << y;
    EXPECT_NEAR(plain.mean(20, 20, 1).r, 200, 1);
}

TEST_F(EffectsLookTest, OneLightDrawnLitMultipliedOrAccumulatedGivesOnePicture) {
    // A textured floor (the voxel texture, turned by a texture matrix as the
    // shell turns it) and a pillar. The single light draws solid receivers
    // lit in one pass; a receiver with a child is multiplied into the drawn
    // scene instead; a second, black light sends both through the
    // accumulation of lights. All three must show the same picture.
    struct Case {
        const char* name;
        bool childOnFloor, secondLight;
    };
    const Case cases[] = {
        {"paths_lit", false, false},
        {"paths_multiplied", true, false},
        {"paths_accumulated", false, true},
    };
    std::vector<Capture> frames;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window_->clearScene();
        PillarScene s = buildPillarScene();
        s.floor->setMaterialTexture(0, window_->driver()->getTexture("media/voxeltexture.bmp"));
        core::matrix4& t = s.floor->getMaterial(0).getTextureMatrix(0);
        t.setRotationRadians(core::vector3df(0, 0, core::PI / 2));
        t.setTextureTranslate(0.25f, 0.5f);
        if (c.childOnFloor) window_->scene()->addEmptySceneNode(s.floor);
        auto handler = makeHandler();
        handler->registerShadowNode(s.floor, ShadowFilter::Filter4, ShadowRole::CastAndReceive);
        handler->registerShadowNode(s.pillar, ShadowFilter::Filter4, ShadowRole::CastAndReceive);
        handler->addLight(shellLight(kLightPosition, {0, 0, 0}));
        if (c.secondLight) {
            SShadowLight dark = shellLight({50, 80, 50}, {0, 0, 0});
            dark.colour = video::SColorf(0, 0, 0, 0);
            handler->addLight(dark);
        }
        frames.push_back(window_->render(handler.get(), c.name));
        const double shadowed = frames.back().mean(s.shadowed.X, s.shadowed.Y).luminance();
        const double lit = frames.back().mean(s.lit.X, s.lit.Y).luminance();
        EXPECT_LT(shadowed, 0.6 * lit) << "the pillar's shadow";
    }
    for (size_t k = 1; k < frames.size(); ++k) {
        SCOPED_TRACE(cases[k].name);
        int differing = 0;
        for (int y = 0; y < frames[0].height(); y += 4)
            for (int x = 0; x < frames[0].width(); x += 4) {
                const Rgb a = frames[0].mean(x, y, 0), b = frames[k].mean(x, y, 0);
                if (std::fabs(a.r - b.r) > 3 || std::fabs(a.g - b.g) > 3 || std::fabs(a.b - b.b) > 3)
                    ++differing;
            }
        // Edges of the filtered texture may round differently; nothing more.
        EXPECT_LT(differing, frames[0].width() * frames[0].height() / 16 / 100)
            << differing << " of the sampled pixels differ";
    }
}

TEST_F(EffectsLookTest, TheShadowMapFollowsACasterRefilledInPlaceOrMoved) {
    // The single light keeps its shadow map while nothing changes; a mesh
    // buffer filled again (and marked dirty, as the engine asks) or a node
    // moved must give new shadows at once.
    PillarScene s = buildPillarScene();
    auto handler = makeHandler();
    handler->registerShadowNode(s.floor, ShadowFilter::Filter1, ShadowRole::CastAndReceive);
    handler->registerShadowNode(s.pillar, ShadowFilter::Filter1, ShadowRole::CastAndReceive);
    SShadowLight light = shellLight(kLightPosition, {0, 0, 0});
    light.fitToScene = true;
    handler->addLight(light);

    const Capture first = window_->render(handler.get(), "cache_first");
    const Capture again = window_->render(handler.get(), "cache_again");
    const double lit = first.mean(s.lit.X, s.lit.Y).luminance();
    EXPECT_LT(first.mean(s.shadowed.X, s.shadowed.Y).luminance(), 0.6 * lit);
    EXPECT_NEAR(again.mean(s.shadowed.X, s.shadowed.Y).luminance(),
                first.mean(s.shadowed.X, s.shadowed.Y).luminance(), 1.0);

    // Squash the pillar to a quarter of its height in its own buffer.
    scene::IMeshBuffer* buffer = s.pillar->getMesh()->getMeshBuffer(0);
    video::S3DVertex* v = static_cast<video::S3DVertex*>(buffer->getVertices());
    for (u32 i = 0; i < buffer->getVertexCount(); ++i) v[i].Pos.Y *= 0.25f;
    buffer->recalculateBoundingBox();
    buffer->setDirty();
    s.pillar->setPosition(core::vector3df(0, 5, 0));
    const Capture squashed = window_->render(handler.get(), "cache_squashed");
    EXPECT_GT(squashed.mean(s.shadowed.X, s.shadowed.Y).luminance(), 0.85 * lit)
        << "the far end of the old shadow is lit";

    // Back to its height it shades the point again; moved far aside, not.
    for (u32 i = 0; i < buffer->getVertexCount(); ++i) v[i].Pos.Y *= 4.0f;
    buffer->recalculateBoundingBox();
    buffer->setDirty();
    s.pillar->setPosition(core::vector3df(0, 20, 0));
    EXPECT_LT(window_->render(handler.get(), "cache_back").mean(s.shadowed.X, s.shadowed.Y).luminance(),
              0.6 * lit);
    s.pillar->setPosition(core::vector3df(-90, 20, 90));
    EXPECT_GT(window_->render(handler.get(), "cache_moved").mean(s.shadowed.X, s.shadowed.Y).luminance(),
              0.85 * lit);
}

}  // namespace
}  // namespace cubalorn::testing
