#include "effects/screen_quad.h"

namespace cubalorn {

using namespace irr;

namespace {
const u16 kIndices[6] = {0, 1, 2, 3, 4, 5};
}

CScreenQuad::CScreenQuad() {
    const video::SColor none(0);
    const core::vector3df normal(0, 0, 1);
    vertices[0] = video::S3DVertex(core::vector3df(-1, -1, 0), normal, none, {0, 1});
    vertices[1] = video::S3DVertex(core::vector3df(-1, 1, 0), normal, none, {0, 0});
    vertices[2] = video::S3DVertex(core::vector3df(1, 1, 0), normal, none, {1, 0});
    vertices[3] = video::S3DVertex(core::vector3df(1, -1, 0), normal, none, {1, 1});
    vertices[4] = video::S3DVertex(core::vector3df(-1, -1, 0), normal, none, {0, 1});
    vertices[5] = video::S3DVertex(core::vector3df(1, 1, 0), normal, none, {1, 0});
    material_.Wireframe = false;
    material_.Lighting = false;
    material_.ZWriteEnable = false;
    // Render targets of one size share a depth buffer in the engine, so depth
    // left by an earlier pass must not hide parts of a full-screen step.
    material_.ZBuffer = video::ECFN_ALWAYS;
}

void CScreenQuad::render(video::IVideoDriver* driver) {
    driver->setMaterial(material_);
    driver->setTransform(video::ETS_WORLD, core::IdentityMatrix);
    driver->drawVertexPrimitiveList(vertices, 6, kIndices, 2, video::EVT_STANDARD,
                                    scene::EPT_TRIANGLES, video::EIT_16BIT);
}

}  // namespace cubalorn
