#pragma once
// Helpers shared by the extractor tests: exact mesh comparison and small
// geometric checks.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "extract/mesh.h"

namespace cubalorn {
namespace testing_support {

inline bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline std::string describe(const MeshVertex& v) {
    std::ostringstream s;
    s.precision(9);
    s << "pos (" << v.pos.x << ", " << v.pos.y << ", " << v.pos.z << ") normal (" << v.normal.x
      << ", " << v.normal.y << ", " << v.normal.z << ") material " << v.material
      << " occlusion " << v.occlusion;
    return s.str();
}

// Same vertices in the same order with the same bits, same indices, same
// single range, same region.
inline ::testing::AssertionResult identicalMeshes(const ExtractedMesh& expected,
                                                  const ExtractedMesh& actual) {
    if (expected.vertices.size() != actual.vertices.size())
        return ::testing::AssertionFailure()
               << "vertex counts differ: expected " << expected.vertices.size() << ", got "
               << actual.vertices.size();
    for (size_t i = 0; i < expected.vertices.size(); ++i) {
        const MeshVertex& e = expected.vertices[i];
        const MeshVertex& a = actual.vertices[i];
        const float ef[8] = {e.pos.x,    e.pos.y,    e.pos.z,    e.normal.x,
                             e.normal.y, e.normal.z, e.material, e.occlusion};
        const float af[8] = {a.pos.x,    a.pos.y,    a.pos.z,    a.normal.x,
                             a.normal.y, a.normal.z, a.material, a.occlusion};
        for (int k = 0; k < 8; ++k)
            if (!sameBits(ef[k], af[k]))
                return ::testing::AssertionFailure() << "vertex " << i << " differs: expected "
                                                     << describe(e) << ", got " << describe(a);
    }
    if (expected.indices != actual.indices) {
        size_t i = 0;
        while (i < expected.indices.size() && i < actual.indices.size() &&
               expected.indices[i] == actual.indices[i])
            ++i;
        return ::testing::AssertionFailure()
               << "indices differ from position " << i << " (counts " << expected.indices.size()
               << " and " << actual.indices.size() << ")";
    }
    if (actual.indexRanges.size() != 1 || expected.indexRanges.size() != 1 ||
        actual.indexRanges[0].firstIndex != expected.indexRanges[0].firstIndex ||
        actual.indexRanges[0].endIndex != expected.indexRanges[0].endIndex)
        return ::testing::AssertionFailure() << "index ranges differ";
    if (actual.region.lower != expected.region.lower ||
        actual.region.upper != expected.region.upper)
        return ::testing::AssertionFailure() << "regions differ";
    return ::testing::AssertionSuccess();
}

inline Vec3f minus(const Vec3f& a, const Vec3f& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3f cross(const Vec3f& a, const Vec3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float dot(const Vec3f& a, const Vec3f& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// (b - a) x (c - a) of triangle t.
inline Vec3f faceNormal(const ExtractedMesh& m, size_t t) {
    const Vec3f& a = m.vertices[m.indices[3 * t]].pos;
    const Vec3f& b = m.vertices[m.indices[3 * t + 1]].pos;
    const Vec3f& c = m.vertices[m.indices[3 * t + 2]].pos;
    return cross(minus(b, a), minus(c, a));
}

// Directed edges (by vertex index) that have no partner running the other
// way: 0 for a closed, consistently wound surface.
inline size_t unmatchedEdges(const ExtractedMesh& m) {
    std::map<std::pair<uint32_t, uint32_t>, int> count;
    for (size_t i = 0; i + 2 < m.indices.size(); i += 3)
        for (int k = 0; k < 3; ++k) ++count[{m.indices[i + k], m.indices[i + (k + 1) % 3]}];
    size_t unmatched = 0;
    for (const auto& [edge, n] : count) {
        auto back = count.find({edge.second, edge.first});
        if (n != 1 || back == count.end() || back->second != 1) ++unmatched;
    }
    return unmatched;
}

}  // namespace testing_support
}  // namespace cubalorn
