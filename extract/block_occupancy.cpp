#include "extract/block_occupancy.h"

namespace cubalorn {

void BlockOccupancy::update(const VoxelVolume& volume) {
    lower_ = volume.region().lower;
    upper_ = volume.region().upper;
    lowerBlock_ = volume.regionInBlocks().lower;
    power_ = volume.blockSideLengthPower();
    heightInBlocks_ = volume.heightInBlocks();
    const int w = volume.widthInBlocks(), h = volume.heightInBlocks(), d = volume.depthInBlocks();
    layers_.assign(d, 0);
    rows_.assign(size_t(h) * d, 0);
    for (int bz = 0; bz < d; ++bz)
        for (int by = 0; by < h; ++by)
            for (int bx = 0; bx < w; ++bx) {
                const VoxelBlock& b =
                    volume.block(lowerBlock_.x + bx, lowerBlock_.y + by, lowerBlock_.z + bz);
                if (b.nonZeroCount() == 0) continue;
                rows_[by + size_t(h) * bz] = 1;
                layers_[bz] = 1;
            }
}

}  // namespace cubalorn
