#pragma once
// Cubic meshing: one square (two triangles) for every face between a solid
// voxel (material not 0) and an empty one. Density plays no part.

#include <cstdint>

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

private:
    void scanRow(int32_t y, int32_t z, int32_t x0, int32_t x1);

    const VoxelVolume* volume_;
    Region region_;
    ExtractedMesh* outputMesh_;
    // Refreshed on every run; kept only to avoid reallocating.
    BlockOccupancy occupancy_;
};

}  // namespace cubalorn
