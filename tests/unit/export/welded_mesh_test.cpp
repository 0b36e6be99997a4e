// Welding and the export mesh: closed sculptures must come out as closed,
// consistently wound surfaces with the topology of the voxel shape.

#include "export/welded_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "export/export_mesh.h"
#include "test_volumes.h"

namespace cubalorn::export_test {
namespace {

using exporter::Surface;
using exporter::WeldedMesh;

struct Topology {
    bool closedAndOriented = true;  // every edge used once each way
    std::string firstProblem;
    long long euler = 0;  // V - E + F over the corners in use
};

Topology topologyOf(const WeldedMesh& m) {
    Topology t;
    std::map<std::pair<uint32_t, uint32_t>, int> directed;
    std::set<uint32_t> used;
    for (size_t i = 0; i < m.triangles.size(); i += 3)
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = m.triangles[i + k], b = m.triangles[i + (k + 1) % 3];
            ++directed[{a, b}];
            used.insert(a);
        }
    size_t undirected = 0;
    for (const auto& [edge, count] : directed) {
        const auto reverse = directed.find({edge.second, edge.first});
        const int back = reverse == directed.end() ? 0 : reverse->second;
        if ((count != 1 || back != 1) && t.closedAndOriented) {
            t.closedAndOriented = false;
            t.firstProblem = "edge " + std::to_string(edge.first) + "-" +
                             std::to_string(edge.second) + " used " + std::to_string(count) +
                             " times, backwards " + std::to_string(back);
        }
        if (edge.first < edge.second || reverse == directed.end()) ++undirected;
    }
    t.euler = static_cast<long long>(used.size()) - static_cast<long long>(undirected) +
              static_cast<long long>(m.triangles.size() / 3);
    return t;
}

struct ShapeCase {
    const char* name;
    Vec3i volumeUpper;
    std::vector<Cell> cells;
    long long euler;  // 2 per ball-like piece, 0 for a ring
    int boxCorners;   // for a single box: its corner count, else -1
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.name;
}

// Corners on the surface of an a x b x c box of voxels.
int boxCornerCount(int a, int b, int c) {
    return (a + 1) * (b + 1) * (c + 1) - (a - 1) * (b - 1) * (c - 1);
}

std::vector<Cell> ring() {
    std::vector<Cell> cells = box(4, 4, 4, 3, 1, 3, 9);
    cells.push_back({5, 4, 5, 0});
    return cells;
}

const ShapeCase kShapes[] = {
    {"SingleVoxel", {12, 12, 12}, box(5, 5, 5, 1, 1, 1, 3), 2, boxCornerCount(1, 1, 1)},
    {"Slab", {12, 12, 12}, box(2, 3, 4, 3, 2, 4, 7), 2, boxCornerCount(3, 2, 4)},
    {"Ball", {20, 20, 20}, ball(10, 10, 10, 5, 9), 2, -1},
    {"Ring", {12, 12, 12}, ring(), 0, -1},
    {"TwoApart", {12, 12, 12}, join(box(1, 1, 1, 2, 2, 2, 4), box(6, 6, 6, 1, 2, 1, 5)), 4, -1},
    {"OnTheLowerCorner", {9, 9, 9}, box(0, 0, 0, 2, 3, 2, 1), 2, boxCornerCount(2, 3, 2)},
    {"OnTheUpperCorner", {9, 9, 9}, box(8, 8, 8, 2, 2, 2, 1), 2, boxCornerCount(2, 2, 2)},
    // Across a block boundary (blocks of 32) and filling the volume end to end.
    {"WholeVolume", {33, 3, 2}, box(0, 0, 0, 34, 4, 3, 12), 2, boxCornerCount(34, 4, 3)},
    {"TwoMaterials",
     {12, 12, 12},
     join(box(2, 2, 2, 2, 2, 2, 9), box(4, 2, 2, 2, 2, 2, 40)),
     2,
     boxCornerCount(4, 2, 2)},
};

class CubicExport : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(CubicExport, IsClosedWithTheShapesTopology) {
    const ShapeCase& c = GetParam();
    VoxelVolume volume(Region{{0, 0, 0}, c.volumeUpper}, 32);
    draw(volume, c.cells);
    ExtractedMesh mesh;
    exporter::extractForExport(volume, Surface::Cubic, mesh);
    const WeldedMesh welded = exporter::weldVertices(mesh);

    EXPECT_EQ(welded.sourceTriangles.size(), 2 * exposedSquares(volume));
    const Topology t = topologyOf(welded);
    EXPECT_TRUE(t.closedAndOriented) << t.firstProblem;
    EXPECT_EQ(t.euler, c.euler);
    if (c.boxCorners >= 0) {
        EXPECT_EQ(welded.positions.size(), size_t(c.boxCorners));
    }

