#include "voxel/volume.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

namespace cubalorn {
namespace {

Region box(int ux, int uy, int uz) {
    return Region{{0, 0, 0}, {ux, uy, uz}};
}

std::string constructionError(const Region& r, uint16_t side) {
    try {
        VoxelVolume v(r, side);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "";
}

TEST(VoxelVolume, RejectsBadBlockSidesAndRegionsWithTheirMessages) {
    EXPECT_EQ(constructionError(box(10, 10, 10), 7), "Block side length should be at least 8");
    EXPECT_EQ(constructionError(box(10, 10, 10), 512),
              "Block side length should not be more than 256");
    EXPECT_EQ(constructionError(box(10, 10, 10), 24), "Block side length must be a power of two.");
    EXPECT_NE(constructionError(box(-1, 10, 10), 32).find("is empty"), std::string::npos);
    EXPECT_NE(constructionError(box(100000, 100000, 100000), 32).find("too large"),
              std::string::npos);
}

TEST(VoxelVolume, RefusesOnlyAnIndexBeyondTheMemoryLimit) {
    // 4096 x 256 x 4096 voxels would take 8 GiB densely; its index of
    // 128 x 8 x 128 blocks takes a few MiB and is all that is allocated.
    const Region huge = box(4095, 255, 4095);
    EXPECT_NO_THROW(VoxelVolume(huge, 32, uint64_t(64) << 20));
    try {
        VoxelVolume v(huge, 32, uint64_t(1) << 20);
        ADD_FAILURE() << "an index beyond the limit was allocated";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Volume region (0, 0, 0) to (4095, 255, 4095) needs 4 MiB for its block "
                  "index, more than the 1 MiB of memory available");
    }
    EXPECT_GT(physicalMemoryBytes(), uint64_t(1) << 20);
    EXPECT_GT(defaultBlockMemoryLimit(), uint64_t(1) << 20);
}

TEST(VoxelVolume, Log2OfPowerOfTwo) {
    EXPECT_EQ(log2OfPowerOfTwo(1), 0);
    EXPECT_EQ(log2OfPowerOfTwo(32), 5);
    EXPECT_EQ(log2OfPowerOfTwo(256), 8);
    EXPECT_THROW(log2OfPowerOfTwo(0), std::invalid_argument);
    EXPECT_THROW(log2OfPowerOfTwo(24), std::invalid_argument);
}

TEST(VoxelVolume, BlockCountsFollowTheInclusiveRegion) {
    VoxelVolume one(box(0, 0, 0), 32);
    EXPECT_EQ(one.blockCount(), 1u);
    EXPECT_EQ(one.width(), 1);
    VoxelVolume cube(box(31, 31, 31), 32);
    EXPECT_EQ(cube.blockCount(), 1u);
    VoxelVolume wider(box(32, 31, 31), 32);
    EXPECT_EQ(wider.widthInBlocks(), 2);
    EXPECT_EQ(wider.blockCount(), 2u);
    VoxelVolume shell(box(100, 60, 100), 32);
    EXPECT_EQ(shell.widthInBlocks(), 4);
    EXPECT_EQ(shell.heightInBlocks(), 2);
    EXPECT_EQ(shell.longestSide(), 101);
    EXPECT_EQ(shell.shortestSide(), 61);
    EXPECT_FLOAT_EQ(shell.diagonalLength(), std::sqrt(101.f * 101 + 61 * 61 + 101 * 101));
}

TEST(VoxelVolume, ReadsWritesAndBorder) {
    VoxelVolume v(box(100, 60, 100), 32);
    v.setVoxel(5, 6, 7, Voxel(5 | 0xFF00));
    EXPECT_EQ(v.voxel(5, 6, 7).material(), 5);
    EXPECT_EQ(v.voxel(5, 6, 7).density(), 255);
    v.setVoxel(100, 60, 100, Voxel(9));
    EXPECT_EQ(v.voxel(100, 60, 100).raw, 9);
    // Outside reads give the border value; outside writes are dropped.
    v.setVoxel(-1, 0, 0, Voxel(3));
    v.setVoxel(101, 0, 0, Voxel(3));
    EXPECT_EQ(v.voxel(-1, 0, 0).raw, 0);
    EXPECT_EQ(v.voxel(101, 0, 0).raw, 0);
    EXPECT_EQ(v.voxel(0, 0, 0).raw, 0);
    EXPECT_EQ(v.block(0, 0, 0).nonZeroCount(), 1u);
    v.clear();
    EXPECT_EQ(v.voxel(5, 6, 7).raw, 0);
    EXPECT_EQ(v.block(0, 0, 0).nonZeroCount(), 0u);
}

TEST(VoxelVolume, NonZeroCountsTrackEveryWrite) {
    VoxelVolume v(box(63, 63, 63), 32);
    v.setVoxel(1, 1, 1, Voxel(0xFF01));
    v.setVoxel(1, 1, 1, Voxel(0xFF02));   // overwrite keeps the count
    v.setVoxel(40, 1, 1, Voxel(0x0100));  // density only still counts
    EXPECT_EQ(v.block(0, 0, 0).nonZeroCount(), 1u);
    EXPECT_EQ(v.block(1, 0, 0).nonZeroCount(), 1u);
    v.setVoxel(1, 1, 1, Voxel());
    EXPECT_EQ(v.block(0, 0, 0).nonZeroCount(), 0u);
}

TEST(VoxelCursor, NeighbourReadsMatchVolumeReadsEverywhere) {
    // Region not a multiple of the block size, with a negative lower corner.
    const Region r{{-5, -3, -9}, {40, 20, 35}};
    VoxelVolume v(r, 8);
    std::mt19937 rng(7);
    for (int i = 0; i < 4000; ++i) {
        v.setVoxel(int(rng() % 46) - 5, int(rng() % 24) - 3, int(rng() % 45) - 9,
                   Voxel(uint16_t(rng() | 1)));
    }
    VoxelCursor c(v);
    for (int z = r.lower.z - 1; z <= r.upper.z + 1; ++z)
        for (int y = r.lower.y - 1; y <= r.upper.y + 1; ++y)
            for (int x = r.lower.x - 1; x <= r.upper.x + 1; ++x) {
                c.setPosition(x, y, z);
                ASSERT_EQ(c.value(), v.voxel(x, y, z));
                ASSERT_EQ((c.peek<1, 0, 0>()), v.voxel(x + 1, y, z));
                ASSERT_EQ((c.peek<-1, 0, 0>()), v.voxel(x - 1, y, z));
                ASSERT_EQ((c.peek<0, 1, 0>()), v.voxel(x, y + 1, z));
                ASSERT_EQ((c.peek<0, -1, 0>()), v.voxel(x, y - 1, z));
                ASSERT_EQ((c.peek<0, 0, 1>()), v.voxel(x, y, z + 1));
                ASSERT_EQ((c.peek<0, 0, -1>()), v.voxel(x, y, z - 1));
                ASSERT_EQ((c.peek<1, 1, 0>()), v.voxel(x + 1, y + 1, z));
                ASSERT_EQ((c.peek<1, 0, 1>()), v.voxel(x + 1, y, z + 1));
                ASSERT_EQ((c.peek<0, 1, 1>()), v.voxel(x, y + 1, z + 1));
                ASSERT_EQ((c.peek<1, 1, 1>()), v.voxel(x + 1, y + 1, z + 1));
            }
}

}  // namespace
}  // namespace cubalorn
