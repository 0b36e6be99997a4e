#pragma once
// Constants of every screen-quad material: the sampler units (OpenGL), the
// size of the current render target and the camera rays through the four
// screen corners, from which a pass can rebuild each pixel's view ray.

#include <irrlicht.h>

#include <map>
#include <string>

namespace cubalorn {

class EffectHandler;

class ScreenQuadCB : public irr::video::IShaderConstantSetCallBack {
public:
    ScreenQuadCB(EffectHandler* handler, bool useDefaultVertexShader)
        : handler(handler), useDefaultVertexShader(useDefaultVertexShader) {}

    void OnSetConstants(irr::video::IMaterialRendererServices* services,
                        irr::s32 userData) override;

    struct NamedConstant {
        const irr::f32* data = nullptr;
        int count = 0;
    };

    EffectHandler* handler;
    bool useDefaultVertexShader;
    // Extra pixel-shader constants a pass wants, set in name order.
    std::map<std::string, NamedConstant> namedConstants;
};

// Texture units of the four samplers a screen-quad pixel shader may declare.
struct SamplerUnit {
    const char* name;
    irr::s32 unit;
};
extern const SamplerUnit kScreenQuadSamplers[4];

}  // namespace cubalorn
