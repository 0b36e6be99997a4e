#pragma once
// Checks on a triangle surface as a file reader sees it: corners welded by
// exact position, as slicers do, then every edge must be used by exactly two
// triangles in opposite directions and the triangles around every vertex must
// form one fan. Also the handedness of an asymmetric shape and its placement.

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
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
    size_t badEdges = 0;       // not two triangles, or not in opposite directions
    size_t badVertices = 0;    // triangles around it form more than one fan
    double volume = 0;         // signed volume: positive when outward wound (right-handed)
    std::string firstProblem;  // empty when manifold
    bool manifold() const { return badEdges == 0 && badVertices == 0; }
};

inline ManifoldCheck checkManifold(const TriangleSoup& soup) {
    ManifoldCheck r;
    std::map<Float3, uint32_t> ids;
    std::vector<uint32_t> id(soup.positions.size());
    for (size_t i = 0; i < soup.positions.size(); ++i)
        id[i] = ids.emplace(soup.positions[i], uint32_t(ids.size())).first->second;
    r.vertices = ids.size();
    std::map<std::pair<uint32_t, uint32_t>, std::vector<size_t>> directed;
    const size_t triangleCount = soup.triangles.size() / 3;
    for (size_t t = 0; t < triangleCount; ++t) {
        const Float3 &a = soup.positions[soup.triangles[3 * t]],
                     &b = soup.positions[soup.triangles[3 * t + 1]],
                     &c = soup.positions[soup.triangles[3 * t + 2]];
        r.volume += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
                     double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
                     double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) /
                    6.0;
        for (int k = 0; k < 3; ++k)
            directed[{id[soup.triangles[3 * t + k]], id[soup.triangles[3 * t + (k + 1) % 3]]}]
                .push_back(t);
    }
    for (const auto& [edge, users] : directed) {
        const auto back = directed.find({edge.second, edge.first});
        if (users.size() != 1 || back == directed.end() || back->second.size() != 1) {
            if (edge.first < edge.second || back == directed.end()) ++r.badEdges;
            if (r.firstProblem.empty())
                r.firstProblem = "edge used " + std::to_string(users.size()) + " times, backwards " +
                                 std::to_string(back == directed.end() ? 0 : back->second.size());
        }
    }
    // Around each vertex: triangles joined by the edges they share there.
    std::vector<std::vector<size_t>> around(ids.size());
    for (size_t t = 0; t < triangleCount; ++t)
        for (int k = 0; k < 3; ++k) around[id[soup.triangles[3 * t + k]]].push_back(t);
    for (uint32_t v = 0; v < around.size(); ++v) {
        const std::vector<size_t>& ts = around[v];
        std::vector<size_t> parent(ts.size());
        std::iota(parent.begin(), parent.end(), 0);
        auto find = [&](size_t i) {
            while (parent[i] != i) i = parent[i] = parent[parent[i]];
            return i;
        };
        auto others = [&](size_t t) {
            std::vector<uint32_t> o;
            for (int k = 0; k < 3; ++k)
                if (id[soup.triangles[3 * t + k]] != v) o.push_back(id[soup.triangles[3 * t + k]]);
            return o;
        };
        for (size_t i = 0; i < ts.size(); ++i)
            for (size_t j = i + 1; j < ts.size(); ++j) {
                const auto a = others(ts[i]), b = others(ts[j]);
                for (uint32_t x : a)
                    if (std::find(b.begin(), b.end(), x) != b.end()) parent[find(i)] = find(j);
            }
        size_t roots = 0;
        for (size_t i = 0; i < ts.size(); ++i) roots += find(i) == i;
        if (roots != 1) {
            ++r.badVertices;
            if (r.firstProblem.empty())
                r.firstProblem = "vertex with " + std::to_string(roots) + " fans";
        }
    }
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
