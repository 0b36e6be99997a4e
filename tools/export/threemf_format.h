#pragma once
// 3MF: the package slicers share. One object, z up, in millimetres (one voxel
// edge is the placement's scale), standing on the plate unless the volume's
// origin is kept. Colours follow the materials extension: one colour group
// with an entry per palette colour used; the object's own colour is the most
// used one, and every other triangle names its entry (p1).
// The package is a zip archive written through libzip, compressed at a fast
// level; its entries carry a fixed date so one sculpture gives the same bytes.

#include <string>

#include "solid_mesh.h"
#include "voxel/palette.h"

namespace cubalorn::exporter {

// The model part (3D/3dmodel.model) on its own.
std::string encode3mfModel(const SolidMesh& mesh, const Palette& palette);

// The whole package. Returns false with `error` set when the archive could
// not be built (out of memory).
bool encode3mf(const SolidMesh& mesh, const Palette& palette, std::string& bytes,
               std::string& error);

}  // namespace cubalorn::exporter
