#pragma once
// The Logo drawing cursor: a float position in voxel units, a climb and a turn
// angle in degrees, and the pen whose stamp every drawing command uses.

#include <cstdint>

#include "voxel/region.h"
#include "voxel/voxel.h"

namespace cubalorn {

class VoxelVolume;

class Turtle {
public:
    static constexpr double kPi = 3.14159265358979;

    // Binds the turtle to `volume` (which must outlive it), puts the pen down
    // with size 1, colour 1 and density 255, and centres the turtle.
    void resetTurtle(VoxelVolume& volume);
    // Centre of the volume, both angles 0; the pen stays as it is.
    void home();

    // Clamps onto the volume, moves there and draws the way when the pen is down.
    void goTo(int32_t x, int32_t y, int32_t z);
    // Moves along the current direction; no clamping, so with the pen up the
    // turtle may leave the volume.
    void moveForward(float distance);

    void left(float degrees) { turnAngle = wrapAngle(turnAngle + degrees); }
    void right(float degrees) { turnAngle = wrapAngle(turnAngle - degrees); }
    void up(float degrees) { climbAngle = wrapAngle(climbAngle + degrees); }
    void down(float degrees) { climbAngle = wrapAngle(climbAngle - degrees); }
    // One correction each way: 360 stays 360, and -400 becomes -40.
    static float wrapAngle(float degrees);

    // Walks the voxels from a to b (both clamped onto the volume), stamping
    // the pen on every cell entered after the first. The turtle ends on the
    // clamped b.
    void drawLine(float ax, float ay, float az, float bx, float by, float bz);

    // Clamps each coordinate into 0..size-1 and moves there; never draws.
    void setPositionClamped(int64_t cx, int64_t cy, int64_t cz);

    // Nothing when the pen is up; pen size 1 sets the voxel under the turtle
    // (dropped when the turtle stands outside the volume); other sizes stamp
    // a box.
    void stampPen();
    // The cells around the turtle within a box of half-width size/2 whose
    // truncated distance is at most `size`, clamped onto the volume.
    void stampBox(int32_t size);

    // Material = low byte of the pen colour, density always 255.
    Voxel penValue() const { return Voxel(static_cast<uint16_t>((penColour & 0xFF) | 0xFF00)); }

    // The voxel under the turtle (position truncated towards zero); false when
    // a coordinate is not a number or beyond any volume.
    bool cellUnder(Vec3i& cell) const;

    // A coordinate truncated towards zero, saturated far beyond any volume;
    // not-a-number gives 0.
    static int64_t truncatedCoordinate(float v);

    VoxelVolume* volume() const { return volume_; }
    int32_t sizeX() const { return sizeX_; }
    int32_t sizeY() const { return sizeY_; }
    int32_t sizeZ() const { return sizeZ_; }

    float x = 0, y = 0, z = 0;
    float climbAngle = 0;  // UP adds, DOWN subtracts
    float turnAngle = 0;   // LEFT adds, RIGHT subtracts
    bool penUp = false;
    int32_t penSize = 1;
    int32_t penColour = 1;
    int32_t penDensity = 255;  // kept for PENDENSITY; drawn voxels always get 255

private:
    VoxelVolume* volume_ = nullptr;
    int32_t sizeX_ = 0, sizeY_ = 0, sizeZ_ = 0;
};

}  // namespace cubalorn
