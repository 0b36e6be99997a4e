#include "voxel/turtle.h"

#include <cmath>
#include <limits>

#include "voxel/ball_scan.h"
#include "voxel/volume.h"

namespace cubalorn {

namespace {

// A float coordinate clamped onto 0..size-1; NaN (a turtle sent nowhere by
// an infinite distance) lands on 0.
float clampCoordinate(float v, int32_t size) {
    if (!(v >= 0)) return 0;
    if (v >= float(size)) return float(size - 1);
    return v;
}

bool truncatedCell(float v, int32_t& cell) {
    // Every volume axis is far below 2^30; beyond that nothing is inside.
    if (!(std::fabs(v) < 1073741824.0f)) return false;
    cell = static_cast<int32_t>(v);
    return true;
}

}  // namespace

void Turtle::resetTurtle(VoxelVolume& volume) {
    volume_ = &volume;
    penUp = false;
    penSize = 1;
    penColour = 1;
    penDensity = 255;
    sizeX_ = volume.width();
    sizeY_ = volume.height();
    sizeZ_ = volume.depth();
    home();
}

void Turtle::home() {
    x = float(sizeX_ / 2);
    y = float(sizeY_ / 2);
    z = float(sizeZ_ / 2);
    climbAngle = 0;
    turnAngle = 0;
}

float Turtle::wrapAngle(float degrees) {
    if (degrees < 0) degrees += 360;
    if (degrees > 360) degrees -= 360;
    return degrees;
}

void Turtle::goTo(int32_t gx, int32_t gy, int32_t gz) {
    const float ox = x, oy = y, oz = z;
    setPositionClamped(gx, gy, gz);
    if (!penUp) drawLine(ox, oy, oz, x, y, z);
}

void Turtle::moveForward(float distance) {
    const float ox = x, oy = y, oz = z;
    const float c = static_cast<float>(climbAngle * kPi / 180.0);
    const float t = static_cast<float>(turnAngle * kPi / 180.0);
    // Each product in single precision, as the coordinates are.
    x += std::cos(c) * distance * std::cos(t);
    y += std::sin(c) * distance * std::cos(t);
    z += std::sin(t) * distance;
    if (!penUp) drawLine(ox, oy, oz, x, y, z);
}

void Turtle::drawLine(float ax, float ay, float az, float bx, float by, float bz) {
    if (!volume_) return;
    const float a[3] = {clampCoordinate(ax, sizeX_), clampCoordinate(ay, sizeY_),
                        clampCoordinate(az, sizeZ_)};
    const float b[3] = {clampCoordinate(bx, sizeX_), clampCoordinate(by, sizeY_),
                        clampCoordinate(bz, sizeZ_)};
    int32_t cell[3], end[3], step[3];
    float tMax[3], tDelta[3];
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    for (int i = 0; i < 3; ++i) {
        const float fa = std::floor(a[i]);
        cell[i] = static_cast<int32_t>(fa);
        end[i] = static_cast<int32_t>(std::floor(b[i]));
        step[i] = a[i] < b[i] ? 1 : (a[i] > b[i] ? -1 : 0);
        const float span = std::fabs(b[i] - a[i]);
        if (span == 0) {
            tDelta[i] = kInfinity;
            tMax[i] = kInfinity;
        } else {
            tDelta[i] = 1 / span;
            tMax[i] = (a[i] > b[i] ? a[i] - fa : fa + 1 - a[i]) / span;
        }
    }
    setPositionClamped(cell[0], cell[1], cell[2]);
    float* coordinate[3] = {&x, &y, &z};
    // Each pass moves one axis one cell towards its end cell and never past
    // it, so the walk ends after at most the three spans.
    for (;;) {
        int axis;
        if (tMax[0] <= tMax[1] && tMax[0] <= tMax[2]) {
            axis = 0;
        } else if (tMax[1] <= tMax[2]) {
            axis = 1;
        } else {
            axis = 2;
        }
        if (cell[axis] == end[axis]) {
            // An axis moving down from a whole coordinate meets one more
            // boundary exactly at the end point, tying with the last step of
            // the other axes; stopping there would leave the end voxel out
            // (GOTO would not draw the cell it lands on). Finish the others.
            if (cell[0] == end[0] && cell[1] == end[1] && cell[2] == end[2]) break;
            tMax[axis] = kInfinity;
            continue;
        }
        tMax[axis] += tDelta[axis];
        cell[axis] += step[axis];
        *coordinate[axis] += float(step[axis]);
        stampPen();
    }
    x = b[0];
    y = b[1];
    z = b[2];
}

void Turtle::setPositionClamped(int64_t cx, int64_t cy, int64_t cz) {
    using scan_detail::clampCell;
    x = float(clampCell(cx, sizeX_));
    y = float(clampCell(cy, sizeY_));
    z = float(clampCell(cz, sizeZ_));
}

int64_t Turtle::truncatedCoordinate(float v) {
    if (std::isnan(v)) return 0;
    return scan_detail::saturate(std::trunc(double(v)));
}

bool Turtle::cellUnder(Vec3i& cell) const {
    return truncatedCell(x, cell.x) && truncatedCell(y, cell.y) && truncatedCell(z, cell.z);
}

void Turtle::stampPen() {
    if (penUp || !volume_) return;
    if (penSize == 1) {
        Vec3i cell;
        // Outside the volume the write is dropped, never moved onto a face.
        if (cellUnder(cell)) volume_->setVoxel(cell.x, cell.y, cell.z, penValue());
        return;
    }
    stampBox(penSize);
}

void Turtle::stampBox(int32_t size) {
    if (!volume_) return;
    const int32_t half = size / 2;
    const BallScan scan(ScanAxis::around(x, float(half)), ScanAxis::around(y, float(half)),
                        ScanAxis::around(z, float(half)), size);
    VoxelVolume& volume = *volume_;
    const Voxel value = penValue();
    scan.forEachClampedCell(sizeX_, sizeY_, sizeZ_, [&](int32_t cx, int32_t cy, int32_t cz) {
        volume.setVoxel(cx, cy, cz, value);
    });
}

}  // namespace cubalorn
