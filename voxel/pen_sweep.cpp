#include "voxel/pen_sweep.h"

#include <algorithm>

#include "voxel/turtle.h"
#include "voxel/volume.h"

namespace cubalorn {

PenSweep::PenSweep(Turtle& turtle) : turtle_(turtle) {
    if (turtle.penUp || !turtle.volume()) return;
    half_ = turtle.penSize / 2;
    // Size 1 writes single voxels; sizes 0 and below (and -1) stamp nothing
    // at whole coordinates.
    direct_ = turtle.penSize == 1;
    if (!direct_ && half_ < 1) return;
    active_ = true;
    if (!direct_) rows_.assign(size_t(turtle.sizeY()) * size_t(turtle.sizeZ()), Run{});
}

void PenSweep::addRow(int32_t y, int32_t z, int32_t xa, int32_t xb) {
    if (!active_) return;
    if (direct_) {
        turtle_.volume()->fillRow(y, z, xa, xb, turtle_.penValue());
        return;
    }
    rows_[size_t(y) + size_t(turtle_.sizeY()) * size_t(z)].include(Run{xa, xb});
}

void PenSweep::finish() {
    if (!active_ || direct_) {
        active_ = false;
        return;
    }
    active_ = false;
    const int32_t sx = turtle_.sizeX(), sy = turtle_.sizeY(), sz = turtle_.sizeZ();
    const int32_t r = half_;
    // A centre c covers c-R .. c+R-1, so cell v is covered by the centres
    // v-R+1 .. v+R. Gather along y, then along z (the runs all share one x,
    // so a union of runs is their hull).
    std::vector<Run> alongY(rows_.size());
    for (int32_t z = 0; z < sz; ++z)
        for (int32_t y = 0; y < sy; ++y) {
            Run u;
            const int32_t from = std::max(0, y - r + 1), to = std::min(sy - 1, y + r);
            for (int32_t c = from; c <= to; ++c) u.include(rows_[size_t(c) + size_t(sy) * z]);
            alongY[size_t(y) + size_t(sy) * z] = u;
        }
    VoxelVolume& volume = *turtle_.volume();
    const Voxel value = turtle_.penValue();
    for (int32_t z = 0; z < sz; ++z) {
        const int32_t from = std::max(0, z - r + 1), to = std::min(sz - 1, z + r);
        for (int32_t y = 0; y < sy; ++y) {
            Run u;
            for (int32_t c = from; c <= to; ++c) u.include(alongY[size_t(y) + size_t(sy) * c]);
            if (u.empty()) continue;
            const int64_t lo = std::max<int64_t>(0, int64_t(u.lo) - r);
            const int64_t hi = std::min<int64_t>(sx - 1, int64_t(u.hi) + r - 1);
            if (lo <= hi) volume.fillRow(y, z, int32_t(lo), int32_t(hi), value);
        }
    }
    rows_.clear();
}

}  // namespace cubalorn
