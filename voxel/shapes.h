#pragma once
// Whole shapes drawn with the turtle's pen, and the volume-wide reads and
// clears of the drawing commands.

#include <cstdint>

namespace cubalorn {

class Turtle;
class VoxelVolume;

// Every cell within truncated distance r of the turtle, clamped onto the
// volume and stamped with the pen when it is down. The turtle ends on the last
// cell of the scan (z outermost, x innermost), pen up or down.
void drawSphere(Turtle& turtle, int32_t r);

// A box growing from the turtle's cell towards +x, +y and +z, clamped onto the
// volume; the turtle ends on its far corner. A zero or negative extent draws
// nothing and leaves the turtle where it was.
void drawCuboid(Turtle& turtle, int32_t width, int32_t height, int32_t depth);

// Every voxel back to 0; turtle, pen and palette stay.
void clearVolume(VoxelVolume& volume);

// The material of the voxel under the turtle, 0 outside the volume.
int voxelUnderTurtle(const Turtle& turtle);

}  // namespace cubalorn