    // Corners sit half a voxel off the voxel centres, in volume coordinates.
    for (const Vec3f& p : welded.positions) {
        for (float v : {p.x, p.y, p.z}) EXPECT_EQ(v - std::floor(v), 0.5f) << v;
        EXPECT_TRUE(p.x >= -0.5f && p.x <= c.volumeUpper.x + 0.5f) << p.x;
        EXPECT_TRUE(p.y >= -0.5f && p.y <= c.volumeUpper.y + 0.5f) << p.y;
        EXPECT_TRUE(p.z >= -0.5f && p.z <= c.volumeUpper.z + 0.5f) << p.z;
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, CubicExport, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

struct SmoothCase {
    const char* name;
    Vec3i volumeUpper;
    std::vector<Cell> cells;
    long long euler;
};

void PrintTo(const SmoothCase& c, std::ostream* os) {
    *os << c.name;
}

const SmoothCase kSmoothShapes[] = {
    {"SingleVoxel", {12, 12, 12}, box(5, 5, 5, 1, 1, 1, 5), 2},
    {"OnTheLowerCorner", {9, 9, 9}, box(0, 0, 0, 1, 1, 1, 5), 2},
    {"Ball", {20, 20, 20}, ball(10, 10, 10, 6, 9), 2},
    {"Ring", {12, 12, 12}, ring(), 0},
    {"WholeVolume", {33, 3, 2}, box(0, 0, 0, 34, 4, 3, 12), 2},
};

class SmoothExport : public ::testing::TestWithParam<SmoothCase> {};

TEST_P(SmoothExport, IsClosedEvenOnTheVolumesFaces) {
    const SmoothCase& c = GetParam();
    VoxelVolume volume(Region{{0, 0, 0}, c.volumeUpper}, 32);
    draw(volume, c.cells);
    ExtractedMesh mesh;
    exporter::extractForExport(volume, Surface::Smooth, mesh);
    const Topology t = topologyOf(exporter::weldVertices(mesh));
    EXPECT_TRUE(t.closedAndOriented) << t.firstProblem;
    EXPECT_EQ(t.euler, c.euler);
}

INSTANTIATE_TEST_SUITE_P(Shapes, SmoothExport, ::testing::ValuesIn(kSmoothShapes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SmoothExport, OneVoxelSitsWhereTheWindowShowsIt) {
    VoxelVolume volume(Region{{0, 0, 0}, {12, 12, 12}}, 32);
    draw(volume, box(5, 5, 5, 1, 1, 1, 5));
    ExtractedMesh mesh;
    exporter::extractForExport(volume, Surface::Smooth, mesh);
    ASSERT_EQ(mesh.vertices.size(), 6u);
    EXPECT_EQ(mesh.indices.size(), 24u);
    std::set<std::tuple<float, float, float>> positions;
    for (const MeshVertex& v : mesh.vertices) positions.insert({v.pos.x, v.pos.y, v.pos.z});
    const float f = 127.0f / 255.0f;  // from the empty neighbour towards the voxel
    EXPECT_EQ(positions.count({4 + f, 5, 5}), 1u);
    EXPECT_EQ(positions.count({5, 5, 6 - f}), 1u);
}

struct WeldCase {
    const char* name;
    std::vector<Vec3f> positions;
    std::vector<uint32_t> indices;
    size_t weldedPositions;
    std::vector<uint32_t> keptTriangles;
};

void PrintTo(const WeldCase& c, std::ostream* os) {
    *os << c.name;
}

const WeldCase kWelds[] = {
    {"SharedEdge",
     {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
     {0, 1, 2, 3, 4, 5},
     4,
     {0, 1}},
    {"NegativeZero",
     {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-0.0f, 0, 0}, {1, 0, 1}, {0, 1, 0}},
     {0, 1, 2, 3, 4, 5},
     4,
     {0, 1}},
    {"CollapsedTriangleDropped",
     {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}},
     {0, 1, 2, 1, 3, 2},
     3,
     {0}},
    {"MissingVertexDropped", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 0, 1, 7}, 3, {0}},
    {"NearbyButNotEqual",
     {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {std::nextafter(1.0f, 2.0f), 0, 0}},
     {0, 1, 2, 3, 2, 1},
     4,
     {0, 1}},
};

class Weld : public ::testing::TestWithParam<WeldCase> {};

TEST_P(Weld, MergesExactlyEqualPositions) {
    const WeldCase& c = GetParam();
    ExtractedMesh mesh;
    for (const Vec3f& p : c.positions) mesh.addVertex({p, {0, 0, 1}, 1});
    mesh.indices = c.indices;
    const WeldedMesh welded = exporter::weldVertices(mesh);
    EXPECT_EQ(welded.positions.size(), c.weldedPositions);
    EXPECT_EQ(welded.sourceTriangles, c.keptTriangles);
    ASSERT_EQ(welded.triangles.size(), 3 * c.keptTriangles.size());
    // Every kept corner is still at its original place.
    for (size_t t = 0; t < c.keptTriangles.size(); ++t)
        for (int k = 0; k < 3; ++k) {
            const Vec3f& was = mesh.vertices[mesh.indices[3 * c.keptTriangles[t] + k]].pos;
            const Vec3f& is = welded.positions[welded.triangles[3 * t + k]];
            EXPECT_TRUE(was.x == is.x && was.y == is.y && was.z == is.z) << t << "," << k;
        }
}

INSTANTIATE_TEST_SUITE_P(Cases, Weld, ::testing::ValuesIn(kWelds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Weld, NumberingSurvivesGrowth) {
    exporter::Vec3fNumbering numbering(1);
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 5000; ++i)
            ASSERT_EQ(numbering.number({float(i % 17), float(i / 17), 0.5f}), uint32_t(i));
    EXPECT_EQ(numbering.values().size(), 5000u);
}

}  // namespace
}  // namespace cubalorn::export_test
