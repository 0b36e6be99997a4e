#pragma once
// What cubalorn-batch writes from the final volume: mesh files and .vox.

#include <cstdio>

#include "options.h"
#include "voxel/palette.h"
#include "voxel/volume.h"

namespace cubalorn::batch {

// Refuses, one line on `errors` each, export files that would overwrite the
// program or each other, or that cannot be written (missing directory, a
// directory or device in the way). Run before the program, so a long run
// does not end in a file that cannot be written.
bool checkExportTargets(const Options& options, std::FILE* errors);

// Writes every file the options name, each one atomically. A problem is one
// line on `errors` per file; the other files are still written. Returns false
// when any file was not written. An empty surface or volume still gives valid
// files, with a warning.
bool writeExports(const Options& options, const VoxelVolume& volume, const Palette& palette,
                  std::FILE* errors);

}  // namespace cubalorn::batch
