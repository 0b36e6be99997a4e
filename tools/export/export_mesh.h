#pragma once
// The mesh that the exports write.

#include "extract/mesh.h"
#include "voxel/volume.h"

namespace cubalorn::exporter {

enum class Surface { Cubic, Smooth };

// The smooth surface lies where density reaches this, as in the window.
constexpr uint8_t kSmoothThreshold = 127;

// Runs the chosen extractor over the volume and a margin of one voxel around
// it. The window leaves the outer faces of voxels on the volume's faces
// undrawn; a file for printing must not, or a sculpture standing on the
// volume's floor has no bottom. Positions are then moved back so that, as in
// the window's mesh, they are relative to the volume's lower corner. Cubic
// corners carry no occlusion (files have no use for it).
void extractForExport(const VoxelVolume& volume, Surface surface, ExtractedMesh& mesh);

}  // namespace cubalorn::exporter
