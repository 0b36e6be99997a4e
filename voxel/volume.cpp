#include "voxel/volume.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

namespace cubalorn {

namespace {

bool isPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

std::string describe(const Region& r) {
    return "(" + std::to_string(r.lower.x) + ", " + std::to_string(r.lower.y) + ", " +
           std::to_string(r.lower.z) + ") to (" + std::to_string(r.upper.x) + ", " +
           std::to_string(r.upper.y) + ", " + std::to_string(r.upper.z) + ")";
}

// "MemAvailable:   123456 kB" from /proc/meminfo, in bytes; 0 when unknown.
uint64_t availableMemoryBytes() {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (f == nullptr) return 0;
    char line[256];
    uint64_t bytes = 0;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        unsigned long long kib = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
            bytes = uint64_t(kib) * 1024;
            break;
        }
    }
    std::fclose(f);
    return bytes;
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

uint64_t physicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return UINT64_MAX;
    return uint64_t(pages) * uint64_t(pageSize);
}

uint64_t defaultBlockMemoryLimit() {
    if (const uint64_t available = availableMemoryBytes(); available > 0) return available / 4 * 3;
    const uint64_t physical = physicalMemoryBytes();
    return physical == UINT64_MAX ? physical : physical / 2;
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
    // Region::width() and the turtle's sizes are 32-bit.
    if (w > INT32_MAX || h > INT32_MAX || d > INT32_MAX)
        throw std::invalid_argument("Volume region " + describe(region) +
                                    " is too large: at most 2147483647 voxels per axis");

    region_ = region;
    blockSideLength_ = blockSideLength;
    blockSideLengthPower_ = log2OfPowerOfTwo(blockSideLength);
    voxelsPerBlock_ = uint32_t(blockSideLength) * blockSideLength * blockSideLength;
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
    const uint64_t blocks = uint64_t(widthInBlocks_) * heightInBlocks_ * depthInBlocks_;
    if (blocks > UINT32_MAX)
        throw std::invalid_argument("Volume region " + describe(region) +
                                    " is too large: at most 4294967295 blocks are supported");
    blockCount_ = uint32_t(blocks);
    // The index is all that is allocated up front: one slot and one entry
    // of the change list per block.
    const uint64_t indexBytes = blocks * kIndexBytesPerBlock;
    if (indexBytes + blockAllocationBytes() > memoryLimit)
        throw std::invalid_argument("Volume region " + describe(region) + " needs " +
                                    std::to_string(indexBytes >> 20) +
                                    " MiB for its block index, more than the " +
                                    std::to_string(memoryLimit >> 20) + " MiB of memory available");
    memoryLimit_ = memoryLimit - indexBytes;

    for (int axis = 0; axis < 3; ++axis) {
        for (uint32_t local = 0; local < blockSideLength; ++local) {
            const uint32_t quarter = local / (blockSideLength / 4);
            uint64_t bits = 0;
            for (int bit = 0; bit < 64; ++bit)
                if (uint32_t((bit >> (2 * axis)) & 3) == quarter) bits |= 1ull << bit;
            subCubesAlong_[axis][local] = bits;
        }
    }
    slots_.reset(new BlockSlot[blockCount_]);
    changedSlots_.reserve(blockCount_);
    zeroBlock_ = uniformBlock(Voxel());
    if (zeroBlock_ == nullptr) throw std::bad_alloc();
    // The volume's own reference keeps the empty block alive when no slot
    // holds it.
    for (uint32_t i = 0; i < blockCount_; ++i) {
        slots_[i].block = zeroBlock_;
        retain(zeroBlock_);
    }

    const int32_t sides[3] = {width(), height(), depth()};
    longestSide_ = *std::max_element(sides, sides + 3);
    shortestSide_ = *std::min_element(sides, sides + 3);
    const int64_t sumOfSquares =
        int64_t(sides[0]) * sides[0] + int64_t(sides[1]) * sides[1] + int64_t(sides[2]) * sides[2];
    diagonalLength_ = std::sqrt(static_cast<float>(sumOfSquares));
}

