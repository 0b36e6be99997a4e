#pragma once
// Which block layers and block rows of a volume hold any non-zero voxel,
// gathered once per extraction from the blocks' counts so that the
// extractors can step over empty space a whole layer or row at a time.
// Only the blocks of the voxels an extraction reads are looked at, so that
// meshing one chunk of a large volume costs in proportion to the chunk.

#include <cstdint>
#include <vector>

#include "voxel/region.h"
#include "voxel/volume.h"

namespace cubalorn {

class BlockOccupancy {
public:
    // The blocks that hold the voxels of `reads` (clipped to the volume).
    void update(const VoxelVolume& volume, const Region& reads);

    // Voxel coordinates; anything outside the volume is unoccupied, and
    // anything inside it but outside the blocks looked at may be occupied.
    bool layer(int32_t z) const {
        if (z < lower_.z || z > upper_.z) return false;
        const int32_t bz = (z >> power_) - lowerBlock_.z;
        if (bz < 0 || bz >= depth_) return true;
        return layers_[size_t(bz)] != 0;
    }
    bool row(int32_t y, int32_t z) const {
        if (y < lower_.y || y > upper_.y || z < lower_.z || z > upper_.z) return false;
        const int32_t by = (y >> power_) - lowerBlock_.y, bz = (z >> power_) - lowerBlock_.z;
        if (by < 0 || by >= height_ || bz < 0 || bz >= depth_) return true;
        return rows_[size_t(by) + size_t(height_) * size_t(bz)] != 0;
    }

private:
    Vec3i lower_, upper_, lowerBlock_;
    uint8_t power_ = 0;
    int32_t height_ = 0;  // block rows and layers looked at
    int32_t depth_ = 0;
    std::vector<uint8_t> layers_;
    std::vector<uint8_t> rows_;
};

}  // namespace cubalorn
