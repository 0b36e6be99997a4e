// The extractors skip empty blocks, read rows by offset and reuse corner
// codes; the straightforward reference does none of that. Both must give the
// same mesh bit for bit on volumes built to hit every shortcut's edges.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "extract/cubic_extractor.h"
#include "extract/smooth_extractor.h"
#include "unit/extract/mesh_checks.h"
#include "unit/extract/reference_extractors.h"

namespace cubalorn {
namespace {

using testing_support::identicalMeshes;
using Rng = std::mt19937;

int uniform(Rng& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}
bool chance(Rng& rng, double p) {
    return std::bernoulli_distribution(p)(rng);
}

Voxel penVoxel(Rng& rng) {
    return Voxel::make(uint8_t(uniform(rng, 1, 255)), 255);
}
Voxel anyVoxel(Rng& rng) {
    return Voxel(uint16_t(uniform(rng, 0, 0xFFFF)));
}

void forEach(const VoxelVolume& v, const std::function<void(int, int, int)>& f) {
    const Region& r = v.region();
    for (int z = r.lower.z; z <= r.upper.z; ++z)
        for (int y = r.lower.y; y <= r.upper.y; ++y)
            for (int x = r.lower.x; x <= r.upper.x; ++x) f(x, y, z);
}

using Filler = std::function<void(VoxelVolume&, Rng&)>;

Filler scattered(double p, Voxel (*value)(Rng&)) {
    return [p, value](VoxelVolume& v, Rng& rng) {
        forEach(v, [&](int x, int y, int z) {
            if (chance(rng, p)) v.setVoxel(x, y, z, value(rng));
        });
    };
}

// Random boxes of one value each, some of them erased again: whole blocks
// full, blocks full but for a hole, and blocks empty next to full ones.
Filler boxes(int count, Voxel (*value)(Rng&)) {
    return [count, value](VoxelVolume& v, Rng& rng) {
        const Region& r = v.region();
        for (int k = 0; k < count; ++k) {
            const Voxel fill = chance(rng, 0.2) ? Voxel() : value(rng);
            const int x0 = uniform(rng, r.lower.x, r.upper.x),
                      y0 = uniform(rng, r.lower.y, r.upper.y),
                      z0 = uniform(rng, r.lower.z, r.upper.z);
            const int x1 = std::min(r.upper.x, x0 + uniform(rng, 0, 40)),
                      y1 = std::min(r.upper.y, y0 + uniform(rng, 0, 40)),
                      z1 = std::min(r.upper.z, z0 + uniform(rng, 0, 40));
            for (int z = z0; z <= z1; ++z)
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) v.setVoxel(x, y, z, fill);
        }
    };
}

// Only the voxels on block faces (local coordinate 0 or side - 1), where the
// fast paths cross from one block into the next.
Filler onBlockFaces(double p) {
    return [p](VoxelVolume& v, Rng& rng) {
        const int mask = v.blockSideLength() - 1;
        forEach(v, [&](int x, int y, int z) {
            const bool face = (x & mask) == 0 || (x & mask) == mask || (y & mask) == 0 ||
                              (y & mask) == mask || (z & mask) == 0 || (z & mask) == mask;
            if (face && chance(rng, p)) v.setVoxel(x, y, z, anyVoxel(rng));
        });
    };
}

// Every voxel of the volume's six faces solid, the inside sparse.
Filler solidFaces() {
    return [](VoxelVolume& v, Rng& rng) {
        const Region& r = v.region();
        forEach(v, [&](int x, int y, int z) {
            const bool face = x == r.lower.x || x == r.upper.x || y == r.lower.y ||
                              y == r.upper.y || z == r.lower.z || z == r.upper.z;
            if (face || chance(rng, 0.05)) v.setVoxel(x, y, z, penVoxel(rng));
        });
    };
}

// Overlapping balls whose density falls off smoothly, with noisy materials:
// the surfaces a sculpture drawn with density gives.
Filler blobs(int count) {
    return [count](VoxelVolume& v, Rng& rng) {
        const Region& r = v.region();
        for (int k = 0; k < count; ++k) {
            const float cx = float(uniform(rng, r.lower.x, r.upper.x)) + 0.37f,
                        cy = float(uniform(rng, r.lower.y, r.upper.y)) + 0.61f,
                        cz = float(uniform(rng, r.lower.z, r.upper.z)) + 0.13f;
            const float radius = float(uniform(rng, 2, 14));
            forEach(v, [&](int x, int y, int z) {
                const float d =
                    std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy) + (z - cz) * (z - cz));
                const float density = 127 + (radius - d) * 25;
                if (density <= 0) return;
                const uint8_t stored = uint8_t(std::min(255.f, density));
                const Voxel old = v.voxel(x, y, z);
                if (stored > old.density())
                    v.setVoxel(x, y, z, Voxel::make(uint8_t(uniform(rng, 0, 255)), stored));
            });
        }
    };
}