VoxelVolume::~VoxelVolume() {
    for (KeptBlock& k : kept_) releaseBlock(k.block);
    if (slots_)
        for (uint32_t i = 0; i < blockCount_; ++i) releaseBlock(slots_[i].block);
    if (zeroBlock_ != nullptr) releaseBlock(zeroBlock_);
}

Vec3i VoxelVolume::slotBlock(uint32_t slot) const {
    return {regionInBlocks_.lower.x + int32_t(slot % widthInBlocks_),
            regionInBlocks_.lower.y + int32_t(slot / widthInBlocks_ % heightInBlocks_),
            regionInBlocks_.lower.z + int32_t(slot / (uint32_t(widthInBlocks_) * heightInBlocks_))};
}

BlockStorage* VoxelVolume::allocateBlock() {
    if (memoryRefused_) return nullptr;
    if ((allocatedBlocks_ + 1) * blockAllocationBytes() > memoryLimit_) {
        memoryRefused_ = true;
        return nullptr;
    }
    void* memory = ::operator new(blockAllocationBytes(), std::nothrow);
    if (memory == nullptr) {
        memoryRefused_ = true;
        return nullptr;
    }
    ++allocatedBlocks_;
    return new (memory) BlockStorage();
}

void VoxelVolume::releaseBlock(BlockStorage* block) {
    if (--block->references_ != 0) return;
    if (block->uniform_) uniformBlocks_.erase(block->voxels()[0].raw);
    block->~BlockStorage();
    ::operator delete(static_cast<void*>(block));
    --allocatedBlocks_;
}

BlockStorage* VoxelVolume::uniformBlock(Voxel value) {
    if (auto it = uniformBlocks_.find(value.raw); it != uniformBlocks_.end()) {
        retain(it->second);
        return it->second;
    }
    BlockStorage* block = allocateBlock();
    if (block == nullptr) return nullptr;
    std::fill(block->voxels(), block->voxels() + voxelsPerBlock_, value);
    block->uniform_ = true;
    try {
        uniformBlocks_.emplace(value.raw, block);
    } catch (const std::bad_alloc&) {
        block->uniform_ = false;
        releaseBlock(block);
        memoryRefused_ = true;
        return nullptr;
    }
    return block;
}

void VoxelVolume::markChanged(BlockSlot& slot, uint64_t subCubes) {
    if (subCubes == 0) return;
    if (slot.changed == 0) changedSlots_.push_back(uint32_t(&slot - slots_.get()));
    slot.changed |= subCubes;
}

bool VoxelVolume::prepareWrite(BlockSlot& slot) {
    if (recording_ && slot.recordStamp != recordStamp_) {
        // The step keeps the block as it is; the slot gets a copy below.
        retain(slot.block);
        if (!keep(uint32_t(&slot - slots_.get()), slot.block, slot.nonZeroCount)) {
            releaseBlock(slot.block);
            return false;
        }
        slot.recordStamp = recordStamp_;
    }
    BlockStorage* held = slot.block;
    if (held->uniform_ || held->references_ > 1) {
        BlockStorage* copy = allocateBlock();
        if (copy == nullptr) return false;
        std::memcpy(static_cast<void*>(copy->voxels()), held->voxels(), blockBytes());
        slot.block = copy;
        releaseBlock(held);
    }
    // changed is set by the write that follows; listing it here keeps the
    // invariant "listed exactly when changed is not 0".
    if (slot.changed == 0) changedSlots_.push_back(uint32_t(&slot - slots_.get()));
    slot.writeStamp = writeStamp_;
    return true;
}

