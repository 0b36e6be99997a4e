#pragma once
// Constants of the light-pass materials: the camera's and the light's
// world-view-projection, the light position in the node's object space, the
// far distance, the shadow-map resolution and the light's colour.

#include <irrlicht.h>

namespace cubalorn {

class EffectHandler;

class ShadowShaderCB : public irr::video::IShaderConstantSetCallBack {
public:
    explicit ShadowShaderCB(EffectHandler* handler) : handler(handler) {}

    void OnSetConstants(irr::video::IMaterialRendererServices* services,
                        irr::s32 userData) override;

    EffectHandler* handler;
    irr::core::matrix4 inverseWorld;
    // The handler writes these before each light's light pass.
    irr::video::SColorf lightColour{0.0f, 0.0f, 0.0f, 1.0f};
    // Added to the light where the pass multiplies the scene directly.
    irr::video::SColorf ambientColour{0.0f, 0.0f, 0.0f, 0.0f};
    irr::core::matrix4 lightProjection;
    irr::core::matrix4 lightView;
    irr::core::vector3df lightPosition;
    irr::f32 farDistance = 1.0f;
    irr::f32 mapResolution = 1.0f;
    // For the surface a lit material draws: whether it has a texture, and
    // the texture transform its material gives (set before each buffer).
    bool useTexture = false;
    irr::core::matrix4 textureMatrix;
};

}  // namespace cubalorn
