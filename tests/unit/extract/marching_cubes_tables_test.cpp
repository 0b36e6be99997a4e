#include "extract/marching_cubes_tables.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace cubalorn {
namespace {

struct Point {
    float x, y, z;
};
Point corner(int bit) {
    return {float(bit & 1), float((bit >> 1) & 1), float((bit >> 2) & 1)};
}
Point midpoint(int edge) {
    const Point a = corner(kEdgeCorners[edge][0]), b = corner(kEdgeCorners[edge][1]);
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
}
bool empty(int cube, int bit) {
    return (cube >> bit) & 1;
}

std::vector<int> row(int cube) {
    std::vector<int> r;
    for (int k = 0; k < 16 && kTriangleTable[cube][k] != -1; ++k)
        r.push_back(kTriangleTable[cube][k]);
    return r;
}

TEST(MarchingCubesTables, EdgesJoinNeighbouringCornersInTheirNumberedDirections) {
    // 0, 2, 4, 6 along x; 1, 3, 5, 7 along y; 8 to 11 along z.
    const int axisOf[12] = {0, 1, 0, 1, 0, 1, 0, 1, 2, 2, 2, 2};
    std::set<std::pair<int, int>> seen;
    for (int e = 0; e < kCubeEdgeCount; ++e) {
        const int a = kEdgeCorners[e][0], b = kEdgeCorners[e][1];
        EXPECT_EQ(a ^ b, 1 << axisOf[e]) << "edge " << e;
        EXPECT_TRUE(seen.insert({std::min(a, b), std::max(a, b)}).second) << "edge " << e;
    }
}

TEST(MarchingCubesTables, EveryMaskMarksExactlyTheEdgesWhoseCornersDiffer) {
    for (int cube = 0; cube < 256; ++cube) {
        uint16_t expected = 0;
        for (int e = 0; e < kCubeEdgeCount; ++e)
            if (empty(cube, kEdgeCorners[e][0]) != empty(cube, kEdgeCorners[e][1]))
                expected |= uint16_t(1 << e);
        EXPECT_EQ(kEdgeTable[cube], expected) << "cube index " << cube;
    }
}

TEST(MarchingCubesTables, EveryRowIsWholeTrianglesOverExactlyTheMaskedEdges) {
    for (int cube = 0; cube < 256; ++cube) {
        const std::vector<int> r = row(cube);
        EXPECT_EQ(r.size() % 3, 0u) << "cube index " << cube;
        EXPECT_LE(r.size(), 15u) << "cube index " << cube;
        for (size_t k = r.size(); k < 16; ++k)
            EXPECT_EQ(kTriangleTable[cube][k], -1) << "cube index " << cube << " entry " << k;
        uint16_t used = 0;
        for (int e : r) {
            ASSERT_GE(e, 0);
            ASSERT_LT(e, kCubeEdgeCount);
            used |= uint16_t(1 << e);
        }
        EXPECT_EQ(used, kEdgeTable[cube]) << "cube index " << cube;
        for (size_t t = 0; t + 2 < r.size(); t += 3)
            EXPECT_TRUE(r[t] != r[t + 1] && r[t + 1] != r[t + 2] && r[t] != r[t + 2])
                << "cube index " << cube << " triangle " << t / 3;
    }
}

TEST(MarchingCubesTables, RowsForSingleEmptyCorners) {
    const struct {
        int cube;
        std::vector<int> edges;
    } cases[] = {
        {1, {0, 8, 3}},   // only (0,0,0) empty
        {4, {3, 11, 2}},  // only (0,1,0) empty
        {8, {1, 2, 10}},  // only (1,1,0) empty
        {0, {}},         {255, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(row(c.cube), c.edges) << "cube index " << c.cube;
}

// (b - a) x (c - a), taken at the edge midpoints, must point from solid to
// empty: along each of the three crossed edges, from its solid corner to its
// empty one, on balance.
TEST(MarchingCubesTables, EveryTriangleFacesFromSolidToEmpty) {
    for (int cube = 0; cube < 256; ++cube) {
        const std::vector<int> r = row(cube);
        for (size_t t = 0; t + 2 < r.size(); t += 3) {
            const Point a = midpoint(r[t]), b = midpoint(r[t + 1]), c = midpoint(r[t + 2]);
            const Point u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
            const Point n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
            float outward = 0;
            for (size_t k = t; k < t + 3; ++k) {
                int from = kEdgeCorners[r[k]][0], to = kEdgeCorners[r[k]][1];
                if (empty(cube, from)) std::swap(from, to);
                const Point s = corner(from), e = corner(to);
                outward += n.x * (e.x - s.x) + n.y * (e.y - s.y) + n.z * (e.z - s.z);
            }
            EXPECT_GT(outward, 0.f) << "cube index " << cube << " triangle " << t / 3;
        }
    }
}

// Two cells side by side see the same four corners on their shared face, so
// their surfaces must meet there segment for segment, running opposite ways:
// otherwise the mesh has cracks or flipped patches between cells.
TEST(MarchingCubesTables, NeighbouringCellsAgreeOnEverySharedFace) {
    // The boundary segments a cell's surface draws on its face at side `high`
    // (0 or 1) of `axis`, as pairs of edges, named by the edge of the lower-side
    // face they coincide with.
    auto faceSegments = [](int cube, int axis, int high) {
        const int bit = 1 << axis;
        auto onFace = [&](int e) {
            const int a = kEdgeCorners[e][0], b = kEdgeCorners[e][1];
            return ((a & bit) != 0) == bool(high) && ((b & bit) != 0) == bool(high);
        };
        auto lowSideEdge = [&](int e) {
            const int a = kEdgeCorners[e][0] & ~bit, b = kEdgeCorners[e][1] & ~bit;
            for (int k = 0; k < kCubeEdgeCount; ++k)
                if ((kEdgeCorners[k][0] == a && kEdgeCorners[k][1] == b) ||
                    (kEdgeCorners[k][0] == b && kEdgeCorners[k][1] == a))
                    return k;
            return -1;
        };
        std::map<std::pair<int, int>, int> segments;
        const std::vector<int> r = row(cube);
        for (size_t t = 0; t + 2 < r.size(); t += 3)
            for (int k = 0; k < 3; ++k) {
                const int a = r[t + k], b = r[t + (k + 1) % 3];
                if (onFace(a) && onFace(b)) ++segments[{lowSideEdge(a), lowSideEdge(b)}];
            }
        // A segment drawn both ways inside one cell is interior to its surface.
        for (auto it = segments.begin(); it != segments.end();) {
            auto back = segments.find({it->first.second, it->first.first});
            if (back != segments.end() && back != it) {
                const int shared = std::min(it->second, back->second);
                it->second -= shared;
                back->second -= shared;
            }
            it = it->second == 0 ? segments.erase(it) : std::next(it);
        }
        return segments;
    };
    for (int axis = 0; axis < 3; ++axis) {
        const int bit = 1 << axis;
        for (int lowCell = 0; lowCell < 256; ++lowCell)
            for (int other = 0; other < 16; ++other) {
                // The high cell's low face = the low cell's high face; its
                // other four corners take every combination.
                int highCell = 0, spare = 0;
                for (int c = 0; c < 8; ++c) {
                    if (c & bit) {
                        if ((other >> spare++) & 1) highCell |= 1 << c;
                    } else if (empty(lowCell, c | bit)) {
                        highCell |= 1 << c;
                    }
                }
                const auto fromLow = faceSegments(lowCell, axis, 1);
                const auto fromHigh = faceSegments(highCell, axis, 0);
                std::map<std::pair<int, int>, int> reversed;
                for (const auto& [s, n] : fromHigh) reversed[{s.second, s.first}] = n;
                ASSERT_EQ(fromLow, reversed)
                    << "axis " << axis << ", cells " << lowCell << " and " << highCell;
            }
    }
}

}  // namespace
}  // namespace cubalorn
