#include "effects/depth_shader_cb.h"

namespace cubalorn {

using namespace irr;

void DepthShaderCB::OnSetConstants(video::IMaterialRendererServices* services, s32) {
    video::IVideoDriver* driver = services->getVideoDriver();
    worldViewProj = driver->getTransform(video::ETS_PROJECTION);
    worldViewProj *= driver->getTransform(video::ETS_VIEW);
    worldViewProj *= driver->getTransform(video::ETS_WORLD);
    services->setVertexShaderConstant("mWorldViewProj", worldViewProj.pointer(), 16);
    services->setVertexShaderConstant("MaxD", &farDistance, 1);
}

}  // namespace cubalorn
