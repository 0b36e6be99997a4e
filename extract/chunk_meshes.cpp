#include "extract/chunk_meshes.h"

#include <algorithm>
#include <stdexcept>

#include "extract/cubic_extractor.h"
#include "extract/smooth_extractor.h"

namespace cubalorn {

namespace {

// Chunks along one axis of a volume `lower`..`upper`: its positions or
// cells run from lower to upper - 1; at least one chunk.
int32_t chunksAlong(int32_t lower, int32_t upper, int32_t side) {
    const int64_t positions = int64_t(upper) - lower;
    return int32_t(std::max<int64_t>(1, (positions + side - 1) / side));
}

}  // namespace

ChunkMeshes::ChunkMeshes(VoxelVolume& volume, SurfaceKind kind, uint8_t threshold,
                         int32_t chunkSide)
    : volume_(volume), kind_(kind), threshold_(threshold), side_(chunkSide) {
    if (chunkSide < 1) throw std::invalid_argument("a chunk is at least one voxel wide");
    const Region& r = volume.region();
    counts_ = {chunksAlong(r.lower.x, r.upper.x, side_), chunksAlong(r.lower.y, r.upper.y, side_),
               chunksAlong(r.lower.z, r.upper.z, side_)};
    pending_.assign(chunkCount(), 0);
    invalidateAll();
}

void ChunkMeshes::setKind(SurfaceKind kind) {
    if (kind == kind_) return;
    kind_ = kind;
    invalidateAll();
}

void ChunkMeshes::invalidateAll() {
    for (uint32_t c = 0; c < chunkCount(); ++c) mark(c);
}

void ChunkMeshes::mark(uint32_t chunk) {
    if (pending_[chunk]) return;
    pending_[chunk] = 1;
    pendingList_.push_back(chunk);
}

Region ChunkMeshes::chunkRegion(uint32_t chunk) const {
    const Region& r = volume_.region();
    const int32_t cx = int32_t(chunk % uint32_t(counts_.x));
    const int32_t cy = int32_t(chunk / uint32_t(counts_.x) % uint32_t(counts_.y));
    const int32_t cz = int32_t(chunk / (uint32_t(counts_.x) * uint32_t(counts_.y)));
    auto along = [&](int32_t lower, int32_t upper, int32_t c, int32_t& lo, int32_t& hi) {
        lo = int32_t(int64_t(lower) + int64_t(c) * side_);
        // The last position of the chunk plus the voxel after it.
        hi = int32_t(std::min<int64_t>(upper, int64_t(lo) + side_));
    };
    Region region;
    along(r.lower.x, r.upper.x, cx, region.lower.x, region.upper.x);
    along(r.lower.y, r.upper.y, cy, region.lower.y, region.upper.y);
    along(r.lower.z, r.upper.z, cz, region.lower.z, region.upper.z);
    return region;
}

// Marks the chunks whose positions or cells the voxels of `changed` reach.
void ChunkMeshes::markReach(const Region& changed) {
    const Region& r = volume_.region();
    auto range = [&](int32_t lower, int32_t upper, int32_t lo, int32_t hi, int32_t count,
                     int32_t& first, int32_t& last) {
        const int64_t from = std::max<int64_t>(lower, int64_t(lo) - kChangeReachBelow);
        const int64_t to = std::min<int64_t>(int64_t(upper) - 1, int64_t(hi) + kChangeReachAbove);
        first = int32_t(std::clamp<int64_t>((from - lower) / side_, 0, count - 1));
        last = int32_t(std::clamp<int64_t>((std::max(from, to) - lower) / side_, 0, count - 1));
    };
    int32_t x0, x1, y0, y1, z0, z1;
    range(r.lower.x, r.upper.x, changed.lower.x, changed.upper.x, counts_.x, x0, x1);
    range(r.lower.y, r.upper.y, changed.lower.y, changed.upper.y, counts_.y, y0, y1);
    range(r.lower.z, r.upper.z, changed.lower.z, changed.upper.z, counts_.z, z0, z1);
    for (int32_t z = z0; z <= z1; ++z)
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x)
                mark(uint32_t(x) + uint32_t(counts_.x) * (uint32_t(y) + uint32_t(counts_.y) * z));
}

void ChunkMeshes::extract(uint32_t chunk) {
    const Region region = chunkRegion(chunk);
    const Vec3i& origin = volume_.region().lower;
    if (kind_ == SurfaceKind::Cubic) {
        CubicExtractor(volume_, region, scratch_).execute();
        // Whole numbers and halves: the shift is exact.
        const Vec3f shift{float(int64_t(region.lower.x) - origin.x),
                          float(int64_t(region.lower.y) - origin.y),
                          float(int64_t(region.lower.z) - origin.z)};
        if (shift.x != 0 || shift.y != 0 || shift.z != 0)
            for (MeshVertex& v : scratch_.vertices) {
                v.pos.x += shift.x;
                v.pos.y += shift.y;
                v.pos.z += shift.z;
            }
    } else {
        SmoothExtractor smooth(volume_, region, scratch_, threshold_);
        smooth.setOrigin(origin);
        smooth.execute();
    }
}

size_t ChunkMeshes::update(const Receiver& receiver) {
    changes_.clear();
    volume_.takeChanges(changes_);
    for (const ChangedBlock& changed : changes_) {
        uint64_t bits = changed.subCubes;
        while (bits) {
            const int bit = __builtin_ctzll(bits);
            bits &= bits - 1;
            markReach(volume_.subCubeRegion(changed.slot, bit));
        }
    }
    std::vector<uint32_t> work;
    work.swap(pendingList_);
    std::sort(work.begin(), work.end());
    size_t done = 0;
    try {
        for (; done < work.size(); ++done) {
            const uint32_t chunk = work[done];
            extract(chunk);
            receiver(chunk, scratch_);
            pending_[chunk] = 0;
        }
    } catch (...) {
        // Out of memory, most likely: the chunks not yet handed over wait
        // for the next update.
        for (size_t i = done; i < work.size(); ++i) {
            pending_[work[i]] = 0;
            mark(work[i]);
        }
        throw;
    }
    return work.size();
}

}  // namespace cubalorn
