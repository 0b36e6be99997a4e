#pragma once
// The one voxel grid the program draws into: a fixed region stored in cubic
// blocks; reads outside the region give 0.
//
// Blocks are shared and copy-on-write. A block whose voxels all hold one
// value points at the one shared block of that value (the empty block for
// most of a large world), so memory follows what the volume holds. Every
// slot always points at a full block, so a read is a containment test,
// shifts and an index, whatever the block is. The first write that changes a
// shared block gives its slot a private copy; a private block that is
// uniform again goes back to the shared one when the changes are taken.
//
// The same blocks serve the undo history (a line's step keeps, by
// reference, the blocks the line changed) and the meshing (each slot marks
// the parts of its block written since the marks were last taken).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "voxel/region.h"
#include "voxel/voxel.h"

namespace cubalorn {

// Index of the only set bit; throws invalid_argument for 0 or a non-power of two.
uint8_t log2OfPowerOfTwo(uint32_t value);

// One block's storage: this header, then the voxels in the same allocation,
// x fastest, then y, then z. Shared by every slot (and undo step) that holds
// it; a shared block of one value is never written.
class alignas(16) BlockStorage {
public:
    Voxel* voxels() { return reinterpret_cast<Voxel*>(this + 1); }
    const Voxel* voxels() const { return reinterpret_cast<const Voxel*>(this + 1); }
    bool isUniform() const { return uniform_; }

private:
    friend class VoxelVolume;
    uint32_t references_ = 1;
    bool uniform_ = false;
};
static_assert(sizeof(BlockStorage) == 16, "the voxels start 16 bytes into a block");

// What readers see of one block of the volume: its voxels and how many of
// them are not 0, so that extractors can skip empty blocks.
class VoxelBlock {
public:
    VoxelBlock(const Voxel* voxels, uint32_t nonZeroCount)
        : voxels_(voxels), nonZeroCount_(nonZeroCount) {}
    const Voxel* voxels() const { return voxels_; }
    uint32_t nonZeroCount() const { return nonZeroCount_; }

private:
    const Voxel* voxels_;
    uint32_t nonZeroCount_;
};

// The machine's physical memory in bytes (UINT64_MAX when unknown).
uint64_t physicalMemoryBytes();
// What a volume's blocks may take unless told otherwise: three quarters of
// the memory the system reports available, or half the physical memory.
uint64_t defaultBlockMemoryLimit();

// One block the undo history keeps: the slot it belongs to and one
// reference to the block (given back through VoxelVolume::releaseBlock, or
// exchanged with the slot's block by VoxelVolume::exchangeBlock).
struct KeptBlock {
    uint32_t slot = 0;
    BlockStorage* block = nullptr;
    uint32_t nonZeroCount = 0;
};

// A block written since the changes were last taken, and which of its 64
// sub-cubes (4 x 4 x 4, each a quarter of the block's side) were written.
struct ChangedBlock {
    uint32_t slot = 0;
    uint64_t subCubes = 0;
};

class VoxelVolume {
public:
    // Throws invalid_argument for a bad block side length, an empty or
    // inverted region, or a region whose block index cannot be addressed or
    // held within `memoryLimit`; bad_alloc when the index's memory is not
    // there. `memoryLimit` also bounds every block allocated later: a write
    // that would need a new block beyond it is refused (see
    // takeMemoryRefusal), so that a large drawing stops with a message
    // instead of the process being killed.
    VoxelVolume(const Region& region, uint16_t blockSideLength,
                uint64_t memoryLimit = defaultBlockMemoryLimit());
    ~VoxelVolume();
    VoxelVolume(const VoxelVolume&) = delete;
    VoxelVolume& operator=(const VoxelVolume&) = delete;

