#pragma once
// The volume as a MagicaVoxel .vox file, the format voxel editors share.
//
// - A voxel is written when its material is not 0, as the cubic view shows
//   it; density is not stored by the format. Material m (1..255) keeps its
//   number as the colour index, which the format counts from 1 with 0 as
//   empty, so the two agree without shifting voxels.
// - The RGBA chunk stores the colour of index i at entry i - 1: entry k holds
//   the palette colour of material k + 1, and the last entry (no index uses
//   it) is black. Material 255 exports its stored palette entry.
// - The format is z up and right-handed: voxel (x, y, z) goes to (x, z, y),
//   which holds the sculpture as the window shows it (see solid_mesh.h).
// - Models are at most 256 voxels along each axis. A larger volume becomes a
//   grid of models, each placed by its own transform node under one group
//   node. As in the editor, a model's translation ("_t") is the position of
//   its centre: its lower corner plus half its size, rounded down.

#include <cstdint>
#include <string>

#include "voxel/palette.h"
#include "voxel/volume.h"

namespace cubalorn::exporter {

constexpr int32_t kVoxModelSideLimit = 256;

std::string encodeVox(const VoxelVolume& volume, const Palette& palette);

}  // namespace cubalorn::exporter
