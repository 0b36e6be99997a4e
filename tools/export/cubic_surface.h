#pragma once
// The cubic surface for the mesh files, built straight from the voxels: the
// squares the cubic extractor gives (same squares, materials, order and
// winding), welded as they are made. Corners of a cubic surface lie on the
// lattice of voxel corners, so two planes of corner numbers replace the
// vertex list and the position hashing that welding an extracted mesh needs.

#include "solid_mesh.h"
#include "voxel/volume.h"

namespace cubalorn::exporter {

// What buildSolidMesh gives for the volume's cubic extraction (see
// extractForExport), without extracting it.
SolidMesh cubicSolidMesh(const VoxelVolume& volume, const MeshPlacement& placement,
                         SolidMeshReport* report = nullptr);

}  // namespace cubalorn::exporter
