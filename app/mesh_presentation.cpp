#include "app/mesh_presentation.h"

namespace cubalorn {

irr::scene::CDynamicMeshBuffer* createVoxelMeshBuffer() {
    return new irr::scene::CDynamicMeshBuffer(irr::video::EVT_STANDARD, irr::video::EIT_32BIT);
}

void configureMeshNode(irr::scene::IMeshSceneNode& node, irr::video::IVideoDriver& driver,
                       bool useEffects, bool cubicMode) {
    node.setMaterialFlag(irr::video::EMF_LIGHTING, !useEffects);
    node.setMaterialType(irr::video::EMT_SOLID);
    // Lit by the engine, a face in shade keeps its own colour rather than
    // turning the scene's grey.
    for (irr::u32 i = 0; i < node.getMaterialCount(); ++i)
        node.getMaterial(i).ColorMaterial = irr::video::ECM_DIFFUSE_AND_AMBIENT;
    if (cubicMode) setVoxelTexture(node, driver, true);
    if (node.getMaterialCount() > 0) {
        // getTextureMatrix creates an identity matrix when there is none.
        irr::core::matrix4& matrix = node.getMaterial(0).getTextureMatrix(0);
        matrix.setRotationRadians(irr::core::vector3df(0.0f, 0.0f, 180.0f * irr::core::DEGTORAD));
        matrix.setTextureTranslate(0.5f, 0.5f);
    }
    node.setRotation(irr::core::vector3df(0.0f, 180.0f, 0.0f));
}

void setVoxelTexture(irr::scene::IMeshSceneNode& node, irr::video::IVideoDriver& driver, bool on) {
    node.setMaterialTexture(0, on ? driver.getTexture(kVoxelTexturePath) : nullptr);
}

void toggleWireframe(irr::scene::IMeshSceneNode& node) {
    if (node.getMaterialCount() == 0) return;
    const bool wireframe = !node.getMaterial(0).Wireframe;
    node.setMaterialFlag(irr::video::EMF_WIREFRAME, wireframe);
    node.setMaterialFlag(irr::video::EMF_POINTCLOUD, false);
}

}  // namespace cubalorn
