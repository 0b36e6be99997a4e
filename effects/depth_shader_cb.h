#pragma once
// Constants of the depth and white-wash materials: the light's (or, for the
// white-wash, the camera's) world-view-projection and the far distance that
// normalises depth.

#include <irrlicht.h>

namespace cubalorn {

class EffectHandler;

class DepthShaderCB : public irr::video::IShaderConstantSetCallBack {
public:
    explicit DepthShaderCB(EffectHandler* handler) : handler(handler) {}

    void OnSetConstants(irr::video::IMaterialRendererServices* services,
                        irr::s32 userData) override;

    EffectHandler* handler;
    irr::f32 farDistance = 1.0f;  // written before each light's depth pass
    irr::core::matrix4 worldViewProj;
};

}  // namespace cubalorn
