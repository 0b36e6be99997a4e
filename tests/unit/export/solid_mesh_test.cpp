// The surface the mesh files share: manifold where voxels touch by an edge or
// a corner, right-handed, and placed as documented.

#include "export/solid_mesh.h"

#include <gtest/gtest.h>

#include <string>

#include "mesh_check.h"
#include "test_volumes.h"

namespace cubalorn::export_test {
namespace {

using exporter::MeshPlacement;
using exporter::Origin;
using exporter::SolidMesh;
using exporter::Surface;

TriangleSoup soupOf(const SolidMesh& m) {
    TriangleSoup s;
    for (const Vec3f& p : m.positions) s.positions.push_back({p.x, p.y, p.z});
    s.triangles = m.triangles;
    return s;
}

// Every vertex number its own position, so readers that weld by position
// (STL, slicers) find the same surface.
bool positionsDistinct(const SolidMesh& m) {
    std::set<Float3> seen;
    for (const Vec3f& p : m.positions)
        if (!seen.insert({p.x, p.y, p.z}).second) return false;
    return true;
}

// Checks one voxel shape; returns "" or what is wrong.
std::string problemsOf(const std::vector<Cell>& cells, size_t* splits = nullptr,
                       Surface surface = Surface::Cubic) {
    VoxelVolume volume(Region{{0, 0, 0}, {7, 7, 7}}, 32);
    draw(volume, cells);
    exporter::SolidMeshReport report;
    const SolidMesh m = exporter::solidMeshOfVolume(volume, surface, {}, &report);
    if (surface == Surface::Smooth) {
        const ManifoldCheck check = checkManifold(soupOf(m));
        if (!check.manifold()) return check.firstProblem;
        return check.volume > 0 || m.empty() ? "" : "wound inward";
    }
    if (splits) *splits = report.splitVertices;
    const ManifoldCheck check = checkManifold(soupOf(m));
    if (!check.manifold()) return check.firstProblem;
    if (!positionsDistinct(m)) return "two vertices at one position";
    if (report.openEdges != 0) return "open edges by number";
    // Each nudged copy changes the volume by a few hundredths of a voxel at most.
    const double expected = double(solidCells(volume).size());
    if (std::fabs(check.volume - expected) > 1e-4 + 0.1 * report.splitVertices)
        return "volume " + std::to_string(check.volume) + " for " + std::to_string(expected);
    return "";
}

TEST(SolidMesh, ContactsBetweenVoxelsGiveAManifoldSurface) {
    const struct {
        const char* name;
        std::vector<Cell> cells;
        size_t splitPoints;  // lattice points where voxels touch by an edge or corner only
    } cases[] = {
        {"Cube", box(2, 2, 2, 2, 2, 2, 5), 0},
        {"EdgeContact", join(box(2, 2, 2, 1, 1, 1, 5), box(3, 3, 2, 1, 1, 1, 6)), 2},
        {"LongEdgeContact", join(box(2, 2, 2, 1, 1, 3, 5), box(3, 3, 2, 1, 1, 3, 6)), 4},
        {"CornerContact", join(box(2, 2, 2, 1, 1, 1, 5), box(3, 3, 3, 1, 1, 1, 6)), 1},
        // Four voxels around one vertical edge, alternating, in two layers.
        {"Checkerboard",
         join(join(box(2, 2, 2, 1, 1, 1, 1), box(3, 3, 2, 1, 1, 1, 1)),
              join(box(3, 2, 3, 1, 1, 1, 1), box(2, 3, 3, 1, 1, 1, 1))),
         7},
        // Two empty cells meeting along an edge inside solid: kept apart.
        {"EmptyEdgeContact",
         [] {
             auto c = box(1, 1, 1, 4, 4, 4, 3);
             c.push_back({2, 2, 2, 0});
             c.push_back({3, 3, 2, 0});
             return c;
         }(),
         2},
        // Two empty cells meeting at a corner inside solid.
        {"EmptyCornerContact",
         [] {
             auto c = box(1, 1, 1, 4, 4, 4, 3);
             c.push_back({2, 2, 2, 0});
             c.push_back({3, 3, 3, 0});
             return c;
         }(),
         1},
        // A staircase of voxels each touching the next by an edge only.
        {"DiagonalStair",
         join(join(box(1, 1, 1, 1, 1, 2, 2), box(2, 2, 1, 1, 1, 2, 2)), box(3, 3, 1, 1, 1, 2, 2)),
         6},
    };
    for (const auto& c : cases) {
        size_t splits = 0;
        EXPECT_EQ(problemsOf(c.cells, &splits), "") << c.name;
        EXPECT_EQ(splits, c.splitPoints) << c.name;
    }
}

// Every arrangement of a 2 x 2 x 3 block of cells, and a fixed sequence of
// 3 x 3 x 3 arrangements: each must give a manifold surface.
TEST(SolidMesh, EveryArrangementOfNeighbouringCellsIsManifold) {
    for (uint32_t bits = 0; bits < (1u << 12); ++bits) {
        std::vector<Cell> cells;
        for (int i = 0; i < 12; ++i)
            if (bits >> i & 1) cells.push_back({2 + i % 2, 2 + i / 2 % 2, 2 + i / 4, 7});
        ASSERT_EQ(problemsOf(cells), "") << "2x2x3 arrangement " << bits;
        ASSERT_EQ(problemsOf(cells, nullptr, Surface::Smooth), "")
            << "smooth 2x2x3 arrangement " << bits;
    }
    uint64_t state = 0x9E3779B97F4A7C15ull;  // fixed: the same shapes every run
    for (int n = 0; n < 3000; ++n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const uint32_t bits = uint32_t(state >> 37);
        std::vector<Cell> cells;
        for (int i = 0; i < 27; ++i)
            if (bits >> i & 1) cells.push_back({2 + i % 3, 2 + i / 3 % 3, 2 + i / 9, 7});
        ASSERT_EQ(problemsOf(cells), "") << "3x3x3 arrangement " << bits;
    }
}

TEST(SolidMesh, PlacementOnThePlateOrAtTheVolumeOrigin) {
    const struct {
        const char* name;
        std::vector<Cell> cells;
        Surface surface;
        MeshPlacement placement;
        Float3 lo, hi;  // expected bounds, y up
    } cases[] = {
        {"PlateUnit",
         box(3, 5, 7, 2, 3, 4, 1),
         Surface::Cubic,
         {1, Origin::Plate},
         {-1, 0, -2},
         {1, 3, 2}},
        {"PlateScaled",
         box(3, 5, 7, 2, 3, 4, 1),
         Surface::Cubic,
         {2.5f, Origin::Plate},
         {-2.5f, 0, -5},
         {2.5f, 7.5f, 5}},
        // Voxel (x, y, z) spans x - 0.5 .. x + 0.5; z is negated.
        {"VolumeOrigin",
         box(3, 5, 7, 2, 3, 4, 1),
         Surface::Cubic,
         {2, Origin::Volume},
         {5, 9, -21},
         {9, 15, -13}},
        {"SmoothPlate",
         ball(8, 8, 8, 4, 2),
         Surface::Smooth,
         {1, Origin::Plate},
         {-4.5f, 0, -4.5f},
         {4.5f, 9, 4.5f}},
    };
    for (const auto& c : cases) {
        VoxelVolume volume(Region{{0, 0, 0}, {16, 16, 16}}, 32);
        draw(volume, c.cells);
        const SolidMesh m = exporter::solidMeshOfVolume(volume, c.surface, c.placement);
        std::vector<Float3> points;
        for (const Vec3f& p : m.positions) points.push_back({p.x, p.y, p.z});
        const Box3 b = boundsOf(points);
        const float tolerance = c.surface == Surface::Smooth ? 0.6f : 0.0f;
        EXPECT_EQ(b.lo.y, c.lo.y) << c.name;  // the lowest point exactly at 0 on the plate
        EXPECT_NEAR(b.lo.x, c.lo.x, tolerance) << c.name;
        EXPECT_NEAR(b.lo.z, c.lo.z, tolerance) << c.name;
        EXPECT_NEAR(b.hi.x, c.hi.x, tolerance) << c.name;
        EXPECT_NEAR(b.hi.y, c.hi.y, tolerance) << c.name;
        EXPECT_NEAR(b.hi.z, c.hi.z, tolerance) << c.name;
        if (c.placement.origin == Origin::Plate) {
            EXPECT_FLOAT_EQ(b.lo.x + b.hi.x, 0) << c.name;
            EXPECT_FLOAT_EQ(b.lo.z + b.hi.z, 0) << c.name;
        }
    }
}

}  // namespace
}  // namespace cubalorn::export_test