void VoxelVolume::fillRow(int32_t y, int32_t z, int32_t x0, int32_t x1, Voxel value) {
    if (y < region_.lower.y || y > region_.upper.y || z < region_.lower.z || z > region_.upper.z)
        return;
    x0 = std::max(x0, region_.lower.x);
    x1 = std::min(x1, region_.upper.x);
    const int32_t mask = blockSideLength_ - 1;
    const uint64_t rowSubCubes = subCubesAlong_[1][y & mask] & subCubesAlong_[2][z & mask];
    const uint32_t rowOffset = localIndex(0, y, z);
    const int delta = value.raw != 0;
    for (int64_t x = x0; x <= x1;) {
        const int32_t first = int32_t(x) & mask;
        const int32_t last = int32_t(std::min<int64_t>(x1, x | mask) - (x & ~int64_t(mask)));
        BlockSlot& slot = slotAt(int32_t(x), y, z);
        x += last - first + 1;
        const Voxel* row = slot.block->voxels() + rowOffset;
        int32_t i = first;
        while (i <= last && row[i] == value) ++i;
        if (i > last) continue;  // nothing changes: nothing allocated
        if (slot.writeStamp != writeStamp_ && !prepareWrite(slot)) continue;
        Voxel* target = slot.block->voxels() + rowOffset;
        int32_t count = 0;
        uint64_t written = 0;
        for (; i <= last; ++i) {
            if (target[i] == value) continue;
            count += delta - (target[i].raw != 0);
            target[i] = value;
            written |= subCubesAlong_[0][i];
        }
        slot.nonZeroCount += count;
        slot.changed |= written & rowSubCubes;
    }
}

void VoxelVolume::clear() {
    for (uint32_t i = 0; i < blockCount_; ++i) {
        BlockSlot& slot = slots_[i];
        BlockStorage* held = slot.block;
        if (held == zeroBlock_) continue;
        const bool hadVoxels = slot.nonZeroCount != 0;
        if (recording_ && slot.recordStamp != recordStamp_) {
            // The slot's reference goes to the step; without room for it the
            // block stays.
            if (!keep(i, held, slot.nonZeroCount)) continue;
            slot.recordStamp = recordStamp_;
        } else {
            releaseBlock(held);
        }
        slot.block = zeroBlock_;
        slot.nonZeroCount = 0;
        retain(zeroBlock_);
        slot.writeStamp = 0;
        if (hadVoxels) markChanged(slot, ~0ull);
    }
}

bool VoxelVolume::keep(uint32_t slot, BlockStorage* block, uint32_t nonZeroCount) {
    try {
        kept_.push_back({slot, block, nonZeroCount});
    } catch (const std::bad_alloc&) {
        memoryRefused_ = true;
        return false;
    }
    if (!block->uniform_) recordedBytes_ += blockAllocationBytes();
    if (recordedBytes_ > recordLimit_) abandonRecording();
    return true;
}

void VoxelVolume::abandonRecording() {
    for (KeptBlock& k : kept_) releaseBlock(k.block);
    kept_.clear();
    kept_.shrink_to_fit();
    recordedBytes_ = 0;
    recording_ = false;
    recordingAbandoned_ = true;
}

void VoxelVolume::startRecording(uint64_t byteLimit) {
    for (KeptBlock& k : kept_) releaseBlock(k.block);
    kept_.clear();
    recordedBytes_ = 0;
    recordLimit_ = byteLimit;
    recordingAbandoned_ = false;
    recording_ = true;
    if (++recordStamp_ == 0) {
        for (uint32_t i = 0; i < blockCount_; ++i) slots_[i].recordStamp = 0;
        recordStamp_ = 1;
    }
    // Every block's first write must go by prepareWrite again to be kept.
    nextWriteStamp();
}

std::vector<KeptBlock> VoxelVolume::finishRecording() {
    recording_ = false;
    recordedBytes_ = 0;
    std::vector<KeptBlock> kept;
    kept.swap(kept_);
    return kept;
}

