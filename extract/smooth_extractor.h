#pragma once
// Smooth meshing: marching cubes over the density byte, one z slice at a
// time. Vertices sit on the cell edges where density crosses the threshold,
// are shared by every cell around their edge, and carry gradient normals.

#include <cstdint>

#include "extract/mesh.h"
#include "voxel/region.h"
#include "voxel/volume.h"

namespace cubalorn {

class SmoothExtractor {
public:
    // Keeps references to the volume and the mesh: both must outlive it.
    // A voxel is solid when its density is at least the threshold.
    SmoothExtractor(const VoxelVolume& volume, const Region& region, ExtractedMesh& outputMesh,
                    uint8_t threshold);

    // Rebuilds the mesh from scratch, with one index range over all indices.
    void execute();

    const Region& region() const { return region_; }
    // Vertex positions are relative to `origin`, the region's lower corner
    // unless set: meshes of neighbouring regions extracted with one origin
    // share the exact vertex positions of one extraction of both.
    void setOrigin(const Vec3i& origin) { origin_ = origin; }
    // The region's cells: a cell (x, y, z) spans the voxels x..x+1, y..y+1, z..z+1.
    Region cellRegion() const;
    uint8_t threshold() const { return threshold_; }

private:
    const VoxelVolume* volume_;
    VoxelCursor sampler_;
    Region region_;
    Vec3i origin_;
    ExtractedMesh* outputMesh_;
    uint8_t threshold_;
};

}  // namespace cubalorn
