// Meshing chunk by chunk, and after an edit only the chunks it reaches,
// must give exactly the triangles of one extraction of the whole volume,
// for both extractors, after every edit of a long random sequence.

#include "extract/chunk_meshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "extract/cubic_extractor.h"
#include "extract/smooth_extractor.h"
#include "unit/voxel/drawing_lines.h"
#include "voxel/undo_history.h"

namespace cubalorn {
namespace {

using testing::LogoWorld;
// A triangle as the bits of its three vertices (position, normal,
// material, corner occlusion).
using Triangle = std::array<uint32_t, 24>;

void addTriangles(const ExtractedMesh& mesh, std::vector<Triangle>& out) {
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        Triangle t;
        for (int k = 0; k < 3; ++k) {
            const MeshVertex& v = mesh.vertices[mesh.indices[i + k]];
            const float f[8] = {v.pos.x,    v.pos.y,    v.pos.z,    v.normal.x,
                                v.normal.y, v.normal.z, v.material, v.occlusion};
            std::memcpy(&t[size_t(8 * k)], f, sizeof f);
        }
        out.push_back(t);
    }
}

std::vector<Triangle> sorted(std::vector<Triangle> triangles) {
    std::sort(triangles.begin(), triangles.end());
    return triangles;
}

std::vector<Triangle> wholeVolume(const VoxelVolume& v, SurfaceKind kind) {
    ExtractedMesh mesh;
    if (kind == SurfaceKind::Cubic)
        CubicExtractor(v, v.region(), mesh).execute();
    else
        SmoothExtractor(v, v.region(), mesh, 127).execute();
    std::vector<Triangle> t;
    addTriangles(mesh, t);
    return sorted(t);
}

// The chunk meshes a window would hold, kept up to date.
struct Presented {
    Presented(VoxelVolume& v, SurfaceKind kind, int32_t side) : chunks(v, kind, 127, side) {}
    size_t update() {
        return chunks.update([&](uint32_t c, const ExtractedMesh& m) { meshes[c] = m; });
    }
    std::vector<Triangle> triangles() const {
        std::vector<Triangle> t;
        for (const auto& [c, m] : meshes) addTriangles(m, t);
        return sorted(t);
    }
    ChunkMeshes chunks;
    std::map<uint32_t, ExtractedMesh> meshes;
};

::testing::AssertionResult sameTriangles(const std::vector<Triangle>& whole,
                                         const std::vector<Triangle>& chunked) {
    if (whole == chunked) return ::testing::AssertionSuccess();
    size_t i = 0;
    while (i < whole.size() && i < chunked.size() && whole[i] == chunked[i]) ++i;
    return ::testing::AssertionFailure()
           << whole.size() << " triangles in one extraction, " << chunked.size()
           << " in the chunks, first difference at " << i;
}

struct Layout {
    const char* name;
    Region region;
    uint16_t blockSide;
    int32_t chunkSide;
};

// Block and chunk borders that do and do not line up, a negative corner,
// and sizes that are no multiple of either.
const Layout kLayouts[] = {
    {"shipped volume, chunks of 16", {{0, 0, 0}, {100, 60, 100}}, 32, 16},
    {"negative corner, blocks of 8, chunks of 7", {{-6, -3, -9}, {40, 22, 35}}, 8, 7},
    {"chunks larger than blocks", {{0, 0, 0}, {90, 50, 70}}, 16, 40},
};

// Returns the Logo lines it ran.
std::vector<std::string> runEdits(const Layout& layout, SurfaceKind surface, unsigned seed) {
    std::vector<std::string> lines;
    LogoWorld w(layout.region, layout.blockSide);
    UndoHistory history(w.world);
    Presented presented(w.volume, surface, layout.chunkSide);
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const Region& r = layout.region;
    for (int step = 0; step < 45; ++step) {
        std::string edit;
        const int kind = pick(0, 9);
        if (kind < 6) {
            edit = testing::randomDrawingLine(rng, r.upper);
            lines.push_back(edit);
            history.beginLine();
            w.line(edit);
            history.endLine();
        } else if (kind < 8) {
            edit = "direct writes";
            const int x0 = pick(r.lower.x, r.upper.x), y0 = pick(r.lower.y, r.upper.y),
                      z0 = pick(r.lower.z, r.upper.z);
            for (int k = 0; k < 300; ++k)
                w.volume.setVoxel(x0 + pick(-6, 6), y0 + pick(-6, 6), z0 + pick(-6, 6),
                                  Voxel(uint16_t(pick(0, 1) ? 0 : pick(0, 0xFFFF))));
        } else if (kind == 8) {
            edit = "undo";
            history.undo();
        } else {
            edit = "redo";
            history.redo();
        }
        presented.update();
        EXPECT_TRUE(sameTriangles(wholeVolume(w.volume, surface), presented.triangles()))
            << "step " << step << ": " << edit;
        if (::testing::Test::HasFailure()) break;
    }
    return lines;
}

// Random edits: Logo lines (shapes, strokes, CSV layers, terrain, CLEAR),
// direct writes of any value (densities the pen never draws, and 0), UNDO
// and REDO. After each, the chunk meshes of both extractors are brought up
// to date and compared with an extraction of the whole volume.
TEST(ChunkMeshes, EveryEditGivesTheTrianglesOfAWholeExtraction) {
    std::FILE* csv = std::fopen("examples/sprite.csv", "r");
    ASSERT_NE(csv, nullptr) << "run from the project folder: the CSV lines read examples/";
    std::fclose(csv);
    std::string ran;
    for (const Layout& layout : kLayouts)
        for (SurfaceKind surface : {SurfaceKind::Cubic, SurfaceKind::Smooth})
            for (unsigned seed : {5u, 6u}) {
                SCOPED_TRACE(std::string(layout.name) +
                             (surface == SurfaceKind::Cubic ? ", cubic" : ", smooth") + ", seed " +
                             std::to_string(seed));
                for (const std::string& line : runEdits(layout, surface, seed)) ran += line + "\n";
                if (HasFailure()) return;
            }
    // The sequences hold every kind of edit.
    for (const char* word :
         {"sphere", "cube", "forward", "setvoxel", "loadcsv", "dsinit", "clear", "setrgb"})
        EXPECT_NE(ran.find(word), std::string::npos) << word;
}

// A one-voxel edit re-extracts its own chunk, and a neighbour only where
// the edit lies near their common face; an edit that changes nothing
// re-extracts nothing.
TEST(ChunkMeshes, AnEditReExtractsOnlyTheChunksItReaches) {
    VoxelVolume v(Region{{0, 0, 0}, {127, 127, 127}}, 32);
    ChunkMeshes chunks(v, SurfaceKind::Cubic, 127, 64);
    auto count = [&] { return chunks.update([](uint32_t, const ExtractedMesh&) {}); };
    EXPECT_EQ(count(), 8u);  // the first update extracts every chunk
    const struct {
        Vec3i voxel;
        size_t chunks;
    } cases[] = {
        {{40, 40, 40}, 1}, {{0, 0, 0}, 1},    {{60, 40, 40}, 2},    {{66, 40, 40}, 2},
        {{60, 60, 40}, 4}, {{60, 60, 60}, 8}, {{127, 127, 127}, 1}, {{40, 40, 40}, 1},
    };
    for (const auto& c : cases) {
        v.setVoxel(c.voxel.x, c.voxel.y, c.voxel.z,
                   Voxel(uint16_t(v.voxel(c.voxel.x, c.voxel.y, c.voxel.z).raw ^ 0xFF01)));
        EXPECT_EQ(count(), c.chunks) << c.voxel.x << " " << c.voxel.y << " " << c.voxel.z;
        v.setVoxel(c.voxel.x, c.voxel.y, c.voxel.z, v.voxel(c.voxel.x, c.voxel.y, c.voxel.z));
        EXPECT_EQ(count(), 0u);
    }
}

}  // namespace
}  // namespace cubalorn

namespace cubalorn {
namespace {

// When memory runs out while chunks are handed over, the chunks not yet
// handed over are not lost: the next update brings them, and no others.
TEST(ChunkMeshes, ChunksNotHandedOverWaitForTheNextUpdate) {
    VoxelVolume v(Region{{0, 0, 0}, {127, 127, 127}}, 32);
    ChunkMeshes chunks(v, SurfaceKind::Cubic, 127, 64);
    std::vector<uint32_t> first, second;
    EXPECT_THROW(chunks.update([&](uint32_t c, const ExtractedMesh&) {
        if (first.size() == 2) throw std::bad_alloc();
        first.push_back(c);
    }),
                 std::bad_alloc);
    v.setVoxel(10, 10, 10, Voxel(0xFF01));  // in chunk 0, already handed over
    chunks.update([&](uint32_t c, const ExtractedMesh&) { second.push_back(c); });
    EXPECT_EQ(first, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(second, (std::vector<uint32_t>{0, 2, 3, 4, 5, 6, 7}));
    second.clear();
    chunks.update([&](uint32_t c, const ExtractedMesh&) { second.push_back(c); });
    EXPECT_TRUE(second.empty());
}

}  // namespace
}  // namespace cubalorn
