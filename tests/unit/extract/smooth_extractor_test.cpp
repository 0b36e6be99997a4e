#include "extract/smooth_extractor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "unit/extract/mesh_checks.h"

namespace cubalorn {
namespace {

using testing_support::dot;
using testing_support::faceNormal;
using testing_support::minus;
using testing_support::unmatchedEdges;

Region box(int ux, int uy, int uz) {
    return Region{{0, 0, 0}, {ux, uy, uz}};
}

ExtractedMesh extract(const VoxelVolume& v, uint8_t threshold = 127) {
    ExtractedMesh mesh;
    SmoothExtractor(v, v.region(), mesh, threshold).execute();
    return mesh;
}

Vec3f centroid(const ExtractedMesh& m, size_t t) {
    Vec3f c{0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const Vec3f& p = m.vertices[m.indices[3 * t + k]].pos;
        c = {c.x + p.x / 3, c.y + p.y / 3, c.z + p.z / 3};
    }
    return c;
}

TEST(SmoothExtractor, NothingBelowTheThreshold) {
    struct Case {
        const char* name;
        Voxel fill;  // every voxel of the volume
        uint8_t threshold;
        bool wallVertices;  // crossings past the upper faces, used by no cell
    } cases[] = {
        {"empty volume", Voxel(), 127, false},
        {"colour without density", Voxel::make(200, 0), 127, false},
        {"density 126 everywhere", Voxel::make(4, 126), 127, false},
        {"solid everywhere", Voxel::make(4, 127), 127, true},
        {"threshold 0 makes nothing empty", Voxel::make(4, 3), 0, false},
    };
    for (const Case& c : cases) {
        VoxelVolume v(Region{{-5, 0, 0}, {20, 12, 9}}, 8);
        if (c.fill.raw != 0)
            for (int z = 0; z <= 9; ++z)
                for (int y = 0; y <= 12; ++y)
                    for (int x = -5; x <= 20; ++x) v.setVoxel(x, y, z, c.fill);
        ExtractedMesh mesh;
        mesh.addVertex({});
        SmoothExtractor(v, v.region(), mesh, c.threshold).execute();
        EXPECT_EQ(mesh.vertices.empty(), !c.wallVertices) << c.name;
        EXPECT_TRUE(mesh.indices.empty()) << c.name;
        ASSERT_EQ(mesh.indexRanges.size(), 1u) << c.name;
        EXPECT_EQ(mesh.indexRanges[0].endIndex, 0) << c.name;
        EXPECT_EQ(mesh.region.upper, v.region().upper) << c.name;
    }
}

TEST(SmoothExtractor, SingleVoxelIsAClosedOctahedron) {
    VoxelVolume v(box(15, 15, 15), 32);
    v.setVoxel(5, 5, 5, Voxel::make(5, 255));
    const ExtractedMesh m = extract(v);
    ASSERT_EQ(m.vertices.size(), 6u);
    ASSERT_EQ(m.indices.size(), 24u);
    ASSERT_EQ(m.indexRanges.size(), 1u);
    EXPECT_EQ(m.indexRanges[0].endIndex, 24);
    // Slice by slice, y rows outer and x inner: the crossing below in z comes
    // first, the voxel's own three crossings last.
    const float in = 128.f / 255.f;   // from the solid voxel outwards
    const float out = 127.f / 255.f;  // from an empty voxel towards it
    const struct {
        Vec3f pos, normal;
    } expected[6] = {
        {{5, 5, 4 + out}, {0, 0, -1}}, {{5, 4 + out, 5}, {0, -1, 0}}, {{4 + out, 5, 5}, {-1, 0, 0}},
        {{5 + in, 5, 5}, {1, 0, 0}},   {{5, 5 + in, 5}, {0, 1, 0}},   {{5, 5, 5 + in}, {0, 0, 1}},
    };
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(m.vertices[k].pos, expected[k].pos) << "vertex " << k;
        EXPECT_EQ(m.vertices[k].normal, expected[k].normal) << "vertex " << k;
        EXPECT_EQ(m.vertices[k].material, 5.f) << "vertex " << k;
    }
    EXPECT_EQ(unmatchedEdges(m), 0u);
    for (size_t t = 0; t < 8; ++t)
        EXPECT_GT(dot(faceNormal(m, t), minus(centroid(m, t), {5, 5, 5})), 0.f)
            << "triangle " << t << " faces inwards";
}

TEST(SmoothExtractor, ThresholdDecidesSolidity) {
    struct Case {
        uint8_t density, threshold;
        size_t vertices;
    } cases[] = {
        {127, 127, 6}, {126, 127, 0}, {255, 255, 6}, {254, 255, 0}, {1, 1, 6}, {0, 1, 0},
    };
    for (const Case& c : cases) {
        VoxelVolume v(box(10, 10, 10), 8);
        v.setVoxel(4, 4, 4, Voxel::make(2, c.density));
        const ExtractedMesh m = extract(v, c.threshold);
        EXPECT_EQ(m.vertices.size(), c.vertices)
            << "density " << int(c.density) << " threshold " << int(c.threshold);
        EXPECT_EQ(m.indices.size(), c.vertices == 0 ? 0u : 24u);
    }
}

// The crossing sits where the line between the two densities meets the
// threshold.
TEST(SmoothExtractor, CrossingIsInterpolatedBetweenTheDensities) {
    struct Case {
        uint8_t solid, neighbour;  // neighbour at +x of the solid voxel
    } cases[] = {{255, 0}, {200, 50}, {127, 0}, {255, 126}, {130, 120}};
    for (const Case& c : cases) {
        VoxelVolume v(box(10, 10, 10), 8);
        v.setVoxel(4, 4, 4, Voxel::make(1, c.solid));
        v.setVoxel(5, 4, 4, Voxel::make(1, c.neighbour));
        const ExtractedMesh m = extract(v);
        const float f = float(127 - c.solid) / float(c.neighbour - c.solid);
        // The neighbour is empty, so the crossings are still those of a lone
        // voxel; the one towards +x is the fourth.
        ASSERT_EQ(m.vertices.size(), 6u);
        EXPECT_EQ(m.vertices[3].pos, (Vec3f{4 + f, 4, 4}))
            << "densities " << int(c.solid) << ", " << int(c.neighbour);
    }
}

TEST(SmoothExtractor, NormalsFollowTheGradientAndStayZeroWhenItVanishes) {
    // Voxels at x = 5 and x = 7 make the density symmetric about both ends of
    // the edge from 5 to 6: both gradients, and so the normal there, are 0.
    VoxelVolume v(box(12, 12, 12), 8);
    v.setVoxel(5, 5, 5, Voxel::make(1, 255));
    v.setVoxel(7, 5, 5, Voxel::make(1, 255));
    const ExtractedMesh m = extract(v);
    int checked = 0;
    for (const MeshVertex& q : m.vertices) {
        const Vec3f& n = q.normal;
        const float length = std::sqrt(dot(n, n));
        if (q.pos == Vec3f{5 + 128.f / 255.f, 5, 5} || q.pos == Vec3f{6 + 127.f / 255.f, 5, 5}) {
            EXPECT_EQ(n, (Vec3f{0, 0, 0})) << "between the voxels";
            ++checked;
        } else {
            EXPECT_NEAR(length, 1.f, 1e-6f);
            // Away from the gap every normal points out of its voxel.
            const Vec3f centre{q.pos.x < 6 ? 5.f : 7.f, 5, 5};
            EXPECT_GT(dot(n, minus(q.pos, centre)),
                      0.9f * std::sqrt(dot(minus(q.pos, centre), minus(q.pos, centre))));
        }
    }
    EXPECT_EQ(checked, 2);
}

TEST(SmoothExtractor, VertexTakesTheLargerMaterialOfItsEdge) {
    struct Case {
        const char* name;
        Voxel solid, neighbour;  // neighbour at +x
        float material;          // of the vertex between them
    } cases[] = {
        {"empty neighbour", Voxel::make(3, 255), Voxel(), 3},
        {"coloured but empty neighbour", Voxel::make(3, 255), Voxel::make(9, 20), 9},
        {"pen colour 0", Voxel::make(0, 255), Voxel(), 0},
        {"neighbour of lower colour", Voxel::make(200, 255), Voxel::make(7, 0), 200},
    };
    for (const Case& c : cases) {
        VoxelVolume v(box(10, 10, 10), 8);
        v.setVoxel(4, 4, 4, c.solid);
        v.setVoxel(5, 4, 4, c.neighbour);
        const ExtractedMesh m = extract(v);
        ASSERT_EQ(m.vertices.size(), 6u) << c.name;
        for (const MeshVertex& q : m.vertices) {
            const bool onEdge = q.pos.y == 4 && q.pos.z == 4 && q.pos.x > 4;
            EXPECT_EQ(q.material, onEdge ? c.material : float(c.solid.material())) << c.name;
        }
    }
}

TEST(SmoothExtractor, SharedEdgesOfTwoMaterials) {
    VoxelVolume v(box(12, 12, 12), 8);
    v.setVoxel(5, 5, 5, Voxel::make(3, 255));
    v.setVoxel(6, 5, 5, Voxel::make(9, 255));
    const ExtractedMesh m = extract(v);
    EXPECT_EQ(m.vertices.size(), 10u);
    EXPECT_EQ(unmatchedEdges(m), 0u);
    for (const MeshVertex& q : m.vertices) {
        // The nearest voxel centre is the solid end of the vertex's edge.
        const float expected = std::round(q.pos.x) >= 6 ? 9.f : 3.f;
        EXPECT_EQ(q.material, expected) << testing_support::describe(q);
    }
}

TEST(SmoothExtractor, SurfaceStaysOpenOnTheVolumeFaces) {
    struct Case {
        const char* name;
        Vec3i at;
        size_t vertices, triangles;
    } cases[] = {
        {"inside", {4, 4, 4}, 6, 8},
        {"lower x face", {0, 4, 4}, 5, 4},
        {"lower y face", {4, 0, 4}, 5, 4},
        {"lower z face", {4, 4, 0}, 5, 4},
        // The crossing past the upper face is made but no cell uses it.
        {"upper x face", {9, 4, 4}, 6, 4},
        {"upper z face", {4, 4, 9}, 6, 4},
        {"lower corner", {0, 0, 0}, 3, 1},
    };
    for (const Case& c : cases) {
        VoxelVolume v(box(9, 9, 9), 8);
        v.setVoxel(c.at.x, c.at.y, c.at.z, Voxel::make(1, 255));
        const ExtractedMesh m = extract(v);
        EXPECT_EQ(m.vertices.size(), c.vertices) << c.name;
        EXPECT_EQ(m.indices.size(), 3 * c.triangles) << c.name;
        if (c.triangles < 8) {
            EXPECT_GT(unmatchedEdges(m), 0u) << c.name;
        }
        for (uint32_t i : m.indices) {
            const Vec3f& p = m.vertices[i].pos;
            EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.z >= 0 && p.x <= 9 && p.y <= 9 && p.z <= 9)
                << c.name << ": " << testing_support::describe(m.vertices[i]);
        }
    }
}

