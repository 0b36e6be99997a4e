#pragma once
// The surface that every mesh file holds, in the file's own terms.
//
// Frames. The window draws voxel (x, y, z) on the engine's left-handed axes
// (x right, y up, z into the screen), so the numbers (x, y, z) describe the
// sculpture in a left-handed frame. Files are right-handed: copying the
// numbers would hold the mirror image. The y-up files (OBJ, PLY, glTF) take
// (x, y, -z): seen from their front (+z toward the viewer) the sculpture looks
// as it does from the window's starting camera. The z-up files (STL, 3MF,
// .vox) turn that a quarter about x, (X, Y, Z) -> (X, -Z, Y), which makes
// (x, z, y): the numbers of the voxel, with y and z exchanged.
//
// Placement. On the plate (the default), the lowest point is at 0 on the up
// axis and the bounding box is centred on the origin along the two other
// axes. `Origin::Volume` keeps the volume's own origin instead (voxel (0,0,0)
// centred at the origin), so files from different programs line up.
// Positions are in voxel edges times `scale` (millimetres for printing).

#include <cstdint>
#include <vector>

#include "export_mesh.h"
#include "extract/mesh.h"

namespace cubalorn::exporter {

enum class Origin { Plate, Volume };

struct MeshPlacement {
    float scale = 1.0f;
    Origin origin = Origin::Plate;
};

struct SolidMesh {
    std::vector<Vec3f> positions;     // right-handed, y up, placed and scaled
    std::vector<uint32_t> triangles;  // three per triangle, counter-clockwise seen from outside
    std::vector<uint8_t> materials;   // one per triangle
    // Cubic surface: one unit normal per triangle. Smooth surface: one per vertex.
    std::vector<Vec3f> faceNormals;
    std::vector<Vec3f> vertexNormals;

    size_t triangleCount() const { return triangles.size() / 3; }
    bool empty() const { return triangles.empty(); }
};

// Right-handed y-up (voxel numbers (x, y, -z)) from the volume's numbers.
inline Vec3f yUpFromVolume(const Vec3f& p) {
    return {p.x, p.y, -p.z + 0.0f};
}
// Right-handed z-up from right-handed y-up: a quarter turn about x.
inline Vec3f zUpFromYUp(const Vec3f& p) {
    return {p.x, -p.z + 0.0f, p.y};
}

struct SolidMeshReport {
    uint32_t splitVertices =
        0;                   // cubic: lattice points split where voxels touch by an edge or corner
    uint32_t openEdges = 0;  // edges not used by exactly two triangles after building
};

// Welds the extracted mesh by position; a cubic surface is also split where
// voxels touch only along an edge or at a corner, so that it is manifold.
// Degenerate triangles are dropped.
SolidMesh buildSolidMesh(const ExtractedMesh& mesh, Surface surface, const MeshPlacement& placement,
                         SolidMeshReport* report = nullptr);

// Extraction (with the export margin) and building in one step.
SolidMesh solidMeshOfVolume(const VoxelVolume& volume, Surface surface,
                            const MeshPlacement& placement, SolidMeshReport* report = nullptr);

// Edges used by other than exactly two triangles, counted once per edge of
// distinct vertex numbers: 0 for a closed manifold surface.
uint32_t countOpenEdges(const std::vector<uint32_t>& triangles);

}  // namespace cubalorn::exporter
