#pragma once
// The one voxel grid the program draws into: a fixed region stored in cubic
// blocks, every block allocated up front; reads outside the region give 0.

#include <cstdint>
#include <memory>
#include <string>

#include "voxel/region.h"
#include "voxel/voxel.h"

namespace cubalorn {

// Index of the only set bit; throws invalid_argument for 0 or a non-power of two.
uint8_t log2OfPowerOfTwo(uint32_t value);

class VoxelBlock {
public:
    void initialise(uint16_t sideLength);

    uint16_t sideLength() const { return sideLength_; }
    uint8_t sideLengthPower() const { return sideLengthPower_; }
    Voxel* voxels() { return voxels_.get(); }
    const Voxel* voxels() const { return voxels_.get(); }
    // Number of voxels whose raw value is not 0, kept by VoxelVolume::setVoxel
    // so that extractors can skip empty blocks.
    uint32_t nonZeroCount() const { return nonZeroCount_; }

private:
    friend class VoxelVolume;
    friend class VoxelCursor;
    std::unique_ptr<Voxel[]> voxels_;
    uint16_t sideLength_ = 0;
    uint8_t sideLengthPower_ = 0;
    uint32_t nonZeroCount_ = 0;
};

// The machine's physical memory in bytes (UINT64_MAX when unknown).
uint64_t physicalMemoryBytes();

class VoxelVolume {
public:
    // Throws invalid_argument for a bad block side length, an empty or
    // inverted region, or a region too large to address; bad_alloc when the
    // memory is not there.
    // `memoryLimit` bounds the bytes the blocks may take (default: the
    // machine's physical memory), so that an oversized volume is refused
    // with a message instead of the process being killed while zeroing it.
    VoxelVolume(const Region& region, uint16_t blockSideLength,
                uint64_t memoryLimit = physicalMemoryBytes());

    Voxel voxel(int32_t x, int32_t y, int32_t z) const {
        if (!region_.contains(x, y, z)) return Voxel();
        return blockAt(x, y, z).voxels_[localIndex(x, y, z)];
    }
    // Writes outside the region are dropped: nothing may reach past the volume.
    void setVoxel(int32_t x, int32_t y, int32_t z, Voxel value) {
        if (!region_.contains(x, y, z)) return;
        VoxelBlock& block = blockAt(x, y, z);
        Voxel& slot = block.voxels_[localIndex(x, y, z)];
        block.nonZeroCount_ += (value.raw != 0) - (slot.raw != 0);
        slot = value;
    }
    // Every voxel back to 0.
    void clear();

    const Region& region() const { return region_; }
    int32_t width() const { return region_.width(); }
    int32_t height() const { return region_.height(); }
    int32_t depth() const { return region_.depth(); }

    uint16_t blockSideLength() const { return blockSideLength_; }
    uint8_t blockSideLengthPower() const { return blockSideLengthPower_; }
    const Region& regionInBlocks() const { return regionInBlocks_; }
    uint16_t widthInBlocks() const { return widthInBlocks_; }
    uint16_t heightInBlocks() const { return heightInBlocks_; }
    uint16_t depthInBlocks() const { return depthInBlocks_; }
    uint32_t blockCount() const { return blockCount_; }
    int32_t longestSide() const { return longestSide_; }
    int32_t shortestSide() const { return shortestSide_; }
    float diagonalLength() const { return diagonalLength_; }

    // Block by block coordinates (voxel coordinates shifted right by the power).
    // The coordinates must lie in regionInBlocks().
    const VoxelBlock& block(int32_t bx, int32_t by, int32_t bz) const {
        return blocks_[blockIndex(bx, by, bz)];
    }
    const Voxel* borderVoxels() const { return borderVoxels_.get(); }

private:
    friend class VoxelCursor;
    uint32_t blockIndex(int32_t bx, int32_t by, int32_t bz) const {
        return static_cast<uint32_t>(bx - regionInBlocks_.lower.x) +
               widthInBlocks_ *
                   (static_cast<uint32_t>(by - regionInBlocks_.lower.y) +
                    heightInBlocks_ * static_cast<uint32_t>(bz - regionInBlocks_.lower.z));
    }
    VoxelBlock& blockAt(int32_t x, int32_t y, int32_t z) const {
        return blocks_[blockIndex(x >> blockSideLengthPower_, y >> blockSideLengthPower_,
                                  z >> blockSideLengthPower_)];
    }
    uint32_t localIndex(int32_t x, int32_t y, int32_t z) const {
        const int32_t mask = blockSideLength_ - 1;
        return static_cast<uint32_t>(x & mask) +
               blockSideLength_ * (static_cast<uint32_t>(y & mask) +
                                   blockSideLength_ * static_cast<uint32_t>(z & mask));
    }

    Region region_;
    uint16_t blockSideLength_ = 0;
    uint8_t blockSideLengthPower_ = 0;
    Region regionInBlocks_;
    uint16_t widthInBlocks_ = 0;
    uint16_t heightInBlocks_ = 0;
    uint16_t depthInBlocks_ = 0;
    uint32_t blockCount_ = 0;
    std::unique_ptr<VoxelBlock[]> blocks_;
    std::unique_ptr<Voxel[]> borderVoxels_;
    int32_t longestSide_ = 0;
    int32_t shortestSide_ = 0;
    float diagonalLength_ = 0;
};

// Read cursor for the smooth extractor: neighbour reads inside the current
// block go by fixed offsets, across a block face through VoxelVolume::voxel.
class VoxelCursor {
public:
    explicit VoxelCursor(const VoxelVolume& volume) : volume_(&volume) {}

    void setPosition(int32_t x, int32_t y, int32_t z) {
        x_ = x;
        y_ = y;
        z_ = z;
        const VoxelVolume& v = *volume_;
        const uint32_t offset = v.localIndex(x, y, z);
        inRegion_ = v.region_.contains(x, y, z);
        if (inRegion_) {
            current_ = v.blockAt(x, y, z).voxels_.get() + offset;
        } else {
            current_ = v.borderVoxels_.get() + offset;
        }
        const int32_t mask = v.blockSideLength_ - 1;
        lx_ = x & mask;
        ly_ = y & mask;
        lz_ = z & mask;
    }
    Voxel value() const { return *current_; }

    // The voxel at (x+DX, y+DY, z+DZ), each offset -1, 0 or +1.
    template <int DX, int DY, int DZ>
    Voxel peek() const {
        static_assert(DX >= -1 && DX <= 1 && DY >= -1 && DY <= 1 && DZ >= -1 && DZ <= 1,
                      "neighbour offsets are -1, 0 or +1");
        const int32_t side = volume_->blockSideLength_;
        // Block storage outside the region is never written, so inside a
        // block the fixed offset gives the border value 0 there too.
        if (inRegion_ && inBlock<DX>(lx_, side) && inBlock<DY>(ly_, side) &&
            inBlock<DZ>(lz_, side)) {
            return current_[DX + side * (DY + side * DZ)];
        }
        return volume_->voxel(x_ + DX, y_ + DY, z_ + DZ);
    }

private:
    template <int D>
    static bool inBlock(int32_t local, int32_t side) {
        if (D > 0) return local + 1 < side;
        if (D < 0) return local > 0;
        return true;
    }

    const VoxelVolume* volume_;
    const Voxel* current_ = nullptr;
    int32_t x_ = 0, y_ = 0, z_ = 0;
    int32_t lx_ = 0, ly_ = 0, lz_ = 0;
    bool inRegion_ = false;
};

}  // namespace cubalorn
