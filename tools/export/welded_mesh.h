#pragma once
// Vertices at the same position merged into one, so that the squares of
// neighbouring voxels share corners and a closed sculpture becomes one
// closed surface instead of a heap of separate squares.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "extract/mesh.h"

namespace cubalorn::exporter {

struct WeldedMesh {
    std::vector<Vec3f> positions;     // each position once, in order of first use
    std::vector<uint32_t> triangles;  // three indices into `positions` per triangle
    // For every triangle kept, its number in the extracted mesh. Triangles
    // that merging collapsed (two corners at one position) are dropped.
    std::vector<uint32_t> sourceTriangles;
    // For every position, the first extracted vertex found there.
    std::vector<uint32_t> sourceVertices;
};

// Positions compare exactly (0 and -0 are the same place). Triangles naming a
// vertex the mesh does not have are dropped too.
WeldedMesh weldVertices(const ExtractedMesh& mesh);

// Does triangle `t` name three vertices that the mesh has?
inline bool hasValidCorners(const ExtractedMesh& mesh, size_t t) {
    const size_t n = mesh.vertices.size();
    return mesh.indices[3 * t] < n && mesh.indices[3 * t + 1] < n && mesh.indices[3 * t + 2] < n;
}

// Gives each distinct Vec3f a dense number in order of first sight.
class Vec3fNumbering {
public:
    explicit Vec3fNumbering(size_t expectedCount);
    // The number of `v`, a new one when `v` was not seen before.
    uint32_t number(const Vec3f& v);
    const std::vector<Vec3f>& values() const { return values_; }
    std::vector<Vec3f> takeValues() { return std::move(values_); }

private:
    void grow();

    std::vector<Vec3f> values_;
    std::vector<uint32_t> slots_;  // value number + 1; 0 is a free slot
    size_t mask_ = 0;
};

}  // namespace cubalorn::exporter
