#pragma once
// Helpers shared by the voxel tests: a volume with a bound turtle, voxel
// snapshots, and the plain nested-loop scans of the sphere and the box stamp
// that the real ones (which skip collapsed cells) must agree with.

#include <cmath>
#include <map>
#include <tuple>

#include "voxel/turtle.h"
#include "voxel/volume.h"

namespace cubalorn::testing {

using Cell = std::tuple<int, int, int>;
using Snapshot = std::map<Cell, uint16_t>;  // every non-zero voxel

struct Scene {
    explicit Scene(int ux, int uy, int uz) : volume(Region{{0, 0, 0}, {ux, uy, uz}}, 32) {
        turtle.resetTurtle(volume);
    }
    void place(float x, float y, float z) {
        turtle.x = x;
        turtle.y = y;
        turtle.z = z;
    }
    Snapshot snapshot() const {
        Snapshot s;
        for (int z = 0; z < volume.depth(); ++z)
            for (int y = 0; y < volume.height(); ++y)
                for (int x = 0; x < volume.width(); ++x)
                    if (uint16_t raw = volume.voxel(x, y, z).raw) s[{x, y, z}] = raw;
        return s;
    }
    size_t count() const { return snapshot().size(); }
    Cell turtleCell() const { return {int(turtle.x), int(turtle.y), int(turtle.z)}; }

    VoxelVolume volume;
    Turtle turtle;
};

inline int clampTo(int v, int size) { return v < 0 ? 0 : (v >= size ? size - 1 : v); }

// The box stamp as a plain loop over every cell of its box.
inline void plainBoxStamp(Scene& s, int size) {
    const Turtle& t = s.turtle;
    const int r = size / 2;
    const Voxel value = t.penValue();
    for (int z = int(t.z - r); z < t.z + r; ++z)
        for (int y = int(t.y - r); y < t.y + r; ++y)
            for (int x = int(t.x - r); x < t.x + r; ++x) {
                const float dx = x - t.x, dy = y - t.y, dz = z - t.z;
                const int d = int(std::sqrt(dx * dx + dy * dy + dz * dz));
                if (d <= size)
                    s.volume.setVoxel(clampTo(x, t.sizeX()), clampTo(y, t.sizeY()),
                                      clampTo(z, t.sizeZ()), value);
            }
}

// The sphere as a plain loop; pen stamps go through the turtle.
inline void plainSphere(Scene& s, int r) {
    Turtle& t = s.turtle;
    const float cx = t.x, cy = t.y, cz = t.z, w = float(2 * r);
    for (int z = int(cz - w); z < cz + w; ++z)
        for (int y = int(cy - w); y < cy + w; ++y)
            for (int x = int(cx - w); x < cx + w; ++x) {
                const float dx = x - cx, dy = y - cy, dz = z - cz;
                const int d = int(std::sqrt(dx * dx + dy * dy + dz * dz));
                if (d <= r) {
                    t.setPositionClamped(x, y, z);
                    if (!t.penUp) t.stampPen();
                }
            }
}

// The cuboid as a plain loop.
inline void plainCuboid(Scene& s, int width, int height, int depth) {
    Turtle& t = s.turtle;
    const int x0 = int(t.x), y0 = int(t.y), z0 = int(t.z);
    if (width <= 0 || height <= 0 || depth <= 0) return;
    for (int z = z0; z < z0 + depth; ++z)
        for (int y = y0; y < y0 + height; ++y)
            for (int x = x0; x < x0 + width; ++x) {
                t.setPositionClamped(x, y, z);
                if (!t.penUp) t.stampPen();
            }
}

}  // namespace cubalorn::testing
