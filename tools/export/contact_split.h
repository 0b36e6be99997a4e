#pragma once
// Voxels that touch only along an edge or at a corner make a welded cubic
// surface non-manifold: four squares on one edge, two fans of faces around
// one vertex. Slicers repair such files or refuse them. This pass gives each
// fan its own vertex, so every edge has two triangles and every vertex one
// fan, and nudges the copies a tiny step apart, so that readers which weld
// by position (STL has nothing else) see the same surface.

#include <cstdint>
#include <vector>

#include "extract/mesh.h"

namespace cubalorn::exporter {

// How far a split vertex moves, in voxels: far below any printer's
// resolution, far above float rounding for volumes of thousands of voxels.
constexpr float kContactInset = 1.0f / 64.0f;

struct ContactSplitStats {
    uint32_t splitVertices = 0;  // lattice points that got more than one vertex
    uint32_t crossedEdges = 0;   // four-square edges paired around the empty side
};

// `positions` and `triangles` are a welded cubic surface in voxel units (corners
// at half-integer coordinates), each triangle wound counter-clockwise about the
// outward axis in `faceAxes` (0..5: +x, -x, +y, -y, +z, -z). New vertices are
// appended to `positions` and triangles renumbered in place.
//
// Around an edge with four squares the two solid voxels are kept apart (each
// voxel's squares pair up), unless that leaves the edge shared at both of its
// ends, as when two empty cells meet along an edge inside solid: then the two
// empty cells are kept apart instead. Each copy moves toward the cells that
// only its own fan touches.
ContactSplitStats splitContacts(std::vector<Vec3f>& positions, std::vector<uint32_t>& triangles,
                                const std::vector<uint8_t>& faceAxes);

}  // namespace cubalorn::exporter