struct VolumeCase {
    std::string name;
    Region region;
    uint16_t side;
    Filler fill;
};

std::vector<VolumeCase> volumeCases() {
    const Region odd{{0, 0, 0}, {70, 37, 45}};  // no axis a multiple of the block
    const Region negative{{-37, -9, -20}, {14, 12, 19}};
    return {
        {"empty", odd, 32, [](VoxelVolume&, Rng&) {}},
        {"sparse pen voxels", odd, 32, scattered(0.01, penVoxel)},
        {"sparse pen voxels, small blocks", negative, 8, scattered(0.01, penVoxel)},
        {"dense pen voxels", Region{{0, 0, 0}, {33, 40, 29}}, 16, scattered(0.7, penVoxel)},
        {"noise in every bit", Region{{0, 0, 0}, {30, 25, 20}}, 8, scattered(0.5, anyVoxel)},
        {"sparse noise", negative, 16, scattered(0.02, anyVoxel)},
        {"solid faces", Region{{0, 0, 0}, {40, 20, 33}}, 16, solidFaces()},
        {"solid faces, negative corner", negative, 8, solidFaces()},
        {"boxes of pen voxels", Region{{0, 0, 0}, {80, 50, 60}}, 16, boxes(14, penVoxel)},
        {"boxes of any voxel", negative, 8, boxes(20, anyVoxel)},
        {"block faces", Region{{-8, 0, 0}, {40, 31, 23}}, 8, onBlockFaces(0.3)},
        {"blobs", Region{{0, 0, 0}, {60, 45, 50}}, 32, blobs(6)},
        {"blobs, negative corner", negative, 8, blobs(5)},
        {"large blocks", Region{{-70, -3, 0}, {75, 20, 30}}, 64, boxes(12, anyVoxel)},
        {"larger blocks", Region{{0, 0, -1}, {130, 9, 9}}, 128, scattered(0.2, penVoxel)},
        {"one voxel volume", Region{{0, 0, 0}, {0, 0, 0}}, 8, scattered(1, penVoxel)},
        {"one row", Region{{0, 0, 0}, {90, 0, 0}}, 8, scattered(0.5, anyVoxel)},
        {"one slab", Region{{-3, -5, 7}, {50, 30, 7}}, 16, scattered(0.3, anyVoxel)},
    };
}

// The extracted region: the whole volume, a part of it, one reaching past it
// on every side, one lying partly outside, one starting a step below it, and
// one wholly outside.
std::vector<Region> regionsFor(const Region& v) {
    const Vec3i l = v.lower, u = v.upper;
    const Vec3i mid{(l.x + u.x) / 2, (l.y + u.y) / 2, (l.z + u.z) / 2};
    return {
        v,
        Region{
            {l.x + 3, l.y + 1, l.z + 2},
            {std::max(l.x + 3, u.x - 5), std::max(l.y + 1, u.y - 2), std::max(l.z + 2, u.z - 4)}},
        Region{{l.x - 3, l.y - 2, l.z - 4}, {u.x + 2, u.y + 5, u.z + 1}},
        Region{mid, {u.x + 7, u.y + 7, u.z + 7}},
        // One step below the volume: row bits start one voxel before a block.
        Region{{l.x - 1, l.y - 1, l.z - 1}, {u.x + 1, u.y, u.z}},
        Region{{u.x + 2, l.y, l.z}, {u.x + 9, u.y, u.z}},
    };
}

