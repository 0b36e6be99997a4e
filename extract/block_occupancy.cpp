#include "extract/block_occupancy.h"

#include <algorithm>

namespace cubalorn {

void BlockOccupancy::update(const VoxelVolume& volume, const Region& reads) {
    const Region& vr = volume.region();
    lower_ = vr.lower;
    upper_ = vr.upper;
    power_ = volume.blockSideLengthPower();
    const int p = power_;
    const Vec3i lo{std::max(reads.lower.x, vr.lower.x) >> p,
                   std::max(reads.lower.y, vr.lower.y) >> p,
                   std::max(reads.lower.z, vr.lower.z) >> p};
    const Vec3i hi{std::min(reads.upper.x, vr.upper.x) >> p,
                   std::min(reads.upper.y, vr.upper.y) >> p,
                   std::min(reads.upper.z, vr.upper.z) >> p};
    lowerBlock_ = lo;
    const bool none = hi.x < lo.x || hi.y < lo.y || hi.z < lo.z;
    height_ = none ? 0 : hi.y - lo.y + 1;
    depth_ = none ? 0 : hi.z - lo.z + 1;
    layers_.assign(size_t(depth_), 0);
    rows_.assign(size_t(height_) * size_t(depth_), 0);
    if (none) return;
    for (int32_t bz = lo.z; bz <= hi.z; ++bz)
        for (int32_t by = lo.y; by <= hi.y; ++by)
            for (int32_t bx = lo.x; bx <= hi.x; ++bx) {
                if (volume.block(bx, by, bz).nonZeroCount() == 0) continue;
                rows_[size_t(by - lo.y) + size_t(height_) * size_t(bz - lo.z)] = 1;
                layers_[size_t(bz - lo.z)] = 1;
                break;  // the row is occupied: the rest of it tells nothing more
            }
}

}  // namespace cubalorn
