#include "effects/shadow_shader_cb.h"

#include <cmath>

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

void ShadowShaderCB::OnSetConstants(video::IMaterialRendererServices* services, s32) {
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
    services->setPixelShaderConstant("LightColour", &lightColour.r, 4);
    services->setPixelShaderConstant("AmbientColour", &ambientColour.r, 4);
}

}  // namespace cubalorn
