#pragma once
// Everything a program draws with: the one volume and the state that lives
// beside it for the whole run. Created once by main (or a test) and passed by
// reference; the interpreter's commands act on it.

#include "voxel/palette.h"
#include "voxel/random.h"
#include "voxel/terrain.h"
#include "voxel/turtle.h"
#include "voxel/volume.h"

namespace cubalorn {

struct World {
    // Binds the turtle to the volume (centred, pen down, size 1, colour 1) and
    // fills the palette. The shell reseeds `random` from the clock and calls
    // palette.initPalette again when it wants entry 255 to differ per run.
    explicit World(VoxelVolume& v) : volume(v) {
        palette.initPalette(random);
        turtle.resetTurtle(volume);
        turtle.home();
    }

    VoxelVolume& volume;
    Random random;
    Turtle turtle;
    Palette palette;
    HeightGrid heightGrid;
};

}  // namespace cubalorn
