#pragma once
// A quad that covers clip space, drawn with one shared material for every
// screen-space step: shadow-map blurs, light accumulation, modulation and the
// post-processing passes. Set the material type and texture layers before
// each draw; they stay until overwritten.

#include <irrlicht.h>

namespace cubalorn {

class CScreenQuad {
public:
    CScreenQuad();
    virtual ~CScreenQuad() = default;

    virtual void render(irr::video::IVideoDriver* driver);
    virtual irr::video::SMaterial& material() { return material_; }

    // [0] light accumulation, [1] scene or per-light scratch; both are the
    // ping-pong buffers of the post-processing chain. Owned by the driver.
    irr::video::ITexture* targets[2] = {nullptr, nullptr};
    irr::video::S3DVertex vertices[6];

private:
    irr::video::SMaterial material_;
};

}  // namespace cubalorn
