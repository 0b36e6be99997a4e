#pragma once
// Everything a program draws with: the one volume and the state that lives
// beside it for the whole run. Created once by main (or a test) and passed by
// reference; the interpreter's commands act on it.

#include "voxel/random.h"
#include "voxel/volume.h"

namespace cubalorn {

struct World {
    explicit World(VoxelVolume& v) : volume(v) {}

    VoxelVolume& volume;
    Random random;
    // The turtle, the palette and the height grid join here as they are built.
};

}  // namespace cubalorn
