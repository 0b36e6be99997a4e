#pragma once
// glTF 2.0 binary (.glb): one mesh with one primitive per palette colour used,
// each with its own material (the colour as base colour, not metallic, fully
// rough), positions and unit normals. y up, right-handed, as glTF requires.
// glTF readers take one unit as a metre: the numbers are those of the other
// mesh files (voxel edges times the placement's scale).

#include <string>

#include "chunk_writer.h"
#include "solid_mesh.h"
#include "voxel/palette.h"

namespace cubalorn::exporter {

void writeGlb(const SolidMesh& mesh, const Palette& palette, ChunkWriter& out);
std::string encodeGlb(const SolidMesh& mesh, const Palette& palette);

// glTF colours are linear; palette colours are sRGB.
float linearFromSrgb(uint8_t channel);

}  // namespace cubalorn::exporter
