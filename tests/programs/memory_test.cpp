// A line that needs more voxel blocks than memory allows stops with one
// message in the interpreter's error form; what it drew stays, and later
// lines run as usual.

#include <gtest/gtest.h>

#include <string>

#include "unit/voxel/drawing_lines.h"
#include "voxel_probe.h"

namespace cubalorn::testing {
namespace {

TEST(VolumeMemory, ALineBeyondTheMemoryStopsWithOneMessage) {
    const uint64_t block = sizeof(BlockStorage) + 32 * 32 * 32 * 2;
    const uint64_t index = 4 * 2 * 4 * VoxelVolume::kIndexBytesPerBlock;
    // The shared empty block and three private ones.
    LogoWorld w(Region{{0, 0, 0}, {100, 60, 100}}, 32, index + 4 * block);
    const std::string stopped =
        "ERROR - not enough memory for more voxel blocks, line stopped, token 40\n";
    const struct {
        const char* line;
        std::string printed;
    } cases[] = {
        {"pencolor 2 sphere 40 print 1", stopped},
        {"print 7", "7\n"},
        {"repeat 5 [ sphere 40 print 1 ] print 2", stopped},
        {"clear penup goto 10 10 10 pendown sphere 2 print 8", "8\n"},
        {"penup goto 90 50 90 pendown sphere 2 print 9", "9\n"},
        // Single voxels of a stroke: a third block is there, a fourth is not.
        {"penup goto 40 30 10 pendown forward 3 print 3", "3\n"},
        {"penup goto 40 40 60 pendown forward 3 print 4",
         "ERROR - not enough memory for more voxel blocks, line stopped, token 3\n"},
    };
    for (const auto& c : cases) {
        w.out.clear();
        w.line(c.line);
        EXPECT_EQ(w.out.text(), c.printed) << c.line;
        if (c.printed == stopped) {
            // Three blocks' worth of the ball were drawn and kept.
            EXPECT_GT(countVoxels(w.volume), 30000u) << c.line;
            EXPECT_EQ(w.volume.privateBlockCount(), 3u) << c.line;
        }
    }
    EXPECT_EQ(w.volume.voxel(10, 10, 10).material(), 2);
    EXPECT_EQ(w.volume.voxel(90, 50, 90).material(), 2);
    EXPECT_EQ(w.volume.voxel(43, 30, 10).material(), 2);
    EXPECT_EQ(w.volume.voxel(43, 40, 60).material(), 0);
}

}  // namespace
}  // namespace cubalorn::testing
