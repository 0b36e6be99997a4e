#include "voxel/shapes.h"

#include <cmath>

#include "voxel/ball_scan.h"
#include "voxel/pen_sweep.h"
#include "voxel/turtle.h"
#include "voxel/volume.h"

namespace cubalorn {

void drawSphere(Turtle& turtle, int32_t r) {
    if (!turtle.volume()) return;
    const float w = 2.0f * float(r);
    const BallScan scan(ScanAxis::around(turtle.x, w), ScanAxis::around(turtle.y, w),
                        ScanAxis::around(turtle.z, w), r);
    int64_t lx, ly, lz;
    if (!scan.lastCell(lx, ly, lz)) return;
    // Stamping each distinct clamped cell once gives what stamping every
    // passing cell does: the pen value is the same throughout.
    PenSweep sweep(turtle);
    scan.forEachClampedRow(turtle.sizeX(), turtle.sizeY(), turtle.sizeZ(),
                           [&](int32_t y, int32_t z, int32_t xa, int32_t xb) {
                               sweep.addRow(y, z, xa, xb);
                           });
    sweep.finish();
    turtle.setPositionClamped(lx, ly, lz);
}

void drawCuboid(Turtle& turtle, int32_t width, int32_t height, int32_t depth) {
    if (!turtle.volume() || width <= 0 || height <= 0 || depth <= 0) return;
    const int64_t x0 = Turtle::truncatedCoordinate(turtle.x);
    const int64_t y0 = Turtle::truncatedCoordinate(turtle.y);
    const int64_t z0 = Turtle::truncatedCoordinate(turtle.z);
    const int64_t x1 = x0 + width - 1, y1 = y0 + height - 1, z1 = z0 + depth - 1;
    // Cells past a face collapse onto it: each clamped cell is stamped once.
    using scan_detail::clampCell;
    const int32_t sx = turtle.sizeX(), sy = turtle.sizeY(), sz = turtle.sizeZ();
    PenSweep sweep(turtle);
    for (int64_t z = clampCell(z0, sz); z <= clampCell(z1, sz); ++z)
        for (int64_t y = clampCell(y0, sy); y <= clampCell(y1, sy); ++y)
            sweep.addRow(int32_t(y), int32_t(z), int32_t(clampCell(x0, sx)),
                         int32_t(clampCell(x1, sx)));
    sweep.finish();
    turtle.setPositionClamped(x1, y1, z1);
}

void clearVolume(VoxelVolume& volume) { volume.clear(); }

int voxelUnderTurtle(const Turtle& turtle) {
    Vec3i cell;
    if (!turtle.volume() || !turtle.cellUnder(cell)) return 0;
    return turtle.volume()->voxel(cell.x, cell.y, cell.z).material();
}

}  // namespace cubalorn