    Voxel voxel(int32_t x, int32_t y, int32_t z) const {
        if (!region_.contains(x, y, z)) return Voxel();
        return slotAt(x, y, z).block->voxels()[localIndex(x, y, z)];
    }
    // Writes outside the region are dropped: nothing may reach past the
    // volume. A write of the value already there changes nothing and
    // allocates nothing.
    __attribute__((always_inline)) void setVoxel(int32_t x, int32_t y, int32_t z, Voxel value) {
        if (!region_.contains(x, y, z)) return;
        // Every member is read before the first store, which the compiler
        // must otherwise assume could change them.
        const int32_t mask = blockSideLength_ - 1;
        const int32_t lx = x & mask, ly = y & mask, lz = z & mask;
        const uint64_t subCube =
            subCubesAlong_[0][lx] & subCubesAlong_[1][ly] & subCubesAlong_[2][lz];
        const uint32_t local = localIndex(x, y, z);
        const uint32_t stamp = writeStamp_;
        BlockSlot& slot = slotAt(x, y, z);
        if (slot.block->voxels()[local] == value) return;
        if (__builtin_expect(slot.writeStamp != stamp, 0) && !prepareWrite(slot)) return;
        Voxel& target = slot.block->voxels()[local];
        slot.nonZeroCount += (value.raw != 0) - (target.raw != 0);
        target = value;
        slot.changed |= subCube;
    }
    // setVoxel(x, y, z, value) for x = x0..x1, with the row's region test
    // and each block's lookup done once: what shapes draw a row at a time.
    void fillRow(int32_t y, int32_t z, int32_t x0, int32_t x1, Voxel value);
    // Every voxel back to 0, without allocating.
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
    VoxelBlock block(int32_t bx, int32_t by, int32_t bz) const {
        return blockInSlot(blockIndex(bx, by, bz));
    }
    VoxelBlock blockInSlot(uint32_t slot) const {
        const BlockSlot& s = slots_[slot];
        return VoxelBlock(s.block->voxels(), s.nonZeroCount);
    }
    // Block coordinates of a slot.
    Vec3i slotBlock(uint32_t slot) const;
    const Voxel* borderVoxels() const { return slots_ ? zeroBlock_->voxels() : nullptr; }

    // --- Memory ------------------------------------------------------------
    // Bytes the volume holds: its index, its private blocks and the shared
    // blocks of one value (blocks only the undo history keeps not counted).
    uint64_t memoryBytes() const;
    // Bytes of every block alive, whoever holds it, and the limit on them.
    uint64_t allocatedBlockBytes() const {
        return uint64_t(allocatedBlocks_) * blockAllocationBytes();
    }
    uint64_t memoryLimit() const { return memoryLimit_; }
    uint64_t blockBytes() const { return uint64_t(voxelsPerBlock_) * sizeof(Voxel); }
    // What one block takes in memory: its voxels and its header.
    uint64_t blockAllocationBytes() const { return sizeof(BlockStorage) + blockBytes(); }
    // Index bytes per block: its slot and its room in the list of changes.
    static constexpr uint64_t kIndexBytesPerBlock = 32 + sizeof(uint32_t);
    // Slots holding a private block (the rest point at a shared one).
    uint32_t privateBlockCount() const;
    // True once when a write was refused for want of memory since the last
    // call; writes that need a new block are refused until it is called.
    bool takeMemoryRefusal() {
        if (!memoryRefused_) return false;
        memoryRefused_ = false;
        return true;
    }

    // --- Changes, for meshing -------------------------------------------------
    // Appends the blocks written since the last call with the sub-cubes
    // written in each, forgets them, and turns every private block among
    // them that holds one value back into the shared block of that value.
    void takeChanges(std::vector<ChangedBlock>& out);
    bool hasChanges() const { return !changedSlots_.empty(); }
    // The voxel region of sub-cube `bit` (0..63) of a slot's block, clipped
    // to the volume.
    Region subCubeRegion(uint32_t slot, int bit) const;

    // --- Undo history ------------------------------------------------------------
    // From now on the first change of each block keeps the block as it was
    // (one reference, no copy of the volume) until finishRecording, which
    // hands the kept blocks over. A volume records one line at a time. Once
    // the private blocks kept pass `byteLimit`, the recording is given up:
    // its blocks go back and finishRecording hands over nothing.
    void startRecording(uint64_t byteLimit = UINT64_MAX);
    std::vector<KeptBlock> finishRecording();
    bool recording() const { return recording_; }
    // Whether the last recording was given up for its size.
    bool recordingAbandoned() const { return recordingAbandoned_; }
    // Puts `kept.block` into its slot and hands back the block the slot held
    // there, marking the sub-cubes where the two differ as changed.
    void exchangeBlock(KeptBlock& kept);
    void releaseBlock(BlockStorage* block);

private:
    friend class VoxelCursor;
    // Everything a write touches but the voxel, in one 32-byte slot.
    struct BlockSlot {
        BlockStorage* block = nullptr;
        uint64_t changed = 0;       // sub-cubes written since the changes were taken
        uint32_t writeStamp = 0;    // == writeStamp_: private, kept and listed already
        uint32_t recordStamp = 0;   // == recordStamp_: kept by the running recording
        uint32_t nonZeroCount = 0;  // voxels of the block that are not 0
        uint32_t spare = 0;
    };
    static_assert(sizeof(BlockSlot) + sizeof(uint32_t) == kIndexBytesPerBlock,
                  "the index's size per block");

