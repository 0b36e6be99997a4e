#pragma once
// Cubic meshing: one square (two triangles) for every face between a solid
// voxel (material not 0) and an empty one. Density plays no part. Each
// corner carries its ambient occlusion (MeshVertex::occlusion) from the
// voxels in front of the face, read from the volume also past the region's
// border, so a region meshed on its own gets the corners the whole volume
// would give it.

#include <cstdint>
#include <vector>

#include "extract/block_occupancy.h"
#include "extract/mesh.h"
#include "voxel/region.h"
#include "voxel/volume.h"

namespace cubalorn {

class CubicExtractor {
public:
    // Keeps references to the volume and the mesh: both must outlive it.
    CubicExtractor(const VoxelVolume& volume, const Region& region, ExtractedMesh& outputMesh);

    // Rebuilds the mesh from scratch: the faces of every position from the
    // region's lower corner up to, but not including, its upper corner, in
    // z, y, x order, and one index range over all indices.
    void execute();

    const Region& region() const { return region_; }

    // On by default. Off, every corner is open and every square keeps the
    // q1-q2 diagonal (for measuring what the occlusion costs).
    void setAmbientOcclusion(bool on) { ambientOcclusion_ = on; }

private:
    // One bit per voxel of a z slice, set where the material is not 0.
    struct SolidSlice {
        std::vector<uint64_t> bits;      // rows of rowWords_ words
        std::vector<uint8_t> rowFilled;  // rows that may hold set bits
        bool any = false;                // false: the whole slice is empty
    };

    void scan(int32_t x0, int32_t y0, int32_t z0, int32_t x1, int32_t y1, int32_t z1);
    void fillSlice(SolidSlice& slice, int32_t z, int32_t y0, int32_t y1);
    const uint64_t* row(const SolidSlice& slice, int32_t y) const;

    const VoxelVolume* volume_;
    Region region_;
    ExtractedMesh* outputMesh_;
    // Working storage, refreshed on every run; kept only to avoid reallocating.
    BlockOccupancy occupancy_;
    SolidSlice slices_[3];  // z - 1, z, z + 1, turned round as z advances
    std::vector<uint64_t> zeroRow_;
    std::vector<uint64_t> positionMask_;  // the bits of a row that are positions
    int64_t rowX0_ = 0;
    int64_t rowY0_ = 0;
    size_t rowWords_ = 0;
    bool ambientOcclusion_ = true;
};

}  // namespace cubalorn
