// The volume's blocks are shared and copy-on-write: these tests pin what
// that must never change (every voxel reads as written, the border reads 0,
// every change is reported) and what it is for (memory in proportion to
// what is drawn).

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "voxel/volume.h"

namespace cubalorn {
namespace {

// Boxes of one value (0 among them) written voxel by voxel or a row at a
// time, over a region with a negative corner and no multiple of the block
// size: blocks fill up, go back to a shared block when the changes are
// taken, are split again and emptied. Against a dense model, every voxel
// (and the border) must read as written, and every voxel that differs from
// what it held when the changes were last taken must lie in a sub-cube the
// changes name.
TEST(BlockStore, ReadsAndChangesFollowEveryWrite) {
    const Region r{{-9, -3, -17}, {40, 20, 30}};
    VoxelVolume v(r, 8);
    const size_t count = size_t(r.width()) * r.height() * r.depth();
    std::vector<uint16_t> model(count, 0), taken(count, 0);
    auto at = [&](int x, int y, int z) {
        return size_t(x - r.lower.x) +
               size_t(r.width()) * (size_t(y - r.lower.y) + size_t(r.height()) * (z - r.lower.z));
    };
    std::mt19937 rng(11);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const uint16_t values[] = {0, 0, 0xFF01, 0xFF02, 0x7F03, 0x0100};
    std::vector<ChangedBlock> changes;
    for (int k = 0; k < 150; ++k) {
        const uint16_t value = values[pick(0, 5)];
        const int x0 = pick(r.lower.x - 2, r.upper.x), y0 = pick(r.lower.y - 2, r.upper.y),
                  z0 = pick(r.lower.z - 2, r.upper.z);
        const int x1 = x0 + pick(0, 24), y1 = y0 + pick(0, 24), z1 = z0 + pick(0, 24);
        for (int z = z0; z <= z1; ++z)
            for (int y = y0; y <= y1; ++y) {
                if (k % 2)
                    v.fillRow(y, z, x0, x1, Voxel(value));
                else
                    for (int x = x0; x <= x1; ++x) v.setVoxel(x, y, z, Voxel(value));
                for (int x = x0; x <= x1; ++x)
                    if (r.contains(x, y, z)) model[at(x, y, z)] = value;
            }
        if (k == 75) {
            v.clear();
            std::fill(model.begin(), model.end(), 0);
        }
        for (int z = r.lower.z - 1; z <= r.upper.z + 1; ++z)
            for (int y = r.lower.y - 1; y <= r.upper.y + 1; ++y)
                for (int x = r.lower.x - 1; x <= r.upper.x + 1; ++x)
                    ASSERT_EQ(v.voxel(x, y, z).raw, r.contains(x, y, z) ? model[at(x, y, z)] : 0)
                        << "(" << x << ", " << y << ", " << z << ") after box " << k;
        if (k % 3 != 0) continue;
        changes.clear();
        v.takeChanges(changes);
        std::vector<uint64_t> named(v.blockCount(), 0);
        for (const ChangedBlock& c : changes) named[c.slot] |= c.subCubes;
        for (int z = r.lower.z; z <= r.upper.z; ++z)
            for (int y = r.lower.y; y <= r.upper.y; ++y)
                for (int x = r.lower.x; x <= r.upper.x; ++x) {
                    if (model[at(x, y, z)] == taken[at(x, y, z)]) continue;
                    taken[at(x, y, z)] = model[at(x, y, z)];
                    const Vec3i lo = v.regionInBlocks().lower;
                    const uint32_t slot =
                        uint32_t((x >> 3) - lo.x) +
                        v.widthInBlocks() * (uint32_t((y >> 3) - lo.y) +
                                             v.heightInBlocks() * uint32_t((z >> 3) - lo.z));
                    const int bit = ((x & 7) >> 1) | (((y & 7) >> 1) << 2) | (((z & 7) >> 1) << 4);
                    ASSERT_TRUE((named[slot] >> bit) & 1)
                        << "(" << x << ", " << y << ", " << z << ") changed unnamed, box " << k;
                }
        for (uint32_t b = 0; b < v.blockCount(); ++b) {
            // The counts extractors skip empty blocks by.
            const VoxelBlock block = v.blockInSlot(b);
            uint32_t nonZero = 0;
            for (int i = 0; i < 8 * 8 * 8; ++i) nonZero += block.voxels()[i].raw != 0;
            ASSERT_EQ(block.nonZeroCount(), nonZero) << "block " << b << " after box " << k;
        }
    }
    // Blocks wholly inside the region that hold one value are shared.
    EXPECT_LT(v.privateBlockCount(), v.blockCount());
}

// Memory follows the drawing, not the region; a write that leaves a block
// as it was allocates nothing; an emptied or filled block goes back to a
// shared one when the changes are taken.
TEST(BlockStore, MemoryFollowsWhatIsDrawn) {
    VoxelVolume v(Region{{0, 0, 0}, {4095, 255, 4095}}, 32, uint64_t(1) << 30);
    const uint64_t empty = v.memoryBytes();
    EXPECT_LT(empty, uint64_t(8) << 20);
    EXPECT_EQ(v.privateBlockCount(), 0u);
    auto wholeBlock = [](VoxelVolume& w) {
        for (int z = 320; z < 352; ++z)
            for (int y = 32; y < 64; ++y) w.fillRow(y, z, 0, 31, Voxel(0xFF07));
    };
    const struct {
        const char* what;
        void (*draw)(VoxelVolume&);
        uint32_t privateBlocks;  // after the changes are taken
        bool mayAllocate;
    } cases[] = {
        {"one voxel", [](VoxelVolume& w) { w.setVoxel(100, 100, 100, Voxel(0xFF01)); }, 1, true},
        {"the same value again", [](VoxelVolume& w) { w.setVoxel(100, 100, 100, Voxel(0xFF01)); },
         1, false},
        {"0 on empty blocks", [](VoxelVolume& w) { w.fillRow(3, 9, 0, 4095, Voxel()); }, 1, false},
        {"across a block corner",
         [](VoxelVolume& w) {
             for (int d = -1; d <= 0; ++d) w.setVoxel(64 + d, 64 + d, 64 + d, Voxel(0xFF02));
         },
         3, true},
        {"a whole block of one value", wholeBlock, 3, true},
        {"that block but one voxel", [](VoxelVolume& w) { w.setVoxel(5, 40, 330, Voxel(0xFF08)); },
         4, true},
        {"that voxel back", [](VoxelVolume& w) { w.setVoxel(5, 40, 330, Voxel(0xFF07)); }, 3,
         false},
        {"the first voxel erased", [](VoxelVolume& w) { w.setVoxel(100, 100, 100, Voxel()); }, 2,
         false},
        {"clear", [](VoxelVolume& w) { w.clear(); }, 0, false},
    };
    std::vector<ChangedBlock> changes;
    for (const auto& c : cases) {
        const uint64_t before = v.allocatedBlockBytes();
        c.draw(v);
        if (!c.mayAllocate) {
            EXPECT_LE(v.allocatedBlockBytes(), before) << c.what;
        }
        v.takeChanges(changes);
        EXPECT_EQ(v.privateBlockCount(), c.privateBlocks) << c.what;
    }
    EXPECT_EQ(v.voxel(10, 40, 340).raw, 0);
    EXPECT_EQ(v.memoryBytes(), empty);
}

}  // namespace
}  // namespace cubalorn
