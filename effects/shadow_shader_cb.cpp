#include "effects/shadow_shader_cb.h"

#include <cmath>

#include "effects/material_recipes.h"

namespace cubalorn {

using namespace irr;

namespace {

f32 determinant(const core::matrix4& m) {
    return (m(0, 0) * m(1, 1) - m(0, 1) * m(1, 0)) * (m(2, 2) * m(3, 3) - m(2, 3) * m(3, 2)) -
           (m(0, 0) * m(1, 2) - m(0, 2) * m(1, 0)) * (m(2, 1) * m(3, 3) - m(2, 3) * m(3, 1)) +
           (m(0, 0) * m(1, 3) - m(0, 3) * m(1, 0)) * (m(2, 1) * m(3, 2) - m(2, 2) * m(3, 1)) +
           (m(0, 1) * m(1, 2) - m(0, 2) * m(1, 1)) * (m(2, 0) * m(3, 3) - m(2, 3) * m(3, 0)) -
           (m(0, 1) * m(1, 3) - m(0, 3) * m(1, 1)) * (m(2, 0) * m(3, 2) - m(2, 2) * m(3, 0)) +
           (m(0, 2) * m(1, 3) - m(0, 3) * m(1, 2)) * (m(2, 0) * m(3, 1) - m(2, 1) * m(3, 0));
}

}  // namespace

void ShadowShaderCB::OnSetConstants(video::IMaterialRendererServices* services, s32 userData) {
    video::IVideoDriver* driver = services->getVideoDriver();
    const core::matrix4& world = driver->getTransform(video::ETS_WORLD);

    core::matrix4 wvp = driver->getTransform(video::ETS_PROJECTION);
    wvp *= driver->getTransform(video::ETS_VIEW);
    wvp *= world;
    services->setVertexShaderConstant("mWorldViewProj", wvp.pointer(), 16);

    core::matrix4 lightWvp = lightProjection;
    lightWvp *= lightView;
    lightWvp *= world;
    services->setVertexShaderConstant("mWorldViewProj2", lightWvp.pointer(), 16);

    // A singular world matrix (a node scaled to nothing) keeps the last
    // usable inverse rather than feeding garbage to the shader.
    core::matrix4 inverse;
    if (std::fabs(determinant(world)) > 0.000001f && world.getInverse(inverse))
        inverseWorld = inverse;
    core::vector3df lightInObjectSpace = lightPosition;
    inverseWorld.transformVect(lightInObjectSpace);
    services->setVertexShaderConstant("LightPos", &lightInObjectSpace.X, 3);

    services->setVertexShaderConstant("MaxD", &farDistance, 1);
    services->setVertexShaderConstant("MAPRES", &mapResolution, 1);
    // The GLSL light pass reads both in its pixel stage (a GLSL uniform is
    // one for both stages); Direct3D's constant tables would warn of names
    // its pixel stage lacks.
    if (driver->getDriverType() == video::EDT_OPENGL) {
        services->setPixelShaderConstant("MaxD", &farDistance, 1);
        services->setPixelShaderConstant("MAPRES", &mapResolution, 1);
    }
    services->setPixelShaderConstant("LightColour", &lightColour.r, 4);
    services->setPixelShaderConstant("AmbientColour", &ambientColour.r, 4);

    if (userData == kLitSurface) {
        // The surface's texture on unit 0, the shadow map on unit 1.
        if (driver->getDriverType() == video::EDT_OPENGL) {
            const s32 colourUnit = 0, shadowUnit = 1;
            services->setPixelShaderConstant("ColorMapSampler", &colourUnit, 1);
            services->setPixelShaderConstant("ShadowMapSampler", &shadowUnit, 1);
        }
        const f32 textured = useTexture ? 1.0f : 0.0f;
        services->setPixelShaderConstant("UseTexture", &textured, 1);
        services->setVertexShaderConstant("mTexture", textureMatrix.pointer(), 16);
    }
}

}  // namespace cubalorn
