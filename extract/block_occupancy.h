#pragma once
// Which block layers and block rows of a volume hold any non-zero voxel,
// gathered once per extraction from the blocks' counts so that the
// extractors can step over empty space a whole layer or row at a time.

#include <cstdint>
#include <vector>

#include "voxel/volume.h"

namespace cubalorn {

class BlockOccupancy {
public:
    void update(const VoxelVolume& volume);

    // Voxel coordinates; anything outside the volume is unoccupied.
    bool layer(int32_t z) const {
        if (z < lower_.z || z > upper_.z) return false;
        return layers_[(z >> power_) - lowerBlock_.z] != 0;
    }
    bool row(int32_t y, int32_t z) const {
        if (y < lower_.y || y > upper_.y || z < lower_.z || z > upper_.z) return false;
        return rows_[size_t((y >> power_) - lowerBlock_.y) +
                     size_t(heightInBlocks_) * size_t((z >> power_) - lowerBlock_.z)] != 0;
    }

private:
    Vec3i lower_, upper_, lowerBlock_;
    uint8_t power_ = 0;
    int32_t heightInBlocks_ = 0;
    std::vector<uint8_t> layers_;
    std::vector<uint8_t> rows_;
};

}  // namespace cubalorn