// A ball of linearly falling density: a closed surface, wound outwards, its
// normals pointing away from the centre.
TEST(SmoothExtractor, BallIsClosedAndFacesOutwards) {
    VoxelVolume v(Region{{-3, -3, -3}, {40, 40, 40}}, 16);
    const Vec3f centre{18.3f, 17.6f, 19.1f};
    for (int z = 0; z <= 37; ++z)
        for (int y = 0; y <= 37; ++y)
            for (int x = 0; x <= 37; ++x) {
                const Vec3f d{x - centre.x, y - centre.y, z - centre.z};
                const float density = 127 + (12.5f - std::sqrt(dot(d, d))) * 20;
                uint8_t stored = uint8_t(std::fmin(255.f, std::fmax(0.f, density)));
                // Exactly 127 would put crossings on voxel centres and fold
                // triangles flat.
                if (stored == 127) stored = 128;
                v.setVoxel(x, y, z, Voxel::make(uint8_t(1 + x % 7), stored));
            }
    const ExtractedMesh m = extract(v);
    ASSERT_GT(m.indices.size(), 3000u);
    EXPECT_EQ(unmatchedEdges(m), 0u);
    const Vec3f local{centre.x + 3, centre.y + 3, centre.z + 3};  // region starts at -3
    for (size_t t = 0; t < m.indices.size() / 3; ++t)
        EXPECT_GT(dot(faceNormal(m, t), minus(centroid(m, t), local)), 0.f) << "triangle " << t;
    for (const MeshVertex& q : m.vertices) {
        const Vec3f out = minus(q.pos, local);
        EXPECT_GT(dot(q.normal, out), 0.95f * std::sqrt(dot(out, out)));
        EXPECT_NEAR(std::sqrt(dot(minus(q.pos, local), minus(q.pos, local))), 12.5f, 0.1f);
    }
}

}  // namespace
}  // namespace cubalorn
