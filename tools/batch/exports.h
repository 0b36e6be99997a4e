#pragma once
// What cubalorn-batch writes from the final volume: mesh files and .vox.

#include <cstdio>

#include "options.h"
#include "voxel/palette.h"
#include "voxel/volume.h"

namespace cubalorn::batch {

// Writes every file the options name, each one atomically. A problem is one
// line on `errors` per file; the other files are still written. Returns false
// when any file was not written.
bool writeExports(const Options& options, const VoxelVolume& volume, const Palette& palette,
                  std::FILE* errors);

}  // namespace cubalorn::batch
