#pragma once
// Meshing a volume chunk by chunk, and after a change only the chunks the
// change reaches. A chunk is a cube of positions (cubic) or cells (smooth),
// `chunkSide` on each axis; together the chunks cover exactly what one
// extraction of the whole volume covers, and each is extracted by running
// the same extractor over the chunk's region, so the triangles of all
// chunks are the triangles of the whole-volume extraction.
//
// Positions are relative to the volume's lower corner, as in a
// whole-volume extraction, so chunks can be drawn side by side as they are.

#include <cstdint>
#include <functional>
#include <vector>

#include "extract/mesh.h"
#include "voxel/region.h"
#include "voxel/volume.h"

namespace cubalorn {

enum class SurfaceKind { Cubic, Smooth };

// How far a changed voxel reaches: the faces of the cubic extractor at
// positions v-1 and v, and the cells of the smooth extractor from v-2 to
// v+1 (a cell's vertices take normals from the voxels one beyond its
// corners). Both stay within v-2 .. v+1 on every axis.
constexpr int32_t kChangeReachBelow = 2;
constexpr int32_t kChangeReachAbove = 1;

class ChunkMeshes {
public:
    static constexpr int32_t kDefaultChunkSide = 64;
    using Receiver = std::function<void(uint32_t chunk, const ExtractedMesh& mesh)>;

    // The volume must outlive this. The smooth surface lies where density
    // reaches `threshold`. chunkSide must be at least 1.
    ChunkMeshes(VoxelVolume& volume, SurfaceKind kind, uint8_t threshold = 127,
                int32_t chunkSide = kDefaultChunkSide);

    SurfaceKind kind() const { return kind_; }
    uint8_t threshold() const { return threshold_; }
    // Another surface: every chunk is extracted again by the next update.
    void setKind(SurfaceKind kind);
    // Every chunk is extracted again by the next update.
    void invalidateAll();

    // Takes the volume's changes and extracts every chunk they reach (and
    // every chunk invalidated), once each and in index order, handing each
    // mesh to `receiver` (valid only during the call). Returns how many. If
    // the extraction or the receiver throws, the chunks not yet handed over
    // are extracted by the next update.
    size_t update(const Receiver& receiver);

    uint32_t chunkCount() const { return uint32_t(counts_.x) * counts_.y * counts_.z; }
    const Vec3i& chunkCounts() const { return counts_; }
    int32_t chunkSide() const { return side_; }
    // The region handed to the extractor for a chunk.
    Region chunkRegion(uint32_t chunk) const;

private:
    void markReach(const Region& changed);
    void mark(uint32_t chunk);
    void extract(uint32_t chunk);

    VoxelVolume& volume_;
    SurfaceKind kind_;
    uint8_t threshold_;
    int32_t side_;
    Vec3i counts_;
    std::vector<uint8_t> pending_;
    std::vector<uint32_t> pendingList_;
    std::vector<ChangedBlock> changes_;
    ExtractedMesh scratch_;
};

}  // namespace cubalorn
