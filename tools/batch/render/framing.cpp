#include "framing.h"

#include <algorithm>
#include <cmath>

namespace cubalorn::batch {

using irr::core::vector3df;
using irr::f32;

namespace {

constexpr f32 kFitTurn = 40.0f;        // degrees from the front towards the side
constexpr f32 kFitElevation = 30.0f;   // degrees above the horizon

struct Axes {
    vector3df forward, right, up;
};

Axes cameraAxes(const vector3df& direction, const vector3df& worldUp) {
    Axes a;
    a.forward = -direction;
    a.forward.normalize();
    a.right = worldUp.crossProduct(a.forward);
    a.right.normalize();
    a.up = a.forward.crossProduct(a.right);
    return a;
}

// How far back from `target` the camera must stand for the points to fit.
f32 distanceFor(const vector3df* points, int count, const vector3df& target, const Axes& a,
                f32 tanX, f32 tanY) {
    f32 distance = 0.0f;
    for (int i = 0; i < count; ++i) {
        const vector3df v = points[i] - target;
        const f32 x = std::fabs(v.dotProduct(a.right)), y = std::fabs(v.dotProduct(a.up));
        const f32 z = v.dotProduct(a.forward);
        distance = std::max({distance, x / tanX - z, y / tanY - z});
    }
    return distance;
}

}  // namespace

std::optional<View> parseView(const std::string& text) {
    if (text == "fit") return View::Fit;
    if (text == "program") return View::Program;
    if (text == "front") return View::Front;
    if (text == "top") return View::Top;
    if (text == "side") return View::Side;
    return std::nullopt;
}

vector3df viewDirection(View view, f32 turnDegrees) {
    f32 turn = 0.0f, elevation = 0.0f;
    switch (view) {
        case View::Fit:
        case View::Program:
            turn = kFitTurn;
            elevation = kFitElevation;
            break;
        case View::Front: break;
        case View::Side: turn = 90.0f; break;
        case View::Top: elevation = 90.0f; break;
    }
    turn = (turn + turnDegrees) * irr::core::DEGTORAD;
    elevation *= irr::core::DEGTORAD;
    return vector3df(std::sin(turn) * std::cos(elevation), std::sin(elevation),
                     std::cos(turn) * std::cos(elevation));
}

namespace {

CameraPlacement looking(const vector3df& direction) {
    CameraPlacement placement;
    // Looking straight down, the picture's top is the far (voxel +z) side.
    placement.up = std::fabs(direction.Y) > 0.999f ? vector3df(0, 0, -1) : vector3df(0, 1, 0);
    return placement;
}

}  // namespace

std::optional<CameraPlacement> framePoints(const std::vector<vector3df>& points,
                                           const vector3df& direction, f32 aspect, f32 fill) {
    if (points.empty()) return std::nullopt;
    CameraPlacement placement = looking(direction);
    const Axes axes = cameraAxes(direction, placement.up);
    const f32 tanY = std::tan(kFramingFieldOfView / 2) * fill, tanX = tanY * aspect;
    irr::core::aabbox3df box(points.front());
    for (const vector3df& p : points) box.addInternalPoint(p);
    vector3df target = box.getCenter();
    const int count = int(points.size());
    // Seen in perspective, the points' outline is not centred on their
    // middle: move the aim by the outline's offset and measure again.
    for (int round = 0; round < 4; ++round) {
        const f32 distance = distanceFor(points.data(), count, target, axes, tanX, tanY);
        const vector3df eye = target - axes.forward * distance;
        f32 lowX = 1e30f, highX = -1e30f, lowY = 1e30f, highY = -1e30f;
        for (const vector3df& p : points) {
            const vector3df v = p - eye;
            const f32 depth = std::max(v.dotProduct(axes.forward), 1e-3f);
            const f32 x = v.dotProduct(axes.right) / depth, y = v.dotProduct(axes.up) / depth;
            lowX = std::min(lowX, x), highX = std::max(highX, x);
            lowY = std::min(lowY, y), highY = std::max(highY, y);
        }
        target += (axes.right * ((lowX + highX) / 2) + axes.up * ((lowY + highY) / 2)) * distance;
    }
    placement.target = target;
    placement.position =
        target - axes.forward * distanceFor(points.data(), count, target, axes, tanX, tanY);
    return placement;
}

CameraPlacement frameTurning(const irr::core::aabbox3df& box, const vector3df& direction,
                             f32 aspect, f32 fill) {
    CameraPlacement placement = looking(direction);
    const Axes axes = cameraAxes(direction, placement.up);
    const f32 tanY = std::tan(kFramingFieldOfView / 2) * fill, tanX = tanY * aspect;
    // Every corner's circle about the vertical axis through the centre, as
    // sixteen points each.
    vector3df corners[8];
    box.getEdges(corners);
    const vector3df centre = box.getCenter();
    vector3df swept[8 * 16];
    for (int c = 0; c < 8; ++c)
        for (int k = 0; k < 16; ++k) {
            vector3df p = corners[c] - centre;
            p.rotateXZBy(22.5 * k);
            swept[16 * c + k] = p + centre;
        }
    placement.target = centre;
    placement.position =
        centre - axes.forward * distanceFor(swept, 8 * 16, centre, axes, tanX, tanY);
    return placement;
}

}  // namespace cubalorn::batch