uint64_t VoxelVolume::differingSubCubes(const BlockStorage& a, const BlockStorage& b) const {
    if (&a == &b) return 0;
    const int32_t side = blockSideLength_;
    const int32_t quarter = side / 4;
    uint64_t mask = 0;
    for (int32_t z = 0; z < side; ++z)
        for (int32_t y = 0; y < side; ++y) {
            const size_t row = size_t(side) * (size_t(y) + size_t(side) * size_t(z));
            for (int32_t qx = 0; qx < 4; ++qx) {
                const int bit = qx | ((y / quarter) << 2) | ((z / quarter) << 4);
                if ((mask >> bit) & 1) continue;
                const size_t at = row + size_t(qx * quarter);
                if (std::memcmp(a.voxels() + at, b.voxels() + at, size_t(quarter) * sizeof(Voxel)))
                    mask |= 1ull << bit;
            }
        }
    return mask;
}

void VoxelVolume::exchangeBlock(KeptBlock& kept) {
    BlockSlot& slot = slots_[kept.slot];
    const uint64_t differing = differingSubCubes(*slot.block, *kept.block);
    std::swap(slot.block, kept.block);
    std::swap(slot.nonZeroCount, kept.nonZeroCount);
    slot.writeStamp = 0;
    markChanged(slot, differing);
}

void VoxelVolume::collapseIfUniform(BlockSlot& slot) {
    BlockStorage* held = slot.block;
    if (held->uniform_ || held->references_ != 1) return;
    const Voxel* v = held->voxels();
    Voxel value;
    if (slot.nonZeroCount == voxelsPerBlock_) {
        value = v[0];
        for (uint32_t i = 1; i < voxelsPerBlock_; ++i)
            if (v[i] != value) return;
    } else if (slot.nonZeroCount != 0) {
        return;
    }
    // No room for the shared block is no refusal: the private one serves as well.
    const bool refused = memoryRefused_;
    BlockStorage* shared = uniformBlock(value);
    memoryRefused_ = refused;
    if (shared == nullptr) return;
    slot.block = shared;
    slot.writeStamp = 0;
    releaseBlock(held);
}

void VoxelVolume::takeChanges(std::vector<ChangedBlock>& out) {
    for (uint32_t index : changedSlots_) {
        BlockSlot& slot = slots_[index];
        out.push_back({index, slot.changed});
        slot.changed = 0;
        collapseIfUniform(slot);
    }
    changedSlots_.clear();
    nextWriteStamp();
}

void VoxelVolume::nextWriteStamp() {
    if (++writeStamp_ == 0) {
        for (uint32_t i = 0; i < blockCount_; ++i) slots_[i].writeStamp = 0;
        writeStamp_ = 1;
    }
}

Region VoxelVolume::subCubeRegion(uint32_t slot, int bit) const {
    const Vec3i b = slotBlock(slot);
    const int32_t quarter = blockSideLength_ / 4;
    // Block coordinates are negative below the origin, so scale rather than shift.
    const int32_t side = blockSideLength_;
    Region r;
    r.lower = {b.x * side + (bit & 3) * quarter, b.y * side + ((bit >> 2) & 3) * quarter,
               b.z * side + ((bit >> 4) & 3) * quarter};
    r.upper = {r.lower.x + quarter - 1, r.lower.y + quarter - 1, r.lower.z + quarter - 1};
    r.lower = {std::max(r.lower.x, region_.lower.x), std::max(r.lower.y, region_.lower.y),
               std::max(r.lower.z, region_.lower.z)};
    r.upper = {std::min(r.upper.x, region_.upper.x), std::min(r.upper.y, region_.upper.y),
               std::min(r.upper.z, region_.upper.z)};
    return r;
}

uint32_t VoxelVolume::privateBlockCount() const {
    uint32_t n = 0;
    for (uint32_t i = 0; i < blockCount_; ++i) n += !slots_[i].block->uniform_;
    return n;
}

uint64_t VoxelVolume::memoryBytes() const {
    const uint64_t index = uint64_t(blockCount_) * sizeof(BlockSlot) +
                           uint64_t(changedSlots_.capacity()) * sizeof(uint32_t);
    return index + uint64_t(privateBlockCount() + uniformBlocks_.size()) * blockAllocationBytes();
}

}  // namespace cubalorn
