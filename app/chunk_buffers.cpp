#include "app/chunk_buffers.h"

namespace cubalorn {

ChunkBuffers::ChunkBuffers(uint32_t chunkCount)
    : mesh_(new irr::scene::SMesh()),
      anchor_(createVoxelMeshBuffer()),
      buffers_(chunkCount, nullptr) {
    mesh_->addMeshBuffer(anchor_);
}

ChunkBuffers::~ChunkBuffers() {
    for (irr::scene::CDynamicMeshBuffer* buffer : buffers_)
        if (buffer != nullptr) buffer->drop();
    anchor_->drop();
    mesh_->drop();
}

void ChunkBuffers::finish(irr::scene::IMeshSceneNode* node) {
    if (layoutChanged_) {
        layoutChanged_ = false;
        const irr::video::SMaterial material = node != nullptr && node->getMaterialCount() > 0
                                                   ? node->getMaterial(0)
                                                   : anchor_->getMaterial();
        mesh_->clear();
        anchor_->getMaterial() = material;
        mesh_->addMeshBuffer(anchor_);
        for (irr::scene::CDynamicMeshBuffer* buffer : buffers_) {
            if (buffer == nullptr) continue;
            buffer->getMaterial() = material;
            mesh_->addMeshBuffer(buffer);
        }
        if (node != nullptr) node->setMesh(mesh_);
    }
    // The empty first buffer has no place in the box.
    bool any = false;
    irr::core::aabbox3df box(0, 0, 0, 0, 0, 0);
    for (irr::scene::CDynamicMeshBuffer* buffer : buffers_) {
        if (buffer == nullptr) continue;
        if (any)
            box.addInternalBox(buffer->getBoundingBox());
        else
            box = buffer->getBoundingBox();
        any = true;
    }
    mesh_->setBoundingBox(box);
}

uint32_t ChunkBuffers::bufferCount() const {
    uint32_t n = 0;
    for (const irr::scene::CDynamicMeshBuffer* buffer : buffers_) n += buffer != nullptr;
    return n;
}

uint64_t ChunkBuffers::vertexCount() const {
    uint64_t n = 0;
    for (const irr::scene::CDynamicMeshBuffer* buffer : buffers_)
        if (buffer != nullptr) n += buffer->getVertexCount();
    return n;
}

uint64_t ChunkBuffers::indexCount() const {
    uint64_t n = 0;
    for (const irr::scene::CDynamicMeshBuffer* buffer : buffers_)
        if (buffer != nullptr) n += buffer->getIndexCount();
    return n;
}

}  // namespace cubalorn
