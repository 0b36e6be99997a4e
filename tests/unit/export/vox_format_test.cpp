// .vox files read back by the test's own reader: every solid voxel at its
// place in the scene with its colour index, the palette shifted by one, and
// large volumes split into models the editors accept.

#include "export/vox_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "readers.h"
#include "test_volumes.h"
#include "voxel/random.h"

namespace cubalorn::export_test {
namespace {

struct VolumeCase {
    const char* name;
    Vec3i upper;
    size_t models;
};

void PrintTo(const VolumeCase& c, std::ostream* os) {
    *os << c.name;
}

const VolumeCase kVolumes[] = {
    {"Small", {9, 9, 9}, 1},
    {"ExactlyTheLimit", {255, 3, 255}, 1},
    {"OneOverAlongX", {256, 3, 5}, 2},
    // The volume's y is the file's z and its z the file's y: both split here.
    {"TallAndDeep", {6, 270, 300}, 4},
    {"WideAndTall", {520, 257, 40}, 3 * 1 * 2},
};

class VoxExport : public ::testing::TestWithParam<VolumeCase> {};

TEST_P(VoxExport, EverySolidVoxelComesBackInPlace) {
    const VolumeCase& c = GetParam();
    VoxelVolume volume(Region{{0, 0, 0}, c.upper}, 32);
    const int32_t w = volume.width(), h = volume.height(), d = volume.depth();

    // Corners, model seams on every axis, and scattered voxels of every material.
    std::vector<Cell> cells;
    for (int32_t x : {0, 255, 256, w - 1})
        for (int32_t y : {0, 255, 256, h - 1})
            for (int32_t z : {0, 255, 256, d - 1})
                if (x < w && y < h && z < d)
                    cells.push_back({x, y, z, static_cast<uint8_t>(1 + (x + 3 * y + 7 * z) % 255)});
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    for (int i = 0; i < 2000; ++i)
        cells.push_back({int32_t(next(w)), int32_t(next(h)), int32_t(next(d)),
                         static_cast<uint8_t>(1 + next(255))});
    draw(volume, cells);
    // Material 0 with full density is solid to the smooth surface only; not a .vox voxel.
    volume.setVoxel(1, 1, 1, Voxel::make(0, 255));

    Random random;
    Palette palette;
    palette.initPalette(random);
    const VoxFile vox = readVox(exporter::encodeVox(volume, palette));
    ASSERT_TRUE(vox.ok) << vox.error;
    EXPECT_EQ(vox.version, 150);
    ASSERT_EQ(vox.models.size(), c.models);

    // The models tile the whole volume and none passes the limit.
    long long tiled = 0;
    for (const VoxModel& m : vox.models) {
        for (int32_t s : m.size) {
            EXPECT_GE(s, 1);
            EXPECT_LE(s, 256);
        }
        tiled += static_cast<long long>(m.size[0]) * m.size[1] * m.size[2];
        for (const VoxWorldVoxel& v : m.voxels) {
            ASSERT_LT(v.x, m.size[0]);
            ASSERT_LT(v.y, m.size[1]);
            ASSERT_LT(v.z, m.size[2]);
            ASSERT_NE(v.colourIndex, 0);
        }
    }
    EXPECT_EQ(tiled, static_cast<long long>(w) * h * d);

    std::vector<VoxWorldVoxel> expected;
    for (const auto& [p, m] : solidCells(volume)) {
        const auto [x, y, z] = p;
        expected.push_back({x, z, y, m});  // z up, not mirrored
    }
    std::vector<VoxWorldVoxel> found = voxWorld(vox);
    std::sort(expected.begin(), expected.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found.size(), expected.size());
    EXPECT_TRUE(found == expected);

    // One model needs no scene graph; several need one node each.
    const size_t transforms = std::count(vox.chunkIds.begin(), vox.chunkIds.end(), "nTRN");
    EXPECT_EQ(transforms, c.models == 1 ? 0 : c.models + 1);
    EXPECT_EQ(vox.chunkIds.back(), "RGBA");
}

INSTANTIATE_TEST_SUITE_P(Volumes, VoxExport, ::testing::ValuesIn(kVolumes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VoxExport, PaletteEntryKHoldsTheColourOfMaterialKPlusOne) {
    VoxelVolume volume(Region{{0, 0, 0}, {3, 3, 3}}, 32);
    Random random;
    Palette palette;
    palette.initPalette(random);
    palette.setPaletteEntry(1, 10, 20, 30);
    palette.setPaletteEntry(200, 256 + 7, 8, 9);  // low bytes only
    palette.setPaletteEntry(0, 99, 99, 99);       // material 0 is never a voxel
    const VoxFile vox = readVox(exporter::encodeVox(volume, palette));
    ASSERT_TRUE(vox.ok) << vox.error;
    ASSERT_TRUE(vox.hasPalette);
    for (int k = 0; k < 255; ++k) {
        const PaletteEntry& e = palette.entry(static_cast<uint8_t>(k + 1));
        EXPECT_EQ(vox.rgba[k][0], e.red & 0xFF) << k;
        EXPECT_EQ(vox.rgba[k][1], e.green & 0xFF) << k;
        EXPECT_EQ(vox.rgba[k][2], e.blue & 0xFF) << k;
        EXPECT_EQ(vox.rgba[k][3], 255) << k;
    }
    EXPECT_EQ(vox.rgba[0][0], 10);
    EXPECT_EQ(vox.rgba[199][0], 7);
}

TEST(VoxExport, EmptyVolumeIsOneEmptyModelOfItsSize) {
    VoxelVolume volume(Region{{0, 0, 0}, {4, 5, 6}}, 32);
    Random random;
    Palette palette;
    palette.initPalette(random);
    const VoxFile vox = readVox(exporter::encodeVox(volume, palette));
    ASSERT_TRUE(vox.ok) << vox.error;
    ASSERT_EQ(vox.models.size(), 1u);
    EXPECT_EQ(vox.models[0].size[0], 5);
    EXPECT_EQ(vox.models[0].size[1], 7);  // the volume's depth
    EXPECT_EQ(vox.models[0].size[2], 6);  // the volume's height
    EXPECT_TRUE(vox.models[0].voxels.empty());
}

}  // namespace
}  // namespace cubalorn::export_test
