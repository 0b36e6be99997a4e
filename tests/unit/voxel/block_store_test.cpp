// The volume's blocks are shared and copy-on-write: these tests pin what
// that must never change (every voxel reads as written, the border reads 0)
// and what it is for (memory in proportion to what is drawn, refusals
// instead of a killed process, changes reported block by block).

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "voxel/volume.h"

namespace cubalorn {
namespace {

Region box(int ux, int uy, int uz) {
    return Region{{0, 0, 0}, {ux, uy, uz}};
}

// Dense model of a volume: what every voxel must read.
struct Model {
    explicit Model(const Region& r)
        : region(r), voxels(size_t(r.width()) * r.height() * r.depth()) {}
    uint16_t& at(int x, int y, int z) {
        return voxels[size_t(x - region.lower.x) +
                      size_t(region.width()) * (size_t(y - region.lower.y) +
                                                size_t(region.height()) * (z - region.lower.z))];
    }
    Region region;
    std::vector<uint16_t> voxels;
};

::testing::AssertionResult matches(const VoxelVolume& v, Model& m) {
    const Region& r = v.region();
    for (int z = r.lower.z - 1; z <= r.upper.z + 1; ++z)
        for (int y = r.lower.y - 1; y <= r.upper.y + 1; ++y)
            for (int x = r.lower.x - 1; x <= r.upper.x + 1; ++x) {
                const uint16_t expected = r.contains(x, y, z) ? m.at(x, y, z) : 0;
                if (v.voxel(x, y, z).raw != expected)
                    return ::testing::AssertionFailure()
                           << "(" << x << ", " << y << ", " << z << ") reads "
                           << v.voxel(x, y, z).raw << ", expected " << expected;
            }
    return ::testing::AssertionSuccess();
}

// Boxes of one value, some of them 0, over a region that is not a multiple
// of the block size and has a negative corner: blocks fill up, collapse to
// a shared block, are split again and emptied. After every box (and every
// taking of the changes, which collapses) each voxel reads as written.
TEST(BlockStore, EveryVoxelReadsAsWrittenThroughSharingAndCollapsing) {
    const Region r{{-9, -3, -17}, {40, 20, 30}};
    VoxelVolume v(r, 8);
    Model m(r);
    std::mt19937 rng(11);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const uint16_t values[] = {0, 0x0000, 0xFF01, 0xFF02, 0x7F03, 0x0100};
    std::vector<ChangedBlock> changes;
    for (int k = 0; k < 120; ++k) {
        const uint16_t value = values[pick(0, 5)];
        const int x0 = pick(r.lower.x - 2, r.upper.x), y0 = pick(r.lower.y - 2, r.upper.y),
                  z0 = pick(r.lower.z - 2, r.upper.z);
        const int x1 = x0 + pick(0, 24), y1 = y0 + pick(0, 24), z1 = z0 + pick(0, 24);
        for (int z = z0; z <= z1; ++z)
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    v.setVoxel(x, y, z, Voxel(value));
                    if (r.contains(x, y, z)) m.at(x, y, z) = value;
                }
        if (k % 3 == 0) v.takeChanges(changes);
        ASSERT_TRUE(matches(v, m)) << "after box " << k;
        if (k == 60) {
            v.clear();
            std::fill(m.voxels.begin(), m.voxels.end(), 0);
            ASSERT_TRUE(matches(v, m)) << "after clear";
        }
    }
    // Blocks wholly inside the region that hold one value are shared.
    v.takeChanges(changes);
    EXPECT_LT(v.privateBlockCount(), v.blockCount());
}

// The sub-cubes where a voxel differs from what it held when the changes
// were last taken: what the changes taken must name (they may name more).
::testing::AssertionResult changesCover(const VoxelVolume& v, std::vector<uint16_t>& before,
                                        const std::vector<ChangedBlock>& changes) {
    std::vector<uint64_t> named(v.blockCount(), 0);
    for (const ChangedBlock& c : changes) named[c.slot] |= c.subCubes;
    const Region& r = v.region();
    size_t i = 0;
    for (int z = r.lower.z; z <= r.upper.z; ++z)
        for (int y = r.lower.y; y <= r.upper.y; ++y)
            for (int x = r.lower.x; x <= r.upper.x; ++x, ++i) {
                const uint16_t now = v.voxel(x, y, z).raw;
                if (now == before[i]) continue;
                before[i] = now;
                const int p = v.blockSideLengthPower(), q = p - 2, mask = (1 << p) - 1;
                const Vec3i b{x >> p, y >> p, z >> p};
                const Vec3i lo = v.regionInBlocks().lower;
                const uint32_t slot =
                    uint32_t(b.x - lo.x) +
                    v.widthInBlocks() *
                        (uint32_t(b.y - lo.y) + v.heightInBlocks() * uint32_t(b.z - lo.z));
                const int bit =
                    ((x & mask) >> q) | (((y & mask) >> q) << 2) | (((z & mask) >> q) << 4);
                if (!((named[slot] >> bit) & 1))
                    return ::testing::AssertionFailure()
                           << "(" << x << ", " << y << ", " << z << ") changed unnamed";
            }
    return ::testing::AssertionSuccess();
}

// A row written at once must leave what writing its voxels one by one
// leaves: the voxels, the counts, changes that name every voxel changed,
// and under a memory limit the same refusals.
TEST(BlockStore, RowsWriteWhatSingleWritesWould) {
    const Region r{{-9, -3, -17}, {70, 20, 30}};
    const uint64_t block = sizeof(BlockStorage) + 16 * 16 * 16 * 2;
    const size_t voxels = size_t(r.width()) * r.height() * r.depth();
    // 6 x 3 x 4 blocks of 16: without a limit, and with room for ten.
    for (const uint64_t limit :
         {uint64_t(1) << 30, 72 * VoxelVolume::kIndexBytesPerBlock + 10 * block}) {
        int refusals = 0;
        VoxelVolume rows(r, 16, limit), single(r, 16, limit);
        std::vector<uint16_t> rowsBefore(voxels, 0), singleBefore(voxels, 0);
        std::mt19937 rng(3);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        std::vector<ChangedBlock> changes;
        for (int k = 0; k < 400; ++k) {
            const int y = pick(r.lower.y - 1, r.upper.y + 1),
                      z = pick(r.lower.z - 1, r.upper.z + 1);
            const int x0 = pick(r.lower.x - 20, r.upper.x), x1 = x0 + pick(-2, 60);
            const Voxel value(uint16_t(pick(0, 3) == 0 ? 0 : 0xFF00 | pick(1, 3)));
            rows.fillRow(y, z, x0, x1, value);
            for (int x = x0; x <= x1; ++x) single.setVoxel(x, y, z, value);
            const bool refused = rows.takeMemoryRefusal();
            ASSERT_EQ(refused, single.takeMemoryRefusal()) << "row " << k;
            refusals += refused;
            if (k % 7 == 0) {
                changes.clear();
                rows.takeChanges(changes);
                ASSERT_TRUE(changesCover(rows, rowsBefore, changes)) << "rows, row " << k;
                changes.clear();
                single.takeChanges(changes);
                ASSERT_TRUE(changesCover(single, singleBefore, changes)) << "single, row " << k;
            }
        }
        for (int z = r.lower.z; z <= r.upper.z; ++z)
            for (int y = r.lower.y; y <= r.upper.y; ++y)
                for (int x = r.lower.x; x <= r.upper.x; ++x)
                    ASSERT_EQ(rows.voxel(x, y, z), single.voxel(x, y, z))
                        << x << " " << y << " " << z;
        for (uint32_t b = 0; b < rows.blockCount(); ++b)
            EXPECT_EQ(rows.blockInSlot(b).nonZeroCount(), single.blockInSlot(b).nonZeroCount());
        EXPECT_EQ(refusals > 0, limit < (uint64_t(1) << 30));
    }
}

// Memory follows the drawing, not the region; a write that leaves a block
// as it was allocates nothing; an emptied or filled block goes back to a
// shared one when the changes are taken.
TEST(BlockStore, MemoryFollowsWhatIsDrawn) {
    VoxelVolume v(box(4095, 255, 4095), 32, uint64_t(1) << 30);
    const uint64_t empty = v.memoryBytes();
    EXPECT_LT(empty, uint64_t(8) << 20);
    EXPECT_EQ(v.privateBlockCount(), 0u);

    struct Case {
        const char* what;
        void (*draw)(VoxelVolume&);
        uint32_t privateBlocks;  // after the changes are taken
        bool mayAllocate;
    };
    const Case cases[] = {
        {"one voxel", [](VoxelVolume& w) { w.setVoxel(100, 100, 100, Voxel(0xFF01)); }, 1, true},
        {"the same value again", [](VoxelVolume& w) { w.setVoxel(100, 100, 100, Voxel(0xFF01)); },
         1, false},
        {"0 on empty blocks", [](VoxelVolume& w) { w.setVoxel(2000, 3, 9, Voxel()); }, 1, false},
        {"across a block corner",
         [](VoxelVolume& w) {
             for (int d = -1; d <= 0; ++d) w.setVoxel(64 + d, 64 + d, 64 + d, Voxel(0xFF02));
         },
         3, true},
        {"a whole block of one value",
         [](VoxelVolume& w) {
             for (int z = 320; z < 352; ++z)
                 for (int y = 32; y < 64; ++y)
                     for (int x = 0; x < 32; ++x) w.setVoxel(x, y, z, Voxel(0xFF07));
         },
         3, true},
        {"that block but one voxel", [](VoxelVolume& w) { w.setVoxel(5, 40, 330, Voxel(0xFF08)); },
         4, true},
        {"that voxel back", [](VoxelVolume& w) { w.setVoxel(5, 40, 330, Voxel(0xFF07)); }, 3,
         false},
        {"the first voxel erased", [](VoxelVolume& w) { w.setVoxel(100, 100, 100, Voxel()); }, 2,
         false},
        {"clear", [](VoxelVolume& w) { w.clear(); }, 0, false},
    };
    std::vector<ChangedBlock> changes;
    for (const Case& c : cases) {
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

// The memory limit bounds the blocks: a write that needs one more is
// refused (once reported), what was written stays, and freeing blocks lets
// writes through again.
TEST(BlockStore, WritesBeyondTheMemoryLimitAreRefusedAndReportedOnce) {
    const uint64_t block = sizeof(BlockStorage) + 32 * 32 * 32 * 2;
    const Region r = box(127, 31, 31);  // 4 blocks in a row
    const uint64_t index = 4 * VoxelVolume::kIndexBytesPerBlock;
    // The shared empty block and two private ones.
    VoxelVolume v(r, 32, index + 3 * block);
    for (int x = 0; x < 128; ++x) v.setVoxel(x, 1, 1, Voxel(0xFF05));
    EXPECT_TRUE(v.takeMemoryRefusal());
    EXPECT_FALSE(v.takeMemoryRefusal());
    EXPECT_EQ(v.voxel(63, 1, 1).raw, 0xFF05);
    EXPECT_EQ(v.voxel(64, 1, 1).raw, 0);
    EXPECT_EQ(v.privateBlockCount(), 2u);
    // Writes into blocks that are already private go on.
    v.setVoxel(10, 10, 10, Voxel(0xFF06));
    EXPECT_FALSE(v.takeMemoryRefusal());
    EXPECT_EQ(v.voxel(10, 10, 10).raw, 0xFF06);
    v.clear();
    for (int x = 64; x < 128; ++x) v.setVoxel(x, 1, 1, Voxel(0xFF05));
    EXPECT_FALSE(v.takeMemoryRefusal());
    EXPECT_EQ(v.voxel(127, 1, 1).raw, 0xFF05);
}

// Each written block is reported once with the sub-cubes (quarters of the
// side on each axis) it was written in; exchanging a block reports where
// the two differ.
TEST(BlockStore, ChangesNameTheBlocksAndSubCubesWritten) {
    VoxelVolume v(box(63, 63, 63), 32);
    std::vector<ChangedBlock> changes;
    const struct {
        Vec3i voxel;
        uint32_t slot;
        int bit;
    } cases[] = {
        {{0, 0, 0}, 0, 0},
        {{31, 0, 0}, 0, 3},
        {{8, 8, 8}, 0, 1 | 4 | 16},
        {{32, 0, 0}, 1, 0},
        {{40, 63, 0}, 3, 1 | 12},
        {{63, 63, 63}, 7, 63},
        {{7, 15, 24}, 0, 0 | 4 | 48},
    };
    for (const auto& c : cases) {
        changes.clear();
        v.setVoxel(c.voxel.x, c.voxel.y, c.voxel.z, Voxel(0xFF01));
        v.setVoxel(c.voxel.x, c.voxel.y, c.voxel.z, Voxel(0xFF01));  // no change
        v.takeChanges(changes);
        ASSERT_EQ(changes.size(), 1u);
        EXPECT_EQ(changes[0].slot, c.slot);
        EXPECT_EQ(changes[0].subCubes, 1ull << c.bit);
        const Region sub = v.subCubeRegion(c.slot, c.bit);
        EXPECT_TRUE(sub.contains(c.voxel.x, c.voxel.y, c.voxel.z));
        EXPECT_EQ(sub.width(), 8);
    }
    changes.clear();
    v.takeChanges(changes);
    EXPECT_TRUE(changes.empty());
}

}  // namespace
}  // namespace cubalorn
