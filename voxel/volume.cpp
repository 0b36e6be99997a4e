#include "voxel/volume.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace cubalorn {

namespace {

// 2^32 voxels (8 GiB): far beyond any machine this runs on, and the limit of
// the 32-bit block and voxel indices.
constexpr uint64_t kMaxVoxels = uint64_t(1) << 32;

bool isPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

std::string describe(const Region& r) {
    return "(" + std::to_string(r.lower.x) + ", " + std::to_string(r.lower.y) + ", " +
           std::to_string(r.lower.z) + ") to (" + std::to_string(r.upper.x) + ", " +
           std::to_string(r.upper.y) + ", " + std::to_string(r.upper.z) + ")";
}

}  // namespace

uint8_t log2OfPowerOfTwo(uint32_t value) {
    if (value == 0) throw std::invalid_argument("Cannot compute the log of zero.");
    if (!isPowerOfTwo(value))
        throw std::invalid_argument("Input must be a power of two in order to compute the log.");
    uint8_t shifts = 0;
    while (value) {
        value >>= 1;
        ++shifts;
    }
    return static_cast<uint8_t>(shifts - 1);
}

void VoxelBlock::initialise(uint16_t sideLength) {
    if (!isPowerOfTwo(sideLength))
        throw std::invalid_argument("Block side length must be a power of two.");
    sideLength_ = sideLength;
    sideLengthPower_ = log2OfPowerOfTwo(sideLength);
    const size_t count = size_t(sideLength) * sideLength * sideLength;
    voxels_.reset(new Voxel[count]);  // Voxel() is 0
    nonZeroCount_ = 0;
}

uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
    return uint64_t(pages) * uint64_t(pageSize);
}

VoxelVolume::VoxelVolume(const Region& region, uint16_t blockSideLength, uint64_t memoryLimit) {
    if (blockSideLength < 8) throw std::invalid_argument("Block side length should be at least 8");
    if (blockSideLength > 256)
        throw std::invalid_argument("Block side length should not be more than 256");
    if (!isPowerOfTwo(blockSideLength))
        throw std::invalid_argument("Block side length must be a power of two.");

    const int64_t w = int64_t(region.upper.x) - region.lower.x + 1;
    const int64_t h = int64_t(region.upper.y) - region.lower.y + 1;
    const int64_t d = int64_t(region.upper.z) - region.lower.z + 1;
    if (w < 1 || h < 1 || d < 1)
        throw std::invalid_argument(
            "Volume region " + describe(region) +
            " is empty: every upper coordinate must be at least its lower one");
    if (uint64_t(w) * uint64_t(h) * uint64_t(d) > kMaxVoxels)
        throw std::invalid_argument("Volume region " + describe(region) +
                                    " is too large: at most 4294967296 voxels are supported");

    region_ = region;
    blockSideLength_ = blockSideLength;
    blockSideLengthPower_ = log2OfPowerOfTwo(blockSideLength);
    // Shifts rather than division, so that a negative lower corner addresses
    // the same blocks as the lookups in voxel() (identical for the usual
    // non-negative regions).
    const uint8_t p = blockSideLengthPower_;
    regionInBlocks_.lower = {region.lower.x >> p, region.lower.y >> p, region.lower.z >> p};
    regionInBlocks_.upper = {region.upper.x >> p, region.upper.y >> p, region.upper.z >> p};
    if (regionInBlocks_.width() > 65535 || regionInBlocks_.height() > 65535 ||
        regionInBlocks_.depth() > 65535)
        throw std::invalid_argument("Volume region " + describe(region) +
                                    " is too large: at most 65535 blocks per axis are supported");
    widthInBlocks_ = static_cast<uint16_t>(regionInBlocks_.width());
    heightInBlocks_ = static_cast<uint16_t>(regionInBlocks_.height());
    depthInBlocks_ = static_cast<uint16_t>(regionInBlocks_.depth());
    blockCount_ = uint32_t(widthInBlocks_) * heightInBlocks_ * depthInBlocks_;
    const uint64_t bytes =
        uint64_t(blockCount_) * blockSideLength * blockSideLength * blockSideLength * sizeof(Voxel);
    if (bytes > memoryLimit)
        throw std::invalid_argument("Volume region " + describe(region) + " needs " +
                                    std::to_string(bytes >> 20) + " MiB, more than the " +
                                    std::to_string(memoryLimit >> 20) + " MiB of memory available");

    blocks_.reset(new VoxelBlock[blockCount_]);
    for (uint32_t i = 0; i < blockCount_; ++i) blocks_[i].initialise(blockSideLength);
    const size_t borderCount = size_t(blockSideLength) * blockSideLength * blockSideLength;
    borderVoxels_.reset(new Voxel[borderCount]);

    const int32_t sides[3] = {width(), height(), depth()};
    longestSide_ = *std::max_element(sides, sides + 3);
    shortestSide_ = *std::min_element(sides, sides + 3);
    const int64_t sumOfSquares =
        int64_t(sides[0]) * sides[0] + int64_t(sides[1]) * sides[1] + int64_t(sides[2]) * sides[2];
    diagonalLength_ = std::sqrt(static_cast<float>(sumOfSquares));
}

void VoxelVolume::clear() {
    const size_t count = size_t(blockSideLength_) * blockSideLength_ * blockSideLength_;
    for (uint32_t i = 0; i < blockCount_; ++i) {
        if (blocks_[i].nonZeroCount_ == 0) continue;
        std::memset(static_cast<void*>(blocks_[i].voxels_.get()), 0, count * sizeof(Voxel));
        blocks_[i].nonZeroCount_ = 0;
    }
}

}  // namespace cubalorn
