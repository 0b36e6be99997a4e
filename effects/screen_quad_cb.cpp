#include "effects/screen_quad_cb.h"

#include "effects/effect_handler.h"

namespace cubalorn {

using namespace irr;

const SamplerUnit kScreenQuadSamplers[4] = {
    {"ColorMapSampler", 0},
    {"ScreenMapSampler", 1},
    {"DepthMapSampler", 2},
    {"UserMapSampler", 3},
};

void ScreenQuadCB::OnSetConstants(video::IMaterialRendererServices* services, s32) {
    video::IVideoDriver* driver = services->getVideoDriver();

    // GLSL samplers take their unit as an integer uniform; the integer
    // overload hands the value over unconverted.
    if (driver->getDriverType() == video::EDT_OPENGL)
        for (const SamplerUnit& s : kScreenQuadSamplers)
            services->setPixelShaderConstant(s.name, &s.unit, 1);

    if (useDefaultVertexShader) {
        const core::dimension2du& size = driver->getCurrentRenderTargetSize();
        f32 screenX = static_cast<f32>(size.Width), screenY = static_cast<f32>(size.Height);
        services->setVertexShaderConstant("screenX", &screenX, 1);
        services->setVertexShaderConstant("screenY", &screenY, 1);

        scene::ISceneManager* scene = handler ? handler->sceneManager() : nullptr;
        scene::ICameraSceneNode* camera = scene ? scene->getActiveCamera() : nullptr;
        if (camera) {
            const core::rect<s32>& view = driver->getViewPort();
            const core::position2di corners[4] = {
                {view.UpperLeftCorner.X, view.UpperLeftCorner.Y},
                {view.LowerRightCorner.X, view.UpperLeftCorner.Y},
                {view.UpperLeftCorner.X, view.LowerRightCorner.Y},
                {view.LowerRightCorner.X, view.LowerRightCorner.Y},
            };
            static const char* const kStarts[4] = {"LineStarts0", "LineStarts1", "LineStarts2",
                                                   "LineStarts3"};
            static const char* const kEnds[4] = {"LineEnds0", "LineEnds1", "LineEnds2",
                                                 "LineEnds3"};
            core::line3df rays[4];
            scene::ISceneCollisionManager* collisions = scene->getSceneCollisionManager();
            for (int i = 0; i < 4; ++i)
                rays[i] = collisions->getRayFromScreenCoordinates(corners[i], camera);
            for (int i = 0; i < 4; ++i)
                services->setVertexShaderConstant(kStarts[i], &rays[i].start.X, 3);
            for (int i = 0; i < 4; ++i)
                services->setVertexShaderConstant(kEnds[i], &rays[i].end.X, 3);
        }
    }

    for (const auto& [name, constant] : namedConstants)
        if (constant.data) services->setPixelShaderConstant(name.c_str(), constant.data, constant.count);
}

}  // namespace cubalorn
