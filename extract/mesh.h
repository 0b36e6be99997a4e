#pragma once
// The triangle lists both extractors fill and the shell presents.

#include <cstdint>
#include <vector>

#include "voxel/region.h"

namespace cubalorn {

struct Vec3f {
    float x = 0;
    float y = 0;
    float z = 0;
    bool operator==(const Vec3f& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct MeshVertex {
    Vec3f pos;       // voxel units, relative to the extracted region's lower corner
    Vec3f normal;    // unit axis vectors for cubic faces
    float material;  // the voxel material 0..255 as a float
    // How closed in the corner is, from the voxels around it in front of the
    // face: 0 open, 1/3 and 2/3 with one or two of its three neighbours
    // solid, 1 with all three (or both sides). Cubic meshes only; 0 elsewhere.
    float occlusion = 0.0f;
    bool operator==(const MeshVertex& o) const {
        return pos == o.pos && normal == o.normal && material == o.material &&
               occlusion == o.occlusion;
    }
};

struct IndexRange {
    int32_t firstIndex = 0;
    int32_t endIndex = 0;
};

struct ExtractedMesh {
    std::vector<uint32_t> indices;  // three per triangle
    std::vector<MeshVertex> vertices;
    std::vector<IndexRange> indexRanges;  // exactly one after an extraction
    Region region;

    void clear() {
        indices.clear();
        vertices.clear();
        indexRanges.clear();
    }
    uint32_t addVertex(const MeshVertex& v) {
        vertices.push_back(v);
        return static_cast<uint32_t>(vertices.size() - 1);
    }
    void addTriangle(uint32_t a, uint32_t b, uint32_t c) {
        indices.push_back(a);
        indices.push_back(b);
        indices.push_back(c);
    }
};

}  // namespace cubalorn
