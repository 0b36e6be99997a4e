#pragma once
// The engine side of chunk meshing: one dynamic mesh buffer per chunk that
// holds triangles, all inside the one mesh the one mesh node shows. After a
// line only the chunks it reached are refilled (and uploaded again); the
// mesh's list of buffers, and with it the node's materials, is rebuilt only
// when a chunk gains or loses all its triangles.
//
// The first buffer of the mesh is always there and always empty, so the
// node always has a material 0: keys O and M and SETVOXELCUBIC act on the
// node's materials, and material 0 is what a chunk's new buffer takes.

#include <irrlicht.h>

#include <cstdint>
#include <vector>

#include "app/mesh_presentation.h"
#include "extract/mesh.h"

namespace cubalorn {

class ChunkBuffers {
public:
    explicit ChunkBuffers(uint32_t chunkCount);
    ~ChunkBuffers();
    ChunkBuffers(const ChunkBuffers&) = delete;
    ChunkBuffers& operator=(const ChunkBuffers&) = delete;

    // The mesh the node shows; it lives as long as this object (or longer,
    // for whoever grabs it).
    irr::scene::SMesh& mesh() { return *mesh_; }

    // Refills the chunk's buffer from its mesh (creating the buffer, or
    // dropping it when the chunk has no triangle left), as rebuildMeshBuffer
    // does.
    template <typename ColourOf>
    void present(uint32_t chunk, const ExtractedMesh& mesh, ColourOf&& colourOf,
                 float occlusionDarkening = 0.0f) {
        irr::scene::CDynamicMeshBuffer*& buffer = buffers_[chunk];
        if (mesh.indices.empty()) {
            if (buffer != nullptr) {
                buffer->drop();
                buffer = nullptr;
                layoutChanged_ = true;
            }
            return;
        }
        if (buffer == nullptr) {
            buffer = createVoxelMeshBuffer();
            // Kept on the graphics card until the chunk changes.
            buffer->setHardwareMappingHint(irr::scene::EHM_STATIC);
            layoutChanged_ = true;
        }
        rebuildMeshBuffer(*buffer, mesh, colourOf, occlusionDarkening);
    }

    // After the chunks of one update were presented: rebuilds the mesh's
    // list of buffers when it changed (every buffer takes the node's
    // material 0, and the node copies them again), and the bounding box.
    void finish(irr::scene::IMeshSceneNode* node);

    // The chunk's buffer; null while the chunk has no triangles.
    const irr::scene::CDynamicMeshBuffer* buffer(uint32_t chunk) const { return buffers_[chunk]; }
    // Chunks holding triangles, and the totals of their buffers.
    uint32_t bufferCount() const;
    uint64_t vertexCount() const;
    uint64_t indexCount() const;

private:
    irr::scene::SMesh* mesh_ = nullptr;
    irr::scene::CDynamicMeshBuffer* anchor_ = nullptr;      // the empty first buffer
    std::vector<irr::scene::CDynamicMeshBuffer*> buffers_;  // by chunk; null: no triangles
    bool layoutChanged_ = false;
};

}  // namespace cubalorn
