#pragma once
// Checks on a triangle surface as a file reader sees it: corners welded by
// exact position, as slicers do, then every edge must be used by exactly two
// triangles in opposite directions and the triangles around every vertex must
// form one fan. Also the handedness of an asymmetric shape and its placement.

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "readers.h"

namespace cubalorn::export_test {

struct TriangleSoup {
    std::vector<Float3> positions;
    std::vector<uint32_t> triangles;  // three per triangle

    void add(const Float3& a, const Float3& b, const Float3& c) {
        for (const Float3* p : {&a, &b, &c}) {
            triangles.push_back(uint32_t(positions.size()));
            positions.push_back(*p);
        }
    }
};

struct ManifoldCheck {
    size_t vertices = 0;       // distinct positions in use
    size_t badEdges = 0;       // edges not used by two triangles in opposite directions
    size_t badVertices = 0;    // triangles around it form more than one fan
    double volume = 0;         // signed volume: positive when outward wound (right-handed)
    std::string firstProblem;  // empty when manifold
    bool manifold() const { return badEdges == 0 && badVertices == 0; }
};

inline ManifoldCheck checkManifold(const TriangleSoup& soup) {
    ManifoldCheck r;
    // Weld by exact position.
    std::vector<uint32_t> order(soup.positions.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return soup.positions[a] < soup.positions[b]; });
    std::vector<uint32_t> id(soup.positions.size());
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && !(soup.positions[order[i - 1]] == soup.positions[order[i]])) ++r.vertices;
        id[order[i]] = uint32_t(r.vertices);
    }
    if (!order.empty()) ++r.vertices;
    const size_t triangleCount = soup.triangles.size() / 3;
    auto corner = [&](size_t t, int k) { return id[soup.triangles[3 * t + (k % 3)]]; };
    // Directed edges, sorted: each must appear once, and so must its reverse.
    std::vector<uint64_t> directed;
    directed.reserve(soup.triangles.size());
    for (size_t t = 0; t < triangleCount; ++t) {
        const Float3 &a = soup.positions[soup.triangles[3 * t]],
                     &b = soup.positions[soup.triangles[3 * t + 1]],
                     &c = soup.positions[soup.triangles[3 * t + 2]];
        r.volume += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
                     double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
                     double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) /
                    6.0;
        for (int k = 0; k < 3; ++k)
            directed.push_back(uint64_t(corner(t, k)) << 32 | corner(t, k + 1));
    }
    std::sort(directed.begin(), directed.end());
    std::vector<uint64_t> bad;  // undirected, lower number first
    for (size_t i = 0; i < directed.size(); ++i) {
        const bool repeated = (i > 0 && directed[i - 1] == directed[i]) ||
                              (i + 1 < directed.size() && directed[i + 1] == directed[i]);
        const uint64_t reverse = directed[i] << 32 | directed[i] >> 32;
        const bool paired = std::binary_search(directed.begin(), directed.end(), reverse);
        if (repeated || !paired) {
            const uint64_t a = directed[i] >> 32, b = directed[i] & 0xFFFFFFFFu;
            bad.push_back(a < b ? (a << 32 | b) : (b << 32 | a));
            if (r.firstProblem.empty())
                r.firstProblem = repeated ? "edge used twice the same way" : "edge used once";
        }
    }
    // Around each vertex: the triangles there, joined through the edges they
    // share at it, must form one fan.
    std::vector<uint32_t> start(r.vertices + 1, 0), around(soup.triangles.size());
    for (size_t t = 0; t < triangleCount; ++t)
        for (int k = 0; k < 3; ++k) ++start[corner(t, k) + 1];
    for (size_t v = 0; v < r.vertices; ++v) start[v + 1] += start[v];
    {
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        for (size_t t = 0; t < triangleCount; ++t)
            for (int k = 0; k < 3; ++k) around[next[corner(t, k)]++] = uint32_t(3 * t + k);
    }
    std::vector<size_t> parent;
    for (size_t v = 0; v < r.vertices; ++v) {
        const size_t n = start[v + 1] - start[v];
        parent.resize(n);
        std::iota(parent.begin(), parent.end(), 0);
        auto find = [&](size_t i) {
            while (parent[i] != i) i = parent[i] = parent[parent[i]];
            return i;
        };
        for (size_t i = 0; i < n; ++i) {
            const uint32_t ci = around[start[v] + i];
            const uint32_t out = corner(ci / 3, ci % 3 + 1);
            for (size_t j = 0; j < n; ++j) {
                const uint32_t cj = around[start[v] + j];
                if (corner(cj / 3, cj % 3 + 2) == out) parent[find(i)] = find(j);
            }
        }
        size_t roots = 0;
        for (size_t i = 0; i < n; ++i) roots += find(i) == i;
        if (roots != 1) {
            ++r.badVertices;
            if (r.firstProblem.empty())
                r.firstProblem = "vertex with " + std::to_string(roots) + " fans";
        }
    }
    std::sort(bad.begin(), bad.end());
    r.badEdges = size_t(std::unique(bad.begin(), bad.end()) - bad.begin());
    return r;
}