std::string describe(const Region& r) {
    return "(" + std::to_string(r.lower.x) + ", " + std::to_string(r.lower.y) + ", " +
           std::to_string(r.lower.z) + ")-(" + std::to_string(r.upper.x) + ", " +
           std::to_string(r.upper.y) + ", " + std::to_string(r.upper.z) + ")";
}

void compareBoth(const VoxelVolume& v, const Region& region) {
    SCOPED_TRACE("region " + describe(region));
    ExtractedMesh expected, actual;
    reference::cubic(v, region, expected);
    CubicExtractor(v, region, actual).execute();
    EXPECT_TRUE(identicalMeshes(expected, actual)) << "cubic";
    for (const int threshold : {127, 1, 200, 255, 0}) {
        reference::Smooth(v, region, expected, uint8_t(threshold)).execute();
        SmoothExtractor(v, region, actual, uint8_t(threshold)).execute();
        EXPECT_TRUE(identicalMeshes(expected, actual)) << "smooth, threshold " << threshold;
    }
}

TEST(ExtractorsAgainstReference, RandomVolumes) {
    unsigned seed = 1;
    for (const VolumeCase& c : volumeCases()) {
        for (int round = 0; round < 2; ++round, ++seed) {
            SCOPED_TRACE(c.name + ", seed " + std::to_string(seed));
            VoxelVolume v(c.region, c.side);
            Rng rng(seed);
            c.fill(v, rng);
            for (const Region& r : regionsFor(c.region)) compareBoth(v, r);
        }
    }
}

TEST(ExtractorsAgainstReference, NonEmptyMeshesAreActuallyCompared) {
    // Guards the comparison above against volumes that happen to give
    // nothing. The region reaching past the volume sees even a one-voxel one.
    for (const VolumeCase& c : volumeCases()) {
        if (c.name == "empty") continue;
        VoxelVolume v(c.region, c.side);
        Rng rng(7);
        c.fill(v, rng);
        const Region around = regionsFor(c.region)[2];
        ExtractedMesh cubic, smooth;
        CubicExtractor(v, around, cubic).execute();
        SmoothExtractor(v, around, smooth, 127).execute();
        EXPECT_FALSE(cubic.indices.empty() && smooth.indices.empty()) << c.name;
    }
}

// The extractors are built once and rerun after every line: edits, erasures
// and CLEAR between runs must show in the next mesh.
TEST(ExtractorsAgainstReference, RerunsAfterEdits) {
    const Region region{{-5, 0, -12}, {50, 40, 30}};
    VoxelVolume v(region, 16);
    ExtractedMesh cubicMesh, smoothMesh, expected;
    CubicExtractor cubic(v, region, cubicMesh);
    SmoothExtractor smooth(v, region, smoothMesh, 127);
    Rng rng(99);
    for (int step = 0; step < 12; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        if (step == 8) {
            v.clear();
        } else {
            boxes(3, step % 2 ? penVoxel : anyVoxel)(v, rng);
            // Erase a few voxels one by one too.
            for (int k = 0; k < 200; ++k)
                v.setVoxel(uniform(rng, -5, 50), uniform(rng, 0, 40), uniform(rng, -12, 30),
                           Voxel());
        }
        cubic.execute();
        reference::cubic(v, region, expected);
        EXPECT_TRUE(identicalMeshes(expected, cubicMesh)) << "cubic";
        smooth.execute();
        reference::Smooth(v, region, expected, 127).execute();
        EXPECT_TRUE(identicalMeshes(expected, smoothMesh)) << "smooth";
    }
}

}  // namespace
}  // namespace cubalorn
