#include "extract/cubic_extractor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
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

// The +y square of the voxel at (5, 5, 5), with voxels set around (5, 6, 5),
// the voxel its face looks into, at these (dx, dz) offsets.
struct OcclusionCase {
    const char* name;
    std::vector<std::pair<int, int>> around;
    int expected[4];  // q0 (-x, -z), q1 (-x, +z), q2 (+x, -z), q3 (+x, +z), in thirds
    bool q0q3Diagonal;
};

TEST(CubicExtractor, CornersAreOccludedByTheVoxelsInFrontOfTheFace) {
    const OcclusionCase cases[] = {
        {"open", {}, {0, 0, 0, 0}, false},
        {"one side", {{-1, 0}}, {1, 1, 0, 0}, false},
        {"diagonal at q0", {{-1, -1}}, {1, 0, 0, 0}, false},
        {"diagonal at q1: the open pair q0, q3 takes the diagonal", {{-1, 1}}, {0, 1, 0, 0}, true},
        {"inner corner: two sides close q0", {{-1, 0}, {0, -1}}, {3, 1, 1, 0}, false},
        {"two sides close q2", {{1, 0}, {0, -1}}, {1, 0, 3, 1}, true},
        {"two sides without their diagonal still close the corner",
         {{1, 0}, {0, 1}},
         {0, 1, 1, 3},
         false},
        {"side and diagonal", {{-1, 0}, {1, 1}}, {1, 1, 0, 1}, false},
        {"walled in", {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}},
         {3, 3, 3, 3},
         false},
    };
    for (const OcclusionCase& c : cases) {
        SCOPED_TRACE(c.name);
        VoxelVolume v(box(10, 10, 10), 8);
        v.setVoxel(5, 5, 5, kSolid);
        for (const auto& [dx, dz] : c.around) v.setVoxel(5 + dx, 6, 5 + dz, kSolid);
        // Voxels beside the face's own voxel, in its layer, change nothing.
        v.setVoxel(4, 5, 5, Voxel::make(2, 255));
        const ExtractedMesh m = extract(v);
        squaresOf(m);  // shape and winding hold for either diagonal
        size_t found = 0;
        for (size_t sq = 0; sq < m.vertices.size() / 4; ++sq) {
            const MeshVertex* q = &m.vertices[4 * sq];
            if (!(q[0].normal == Vec3f{0, 1, 0} && q[0].pos.y == 5.5f && q[0].pos.x == 4.5f &&
                  q[0].pos.z == 4.5f))
                continue;
            ++found;
            for (int k = 0; k < 4; ++k)
                EXPECT_FLOAT_EQ(q[k].occlusion, c.expected[k] / 3.0f) << "corner q" << k;
            // The diagonal is the edge both triangles share.
            const uint32_t* t = &m.indices[6 * sq];
            int shared = 0;
            for (int a = 0; a < 3; ++a)
                for (int b = 3; b < 6; ++b) shared += t[a] == t[b];
            ASSERT_EQ(shared, 2);
            const bool usesQ0 = std::count(t, t + 6, 4 * sq) == 2;
            EXPECT_EQ(usesQ0, c.q0q3Diagonal) << "diagonal";
        }
        EXPECT_EQ(found, 1u);
    }
}

TEST(CubicExtractor, RegionsMeshedOnTheirOwnGetTheWholeVolumesOcclusion) {
    // Chunks of 8 over a volume of blocks of 16 and a staircase that crosses
    // chunk borders in every direction: each chunk's corners, moved back to
    // the volume's coordinates, are the whole mesh's corners.
    VoxelVolume v(Region{{-4, 0, -4}, {27, 20, 27}}, 16);
    for (int i = 0; i < 20; ++i)
        for (int x = -4; x <= 27 - i; ++x)
            for (int z = -4 + i / 2; z <= 20; ++z) v.setVoxel(x, i, z, Voxel::make(uint8_t(1 + i), 255));
    v.setVoxel(7, 12, 7, kSolid);
    v.setVoxel(8, 13, 8, kSolid);  // touching the last one only by an edge

    auto corners = [](const ExtractedMesh& m, Vec3i lower) {
        std::multiset<std::tuple<float, float, float, float, float, float, float, float>> out;
        for (const MeshVertex& q : m.vertices)
            out.insert({q.pos.x + lower.x, q.pos.y + lower.y, q.pos.z + lower.z, q.normal.x,
                        q.normal.y, q.normal.z, q.material, q.occlusion});
        return out;
    };
    const Region whole{{-5, -1, -5}, {28, 21, 28}};  // a step past the volume: its outer faces too
    const auto expected = corners(extract(v, whole), whole.lower);
    std::multiset<std::tuple<float, float, float, float, float, float, float, float>> chunked;
    size_t occluded = 0;
    for (int z = whole.lower.z; z < whole.upper.z; z += 8)
        for (int y = whole.lower.y; y < whole.upper.y; y += 8)
            for (int x = whole.lower.x; x < whole.upper.x; x += 8) {
                const Region chunk{{x, y, z},
                                   {std::min(x + 8, whole.upper.x), std::min(y + 8, whole.upper.y),
                                    std::min(z + 8, whole.upper.z)}};
                for (const auto& c : corners(extract(v, chunk), chunk.lower)) {
                    chunked.insert(c);
                    occluded += std::get<7>(c) > 0;
                }
            }
    EXPECT_GT(occluded, 100u);
    EXPECT_TRUE(chunked == expected) << chunked.size() << " corners in chunks, " << expected.size()
                                     << " in the whole";
}

TEST(CubicExtractor, WithoutOcclusionEveryCornerIsOpenAndKeepsItsDiagonal) {
    VoxelVolume v(box(10, 10, 10), 8);
    for (int x = 2; x < 8; ++x)
        for (int z = 2; z < 8; ++z) v.setVoxel(x, 2, z, kSolid);
    v.setVoxel(4, 3, 4, kSolid);
    ExtractedMesh m;
    CubicExtractor extractor(v, v.region(), m);
    extractor.setAmbientOcclusion(false);
    extractor.execute();
    ASSERT_FALSE(m.vertices.empty());
    for (const MeshVertex& q : m.vertices) EXPECT_EQ(q.occlusion, 0.0f);
    for (size_t sq = 0; sq < m.vertices.size() / 4; ++sq)
        EXPECT_EQ(std::count(&m.indices[6 * sq], &m.indices[6 * sq + 6], 4 * sq + 1), 2)
            << "square " << sq << " keeps q1-q2";
}

}  // namespace
}  // namespace cubalorn