    uint32_t blockIndex(int32_t bx, int32_t by, int32_t bz) const {
        return static_cast<uint32_t>(bx - regionInBlocks_.lower.x) +
               widthInBlocks_ *
                   (static_cast<uint32_t>(by - regionInBlocks_.lower.y) +
                    heightInBlocks_ * static_cast<uint32_t>(bz - regionInBlocks_.lower.z));
    }
    BlockSlot& slotAt(int32_t x, int32_t y, int32_t z) const {
        return slots_[blockIndex(x >> blockSideLengthPower_, y >> blockSideLengthPower_,
                                 z >> blockSideLengthPower_)];
    }
    uint32_t localIndex(int32_t x, int32_t y, int32_t z) const {
        const int32_t mask = blockSideLength_ - 1;
        return static_cast<uint32_t>(x & mask) +
               blockSideLength_ * (static_cast<uint32_t>(y & mask) +
                                   blockSideLength_ * static_cast<uint32_t>(z & mask));
    }

    // The slow side of setVoxel: keeps the block for the recording, gives the
    // slot a private copy and lists it as changed. False: refused.
    __attribute__((cold, noinline)) bool prepareWrite(BlockSlot& slot);
    BlockStorage* allocateBlock();
    BlockStorage* uniformBlock(Voxel value);  // the shared block of `value`, or null
    void retain(BlockStorage* block) { ++block->references_; }
    void markChanged(BlockSlot& slot, uint64_t subCubes);
    // Where a sub-cube of two blocks' voxels differ.
    uint64_t differingSubCubes(const BlockStorage& a, const BlockStorage& b) const;
    void collapseIfUniform(BlockSlot& slot);
    // Keeps the slot's block (the reference is the caller's) for the running
    // recording.
    bool keep(uint32_t slot, BlockStorage* block, uint32_t nonZeroCount);
    void abandonRecording();
    void nextWriteStamp();

    Region region_;
    uint16_t blockSideLength_ = 0;
    uint8_t blockSideLengthPower_ = 0;
    uint32_t voxelsPerBlock_ = 0;
    Region regionInBlocks_;
    uint16_t widthInBlocks_ = 0;
    uint16_t heightInBlocks_ = 0;
    uint16_t depthInBlocks_ = 0;
    uint32_t blockCount_ = 0;
    std::unique_ptr<BlockSlot[]> slots_;
    std::vector<uint32_t> changedSlots_;  // room for every slot: never reallocates
    // By local coordinate along x, y and z: the sub-cubes in that quarter of
    // the block, so that the three masks share exactly the voxel's sub-cube.
    uint64_t subCubesAlong_[3][256] = {};
    BlockStorage* zeroBlock_ = nullptr;
    std::unordered_map<uint16_t, BlockStorage*> uniformBlocks_;  // by raw value, zero's too
    uint64_t memoryLimit_ = 0;
    uint64_t allocatedBlocks_ = 0;
    bool memoryRefused_ = false;
    uint32_t writeStamp_ = 1;
    bool recording_ = false;
    uint32_t recordStamp_ = 0;
    std::vector<KeptBlock> kept_;
    uint64_t recordedBytes_ = 0;
    uint64_t recordLimit_ = 0;
    bool recordingAbandoned_ = false;
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
            current_ = v.slotAt(x, y, z).block->voxels() + offset;
        } else {
            current_ = v.zeroBlock_->voxels() + offset;
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
        // The voxels of a block that lie outside the region are never
        // written, and only blocks wholly inside it become shared blocks of
        // a value other than 0, so inside a block the fixed offset gives
        // the border value 0 there too.
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
