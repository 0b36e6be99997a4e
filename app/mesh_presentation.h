#pragma once
// Turning the extracted triangles into what the engine draws: one dynamic
// mesh buffer (standard vertices, 32-bit indices) refilled in place, inside
// one mesh, shown by one mesh scene node.

#include <irrlicht.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "extract/mesh.h"

namespace cubalorn {

constexpr const char* kVoxelTexturePath = "media/voxeltexture.bmp";

// The buffer the shell fills: standard vertices and 32-bit indices. The
// caller owns the returned reference.
irr::scene::CDynamicMeshBuffer* createVoxelMeshBuffer();

// Texture coordinates by the normal's dominant axis, in voxel units, so the
// voxel texture repeats once per face. Ties fall to the last case (x, y).
inline irr::core::vector2df textureCoordinates(const Vec3f& pos, const Vec3f& normal) {
    const float ax = std::fabs(normal.x);
    const float ay = std::fabs(normal.y);
    const float az = std::fabs(normal.z);
    if (ax > ay && ax > az) return {pos.y, pos.z};
    if (ay > ax && ay > az) return {pos.x, pos.z};
    return {pos.x, pos.y};
}

// The palette index of a vertex: its material truncated, low 8 bits.
// A value no integer can hold (NaN included) reads as 0.
inline uint8_t materialIndex(float material) {
    if (!(material > -2147483648.0f && material < 2147483648.0f)) return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(material) & 0xFF);
}

// How much a fully occluded corner is darkened when ambient occlusion is
// shown: its colour keeps 1 - this share.
constexpr float kOcclusionDarkening = 0.5f;

// A vertex colour darkened by a corner's occlusion (0 open .. 1 closed),
// `darkening` of it at the most. Alpha stays.
inline irr::video::SColor occludedColour(irr::video::SColor colour, float occlusion,
                                         float darkening) {
    const float keep = 1.0f - darkening * occlusion;
    if (!(keep < 1.0f)) return colour;
    auto scale = [keep](irr::u32 c) { return static_cast<irr::u32>(c * keep + 0.5f); };
    return irr::video::SColor(colour.getAlpha(), scale(colour.getRed()), scale(colour.getGreen()),
                              scale(colour.getBlue()));
}

// Refills `buffer` from `mesh` and recomputes its bounding box. `colourOf`
// maps a palette index to the vertex colour and is asked once per vertex (so
// an index with a random colour differs from vertex to vertex); with an
// `occlusionDarkening` above 0 (kOcclusionDarkening shows it) each colour is
// darkened by its corner's occlusion.
template <typename ColourOf>
irr::scene::CDynamicMeshBuffer& rebuildMeshBuffer(irr::scene::CDynamicMeshBuffer& buffer,
                                                  const ExtractedMesh& mesh, ColourOf&& colourOf,
                                                  float occlusionDarkening = 0.0f) {
    irr::scene::IVertexBuffer& vertexBuffer = buffer.getVertexBuffer();
    const irr::u32 vertexCount = static_cast<irr::u32>(mesh.vertices.size());
    vertexBuffer.set_used(vertexCount);
    irr::video::S3DVertex* out = vertexBuffer.pointer();
    for (irr::u32 i = 0; i < vertexCount; ++i) {
        const MeshVertex& in = mesh.vertices[i];
        irr::video::S3DVertex& v = out[i];
        v.Pos.set(in.pos.x, in.pos.y, in.pos.z);
        v.Normal.set(in.normal.x, in.normal.y, in.normal.z);
        v.TCoords = textureCoordinates(in.pos, in.normal);
        v.Color = occludedColour(colourOf(materialIndex(in.material)), in.occlusion,
                                 occlusionDarkening);
    }
    irr::scene::IIndexBuffer& indexBuffer = buffer.getIndexBuffer();
    const irr::u32 indexCount = static_cast<irr::u32>(mesh.indices.size());
    indexBuffer.set_used(indexCount);
    if (indexCount > 0) {
        std::memcpy(indexBuffer.pointer(), mesh.indices.data(), indexCount * sizeof(uint32_t));
    }
    buffer.recalculateBoundingBox();
    // The engine's sign that the content changed (the shadows follow it).
    buffer.setDirty();
    return buffer;
}

// Sets up the freshly created mesh node: lighting only without the effects
// (the shadow passes light the scene themselves), the vertex colours taken
// for both the diffuse and the ambient light, solid material, the voxel
// texture in cubic mode, the texture matrix that turns the texture upright on
// each face, and the half turn about the vertical axis.
void configureMeshNode(irr::scene::IMeshSceneNode& node, irr::video::IVideoDriver& driver,
                       bool useEffects, bool cubicMode);

// Key M: the voxel texture goes with cubic extraction.
void setVoxelTexture(irr::scene::IMeshSceneNode& node, irr::video::IVideoDriver& driver, bool on);

// Key O: wireframe flips, point-cloud drawing goes off.
void toggleWireframe(irr::scene::IMeshSceneNode& node);

}  // namespace cubalorn
