#pragma once
// The straightforward extractors, written the plain way: every position of
// the region, every voxel read through VoxelVolume::voxel, no skipping and no
// reuse. The real extractors must produce exactly the same meshes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "extract/marching_cubes_tables.h"
#include "extract/mesh.h"
#include "voxel/volume.h"

namespace cubalorn {
namespace reference {

inline void finish(ExtractedMesh& mesh, const Region& region) {
    mesh.region = region;
    mesh.indexRanges.push_back({0, static_cast<int32_t>(mesh.indices.size())});
}

// Cubic: six cases per position, in this order.
struct CubicCase {
    int axis;         // 0 x, 1 y, 2 z: which neighbour is compared
    bool curIsSolid;  // the face belongs to cur (true) or to the neighbour
    float normal[3];
    int triangles[6];  // indices into q0..q3
};
constexpr CubicCase kCubicCases[6] = {
    {0, true, {1, 0, 0}, {0, 2, 1, 1, 2, 3}}, {0, false, {-1, 0, 0}, {0, 1, 2, 1, 3, 2}},
    {1, true, {0, 1, 0}, {0, 1, 2, 1, 3, 2}}, {1, false, {0, -1, 0}, {0, 2, 1, 1, 2, 3}},
    {2, true, {0, 0, 1}, {0, 2, 1, 1, 2, 3}}, {2, false, {0, 0, -1}, {0, 1, 2, 1, 3, 2}},
};
// Offsets of q0..q3 from the position, per axis of the face.
constexpr float kSquareCorners[3][4][3] = {
    {{0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
    {{-0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
    {{-0.5f, -0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}},
};

// Occlusion of one corner of a face: `front` is the voxel the face looks
// into, (su, sv) the corner's side along the face's in-plane axes u and v.
inline int cornerOcclusion(const VoxelVolume& volume, const int front[3], int u, int v, int su,
                           int sv) {
    auto solid = [&](int du, int dv) {
        int p[3] = {front[0], front[1], front[2]};
        p[u] += du;
        p[v] += dv;
        return volume.voxel(p[0], p[1], p[2]).material() != 0;
    };
    const bool side1 = solid(su, 0), side2 = solid(0, sv), diagonal = solid(su, sv);
    return side1 && side2 ? 3 : side1 + side2 + diagonal;
}

inline void cubic(const VoxelVolume& volume, const Region& region, ExtractedMesh& mesh,
                  bool ambientOcclusion = true) {
    mesh.clear();
    for (int32_t z = region.lower.z; z < region.upper.z; ++z)
        for (int32_t y = region.lower.y; y < region.upper.y; ++y)
            for (int32_t x = region.lower.x; x < region.upper.x; ++x) {
                const float r[3] = {float(x - region.lower.x), float(y - region.lower.y),
                                    float(z - region.lower.z)};
                for (const CubicCase& c : kCubicCases) {
                    const Voxel cur = volume.voxel(x, y, z);
                    const Voxel next =
                        volume.voxel(x + (c.axis == 0), y + (c.axis == 1), z + (c.axis == 2));
                    const bool curSolid = cur.material() != 0;
                    const bool nextSolid = next.material() != 0;
                    if (c.curIsSolid ? !(curSolid && !nextSolid) : !(nextSolid && !curSolid))
                        continue;
                    const float material = c.curIsSolid ? cur.material() : next.material();
                    // The face looks into the empty one of the two voxels.
                    int front[3] = {x, y, z};
                    if (c.curIsSolid) front[c.axis] += 1;
                    const int u = c.axis == 0 ? 1 : 0, w = c.axis == 2 ? 1 : 2;
                    uint32_t q[4];
                    int occ[4] = {0, 0, 0, 0};
                    for (int k = 0; k < 4; ++k) {
                        const float* o = kSquareCorners[c.axis][k];
                        if (ambientOcclusion)
                            occ[k] = cornerOcclusion(volume, front, u, w, o[u] > 0 ? 1 : -1,
                                                     o[w] > 0 ? 1 : -1);
                        q[k] = mesh.addVertex({{r[0] + o[0], r[1] + o[1], r[2] + o[2]},
                                               {c.normal[0], c.normal[1], c.normal[2]},
                                               material,
                                               float(occ[k]) / 3.0f});
                    }
                    // The diagonal joins the more open pair of opposite corners.
                    int t[6];
                    std::copy(c.triangles, c.triangles + 6, t);
                    if (occ[0] + occ[3] < occ[1] + occ[2]) {
                        // The same winding with the q0-q3 diagonal.
                        const bool firstOrder = c.triangles[1] == 2;
                        const int flipped[2][6] = {{0, 3, 2, 0, 1, 3}, {0, 2, 3, 0, 3, 1}};
                        std::copy(flipped[firstOrder], flipped[firstOrder] + 6, t);
                    }
                    for (int k = 0; k < 6; k += 3)
                        mesh.addTriangle(q[t[k]], q[t[k + 1]], q[t[k + 2]]);
                }
            }
    finish(mesh, region);
}

// Smooth: marching cubes, slice by slice, with every slice reset and every
// cube index computed from its eight corners.
class Smooth {
public:
    Smooth(const VoxelVolume& volume, const Region& region, ExtractedMesh& mesh, uint8_t threshold)
        : v_(volume), r_(region), mesh_(mesh), threshold_(threshold) {}

    void execute() {
        mesh_.clear();
        w_ = r_.upper.x - r_.lower.x + 1;
        h_ = r_.upper.y - r_.lower.y + 1;
        if (w_ > 0 && h_ > 0 && r_.lower.z <= r_.upper.z) walk();
        finish(mesh_, r_);
    }

private:
    struct Slices {
        std::vector<uint8_t> cubes;
        std::vector<int32_t> x, y, z;
    };

    void walk() {
        const size_t n = size_t(w_) * h_;
        Slices prev{std::vector<uint8_t>(n), std::vector<int32_t>(n, -1),
                    std::vector<int32_t>(n, -1), std::vector<int32_t>(n, -1)};
        Slices cur = prev;
        int occupiedPrev = classify(r_.lower.z, prev.cubes);
        if (occupiedPrev) generateVertices(r_.lower.z, prev);
        for (int32_t z = r_.lower.z + 1; z <= r_.upper.z; ++z) {
            const int occupied = classify(z, cur.cubes);
            if (occupied) {
                std::fill(cur.x.begin(), cur.x.end(), -1);
                std::fill(cur.y.begin(), cur.y.end(), -1);
                std::fill(cur.z.begin(), cur.z.end(), -1);
                generateVertices(z, cur);
            }
            if (occupiedPrev || occupied) generateTriangles(prev, cur);
            std::swap(prev, cur);
            occupiedPrev = occupied;
        }
    }

    int density(int32_t x, int32_t y, int32_t z) const { return v_.voxel(x, y, z).density(); }

    uint8_t cubeIndex(int32_t x, int32_t y, int32_t z) const {
        uint8_t index = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (density(x + (bit & 1), y + ((bit >> 1) & 1), z + ((bit >> 2) & 1)) < threshold_)
                index |= uint8_t(1 << bit);
        return index;
    }

    int classify(int32_t z, std::vector<uint8_t>& cubes) const {
        int occupied = 0;
        for (int32_t y = r_.lower.y; y <= r_.upper.y; ++y)
            for (int32_t x = r_.lower.x; x <= r_.upper.x; ++x) {
                const uint8_t c = cubeIndex(x, y, z);
                cubes[at(x, y)] = c;
                if (kEdgeTable[c] != 0) ++occupied;
            }
        return occupied;
    }

    size_t at(int32_t x, int32_t y) const {
        return size_t(x - r_.lower.x) + size_t(w_) * (y - r_.lower.y);
    }

    Vec3f gradient(int32_t x, int32_t y, int32_t z) const {
        return {float(density(x - 1, y, z)) - float(density(x + 1, y, z)),
                float(density(x, y - 1, z)) - float(density(x, y + 1, z)),
                float(density(x, y, z - 1)) - float(density(x, y, z + 1))};
    }

    void generateVertices(int32_t z, Slices& s) {
        for (int32_t y = r_.lower.y; y <= r_.upper.y; ++y)
            for (int32_t x = r_.lower.x; x <= r_.upper.x; ++x) {
                const uint16_t edges = kEdgeTable[s.cubes[at(x, y)]];
                if (edges == 0) continue;
                const Voxel a0 = v_.voxel(x, y, z);
                const Vec3f g0 = gradient(x, y, z);
                const int edgeBits[3] = {0, 3, 8};
                for (int axis = 0; axis < 3; ++axis) {
                    if (!(edges & (1 << edgeBits[axis]))) continue;
                    const int32_t x1 = x + (axis == 0), y1 = y + (axis == 1), z1 = z + (axis == 2);
                    const Voxel a1 = v_.voxel(x1, y1, z1);
                    const Vec3f g1 = gradient(x1, y1, z1);
                    const float f = float(int(threshold_) - int(a0.density())) /
                                    float(int(a1.density()) - int(a0.density()));
                    MeshVertex vertex;
                    float pos[3] = {float(x - r_.lower.x), float(y - r_.lower.y),
                                    float(z - r_.lower.z)};
                    pos[axis] += f;
                    vertex.pos = {pos[0], pos[1], pos[2]};
                    Vec3f n{g1.x * f + g0.x * (1.0f - f), g1.y * f + g0.y * (1.0f - f),
                            g1.z * f + g0.z * (1.0f - f)};
                    const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
                    if (!(length < 0.0001f)) n = {n.x / length, n.y / length, n.z / length};
                    vertex.normal = n;
                    vertex.material = float(std::max(a0.material(), a1.material()));
                    const int32_t index = int32_t(mesh_.addVertex(vertex));
                    (axis == 0 ? s.x : axis == 1 ? s.y : s.z)[at(x, y)] = index;
                }
            }
    }

    void generateTriangles(const Slices& below, const Slices& above) {
        for (int32_t y = r_.lower.y; y <= r_.upper.y - 1; ++y)
            for (int32_t x = r_.lower.x; x <= r_.upper.x - 1; ++x) {
                const uint8_t c = below.cubes[at(x, y)];
                if (kEdgeTable[c] == 0) continue;
                const int32_t vertexOf[12] = {
                    below.x[at(x, y)],     below.y[at(x + 1, y)],     below.x[at(x, y + 1)],
                    below.y[at(x, y)],     above.x[at(x, y)],         above.y[at(x + 1, y)],
                    above.x[at(x, y + 1)], above.y[at(x, y)],         below.z[at(x, y)],
                    below.z[at(x + 1, y)], below.z[at(x + 1, y + 1)], below.z[at(x, y + 1)],
                };
                for (int t = 0; kTriangleTable[c][t] != -1; t += 3) {
                    const int32_t a = vertexOf[kTriangleTable[c][t]];
                    const int32_t b = vertexOf[kTriangleTable[c][t + 1]];
                    const int32_t d = vertexOf[kTriangleTable[c][t + 2]];
                    if (a != -1 && b != -1 && d != -1) mesh_.addTriangle(a, b, d);
                }
            }
    }

    const VoxelVolume& v_;
    const Region r_;
    ExtractedMesh& mesh_;
    const uint8_t threshold_;
    int32_t w_ = 0, h_ = 0;
};

}  // namespace reference
}  // namespace cubalorn