struct Box3 {
    Float3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    void add(const Float3& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
};

inline Box3 boundsOf(const std::vector<Float3>& points) {
    Box3 b;
    for (const Float3& p : points) b.add(p);
    return b;
}

// For a shape of three arms of different lengths from one corner, all one
// voxel thick: which file axis and direction each arm takes, found from the
// bounding box (an arm of n voxels makes the box n + 1 long on its axis) and
// the mean of the points (it leans toward the corner). Returns the triple
// product arm(shortest) . (arm(middle) x arm(longest)), +1 or -1, or 0 when the
// shape is not recognised.
inline int armsHandedness(const std::vector<Float3>& points, const float armLengths[3],
                          float scale) {
    if (points.empty()) return 0;
    const Box3 b = boundsOf(points);
    Float3 mean{0, 0, 0};
    for (const Float3& p : points) mean = {mean.x + p.x, mean.y + p.y, mean.z + p.z};
    const float n = float(points.size());
    mean = {mean.x / n, mean.y / n, mean.z / n};
    const float extent[3] = {b.hi.x - b.lo.x, b.hi.y - b.lo.y, b.hi.z - b.lo.z};
    const float middle[3] = {(b.hi.x + b.lo.x) / 2, (b.hi.y + b.lo.y) / 2, (b.hi.z + b.lo.z) / 2};
    const float meanAt[3] = {mean.x, mean.y, mean.z};
    std::array<std::array<int, 3>, 3> arm{};
    for (int a = 0; a < 3; ++a) {
        int found = -1;
        for (int axis = 0; axis < 3; ++axis)
            if (std::fabs(extent[axis] - (armLengths[a] + 1) * scale) < 0.1f * scale) found = axis;
        if (found < 0) return 0;
        arm[a][found] = meanAt[found] < middle[found] ? 1 : -1;
    }
    const auto& u = arm[0];
    const auto& v = arm[1];
    const auto& w = arm[2];
    return u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) +
           u[2] * (v[0] * w[1] - v[1] * w[0]);
}

// The handedness the window shows for arms along the volume's +x, +y and +z:
// the mesh node turned half a turn about y puts voxel (x, y, z) at world
// (-x, y, -z), on the engine's left-handed axes. A right-handed file holding
// the same sculpture has the triple product of the arms' numbers times the
// frame's handedness.
inline int windowHandedness() {
    const int turned[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
    const int numbers = turned[0][0] * (turned[1][1] * turned[2][2] - turned[1][2] * turned[2][1]) -
                        turned[0][1] * (turned[1][0] * turned[2][2] - turned[1][2] * turned[2][0]) +
                        turned[0][2] * (turned[1][0] * turned[2][1] - turned[1][1] * turned[2][0]);
    const int engineHandedness = -1;  // left-handed
    return numbers * engineHandedness;
}

}  // namespace cubalorn::export_test
