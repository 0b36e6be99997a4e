#include "extract/cubic_extractor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "unit/extract/mesh_checks.h"

namespace cubalorn {
namespace {

using testing_support::dot;
using testing_support::faceNormal;

constexpr Voxel kSolid = Voxel::make(1, 255);

Region box(int ux, int uy, int uz) {
    return Region{{0, 0, 0}, {ux, uy, uz}};
}

ExtractedMesh extract(const VoxelVolume& v, const Region& r) {
    ExtractedMesh mesh;
    CubicExtractor(v, r, mesh).execute();
    return mesh;
}
ExtractedMesh extract(const VoxelVolume& v) {
    return extract(v, v.region());
}

// One square per four vertices and six indices, in emission order.
struct Square {
    Vec3f normal;
    Vec3f centre;
    float material;
};

// Checks the shape of every square and returns them in order: four vertices
// sharing normal and material, the corners of a unit square on the plane
// across the normal, q0..q3 walking the two other axes as (-,-), (-,+),
// (+,-), (+,+), both triangles over the square's own vertices and wound
// counter-clockwise about its normal.
std::vector<Square> squaresOf(const ExtractedMesh& m) {
    std::vector<Square> squares;
    EXPECT_EQ(m.vertices.size() % 4, 0u);
    EXPECT_EQ(m.indices.size(), m.vertices.size() / 4 * 6);
    for (size_t s = 0; s < m.vertices.size() / 4 && 6 * s + 5 < m.indices.size(); ++s) {
        const MeshVertex* q = &m.vertices[4 * s];
        const Vec3f n = q[0].normal;
        const float* nf = &n.x;
        int axis = -1;
        for (int a = 0; a < 3; ++a)
            if (nf[a] != 0) axis = a;
        EXPECT_NE(axis, -1) << "square " << s;
        if (axis < 0) break;
        EXPECT_EQ(std::fabs(nf[axis]), 1.f) << "square " << s;
        const int u = axis == 0 ? 1 : 0, w = axis == 2 ? 1 : 2;
        Vec3f centre{0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(q[k].normal, n) << "square " << s;
            EXPECT_EQ(q[k].material, q[0].material) << "square " << s;
            centre = {centre.x + q[k].pos.x / 4, centre.y + q[k].pos.y / 4,
                      centre.z + q[k].pos.z / 4};
        }
        const float* c = &centre.x;
        for (int k = 0; k < 4; ++k) {
            const float* p = &q[k].pos.x;
            EXPECT_EQ(p[axis], c[axis]) << "square " << s << " corner " << k;
            EXPECT_EQ(p[u], c[u] + (k < 2 ? -0.5f : 0.5f)) << "square " << s << " corner " << k;
            EXPECT_EQ(p[w], c[w] + (k % 2 == 0 ? -0.5f : 0.5f))
                << "square " << s << " corner " << k;
        }
        for (size_t t = 2 * s; t < 2 * s + 2; ++t) {
            for (int k = 0; k < 3; ++k) {
                EXPECT_GE(m.indices[3 * t + k], 4 * s) << "square " << s;
                EXPECT_LT(m.indices[3 * t + k], 4 * s + 4) << "square " << s;
            }
            EXPECT_GT(dot(faceNormal(m, t), n), 0.f) << "square " << s << " triangle " << t;
        }
        squares.push_back({n, centre, q[0].material});
    }
    return squares;
}

TEST(CubicExtractor, EmptyVolumeGivesNoSquaresAndOneEmptyRange) {
    VoxelVolume v(Region{{-3, 0, 2}, {40, 9, 33}}, 8);
    ExtractedMesh mesh;
    // Leftovers of an earlier run must go.
    mesh.addVertex({});
    mesh.addTriangle(0, 0, 0);
    mesh.indexRanges.push_back({0, 3});
    CubicExtractor(v, v.region(), mesh).execute();
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(mesh.indices.empty());
    ASSERT_EQ(mesh.indexRanges.size(), 1u);
    EXPECT_EQ(mesh.indexRanges[0].firstIndex, 0);
    EXPECT_EQ(mesh.indexRanges[0].endIndex, 0);
    EXPECT_EQ(mesh.region.lower, v.region().lower);
    EXPECT_EQ(mesh.region.upper, v.region().upper);
}

TEST(CubicExtractor, SingleVoxelGetsSixSquaresInScanOrder) {
    VoxelVolume v(box(15, 15, 15), 32);
    v.setVoxel(5, 5, 5, Voxel::make(42, 255));
    const ExtractedMesh m = extract(v);
    ASSERT_EQ(m.vertices.size(), 24u);
    ASSERT_EQ(m.indices.size(), 36u);
    ASSERT_EQ(m.indexRanges.size(), 1u);
    EXPECT_EQ(m.indexRanges[0].endIndex, 36);
    const std::vector<Square> squares = squaresOf(m);
    ASSERT_EQ(squares.size(), 6u);
    // Positions (5,5,4), (5,4,5), (4,5,5) see the voxel from below; (5,5,5)
    // itself emits +x, +y, +z in that order.
    const Square expected[6] = {
        {{0, 0, -1}, {5, 5, 4.5f}, 42}, {{0, -1, 0}, {5, 4.5f, 5}, 42},
        {{-1, 0, 0}, {4.5f, 5, 5}, 42}, {{1, 0, 0}, {5.5f, 5, 5}, 42},
        {{0, 1, 0}, {5, 5.5f, 5}, 42},  {{0, 0, 1}, {5, 5, 5.5f}, 42},
    };
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(squares[k].normal, expected[k].normal) << "square " << k;
        EXPECT_EQ(squares[k].centre, expected[k].centre) << "square " << k;
        EXPECT_EQ(squares[k].material, expected[k].material) << "square " << k;
    }
    const MeshVertex& plusXq0 = m.vertices[12];
    EXPECT_EQ(plusXq0.pos, (Vec3f{5.5f, 4.5f, 4.5f}));
    EXPECT_EQ(plusXq0.normal, (Vec3f{1, 0, 0}));
    EXPECT_EQ(plusXq0.material, 42.f);
    EXPECT_EQ(testing_support::unmatchedEdges(m), 24u) << "squares never share vertices";
}

TEST(CubicExtractor, TouchingVoxelsShareNoSquareAndKeepTheirOwnMaterials) {
    struct Case {
        Vec3i second;
        Vec3f hiddenCentre;
    } cases[] = {
        {{6, 5, 5}, {5.5f, 5, 5}},
        {{5, 6, 5}, {5, 5.5f, 5}},
        {{5, 5, 6}, {5, 5, 5.5f}},
    };
    for (const Case& c : cases) {
        VoxelVolume v(box(15, 15, 15), 32);
        v.setVoxel(5, 5, 5, Voxel::make(3, 255));
        v.setVoxel(c.second.x, c.second.y, c.second.z, Voxel::make(9, 255));
        const std::vector<Square> squares = squaresOf(extract(v));
        EXPECT_EQ(squares.size(), 10u);
        for (const Square& s : squares) {
            EXPECT_FALSE(s.centre == c.hiddenCentre) << "shared face drawn";
            // A square's centre is half a step from its voxel along the normal.
            const Vec3f owner{s.centre.x - s.normal.x / 2, s.centre.y - s.normal.y / 2,
                              s.centre.z - s.normal.z / 2};
            EXPECT_EQ(s.material, (owner == Vec3f{5, 5, 5}) ? 3.f : 9.f);
        }
    }
}

TEST(CubicExtractor, SolidnessIsMaterialAlone) {
    struct Case {
        const char* name;
        Voxel centre, neighbour;  // the neighbour sits at +x
        size_t squares;
    } cases[] = {
        {"dense but colourless neighbour is empty", Voxel::make(7, 255), Voxel::make(0, 255), 6},
        {"coloured voxel of density 0 is solid", Voxel::make(7, 0), Voxel(), 6},
        {"two coloured voxels of density 0 touch", Voxel::make(7, 0), Voxel::make(8, 0), 10},
        {"density alone draws nothing", Voxel::make(0, 255), Voxel::make(0, 255), 0},
    };
    for (const Case& c : cases) {
        VoxelVolume v(box(15, 15, 15), 8);
        v.setVoxel(5, 5, 5, c.centre);
        v.setVoxel(6, 5, 5, c.neighbour);
        const std::vector<Square> squares = squaresOf(extract(v));
        EXPECT_EQ(squares.size(), c.squares) << c.name;
        for (const Square& s : squares) EXPECT_GE(s.material, 1.f) << c.name;
    }
}

// Positions on the upper corner are never current, and reads past the volume
// are empty: a voxel on a lower face still gets its outward square from the
// position below it only if that position exists in the region.
TEST(CubicExtractor, FacesOfTheVolume) {
    struct Case {
        const char* name;
        Vec3i at;
        std::vector<Vec3f> normals;  // in emission order
    } cases[] = {
        {"lower x face", {0, 4, 4}, {{0, 0, -1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"lower y face", {4, 0, 4}, {{0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"lower z face", {4, 4, 0}, {{0, -1, 0}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"upper x face", {9, 4, 4}, {{-1, 0, 0}}},
        {"upper y face", {4, 9, 4}, {{0, -1, 0}}},
        {"upper z face", {4, 4, 9}, {{0, 0, -1}}},
        {"lower corner", {0, 0, 0}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"upper corner", {9, 9, 9}, {}},
    };
    for (const Case& c : cases) {
        VoxelVolume v(box(9, 9, 9), 8);
        v.setVoxel(c.at.x, c.at.y, c.at.z, kSolid);
        const std::vector<Square> squares = squaresOf(extract(v));
        ASSERT_EQ(squares.size(), c.normals.size()) << c.name;
        for (size_t k = 0; k < squares.size(); ++k)
            EXPECT_EQ(squares[k].normal, c.normals[k]) << c.name << " square " << k;
    }
}

TEST(CubicExtractor, PositionsAreRelativeToTheExtractedRegion) {
    struct Case {
        const char* name;
        Region volume, region;
        Vec3i voxel;
    } cases[] = {
        {"inner region", box(20, 20, 20), Region{{3, 4, 5}, {12, 13, 14}}, {7, 7, 7}},
        {"negative volume corner",
         Region{{-20, -9, -5}, {3, 3, 3}},
         Region{{-20, -9, -5}, {3, 3, 3}},
         {-11, -2, -1}},
        {"region reaching past the volume",
         box(10, 10, 10),
         Region{{-4, -4, -4}, {14, 14, 14}},
         {0, 10, 5}},
    };
    for (const Case& c : cases) {
        VoxelVolume v(c.volume, 8);
        v.setVoxel(c.voxel.x, c.voxel.y, c.voxel.z, kSolid);
        const ExtractedMesh m = extract(v, c.region);
        const std::vector<Square> squares = squaresOf(m);
        ASSERT_EQ(squares.size(), 6u) << c.name;
        const Vec3f expected{float(c.voxel.x - c.region.lower.x),
                             float(c.voxel.y - c.region.lower.y),
                             float(c.voxel.z - c.region.lower.z)};
        for (const Square& s : squares) {
            const Vec3f owner{s.centre.x - s.normal.x / 2, s.centre.y - s.normal.y / 2,
                              s.centre.z - s.normal.z / 2};
            EXPECT_EQ(owner, expected) << c.name;
        }
        EXPECT_EQ(m.region.lower, c.region.lower) << c.name;
        EXPECT_EQ(m.region.upper, c.region.upper) << c.name;
    }
}

TEST(CubicExtractor, EveryMaterialSurvivesAsAWholeNumber) {
    VoxelVolume v(box(40, 40, 40), 16);
    // Every material 1..255 on its own isolated voxel.
    for (int m = 1; m <= 255; ++m)
        v.setVoxel(1 + 2 * (m % 16), 1 + 2 * (m / 16), 5, Voxel::make(m, 0));
    const ExtractedMesh mesh = extract(v);
    EXPECT_EQ(mesh.vertices.size(), 255u * 24);
    std::vector<int> seen(256, 0);
    for (const MeshVertex& q : mesh.vertices) {
        ASSERT_EQ(q.material, std::floor(q.material));
        ASSERT_GE(q.material, 1.f);
        ASSERT_LE(q.material, 255.f);
        ++seen[int(q.material)];
    }
    for (int m = 1; m <= 255; ++m) EXPECT_EQ(seen[m], 24) << "material " << m;
}

TEST(CubicExtractor, RerunFollowsTheVolumeAndReplacesTheMesh) {
    VoxelVolume v(box(40, 20, 20), 8);
    ExtractedMesh mesh;
    CubicExtractor extractor(v, v.region(), mesh);
    v.setVoxel(5, 5, 5, kSolid);
    extractor.execute();
    EXPECT_EQ(mesh.vertices.size(), 24u);
    v.setVoxel(33, 5, 5, kSolid);
    extractor.execute();
    EXPECT_EQ(mesh.vertices.size(), 48u);
    ASSERT_EQ(mesh.indexRanges.size(), 1u);
    EXPECT_EQ(mesh.indexRanges[0].endIndex, 72);
    v.setVoxel(5, 5, 5, Voxel());
    extractor.execute();
    EXPECT_EQ(mesh.vertices.size(), 24u);
    v.clear();
    extractor.execute();
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_EQ(mesh.indexRanges.size(), 1u);
}

}  // namespace
}  // namespace cubalorn
