#include "app/orbit_camera.h"

#include <algorithm>
#include <cmath>

namespace cubalorn {

namespace {

using irr::core::vector3df;

// The camera's line of sight as a unit vector; straight ahead along -z for a
// camera standing on its target.
vector3df viewDirection(const CameraPose& pose) {
    vector3df d = pose.target - pose.position;
    if (d.getLengthSQ() < 1e-12f) return {0.0f, 0.0f, -1.0f};
    return d.normalize();
}

float clampDistance(float distance, const OrbitLimits& limits) {
    return std::clamp(distance, limits.minDistance, limits.maxDistance);
}

}  // namespace

CameraPose orbitPose(const CameraPose& pose, float yawDegrees, float pitchDegrees,
                     const OrbitLimits& limits) {
    const vector3df offset = pose.position - pose.target;
    const float distance = offset.getLength();
    if (distance < 1e-6f) return pose;
    // Azimuth about y measured from +z, elevation above the floor plane.
    const float azimuth = std::atan2(offset.X, offset.Z) + yawDegrees * irr::core::DEGTORAD;
    const float elevation = std::asin(std::clamp(offset.Y / distance, -1.0f, 1.0f));
    const float limit = limits.maxElevationDegrees * irr::core::DEGTORAD;
    const float newElevation =
        std::clamp(elevation + pitchDegrees * irr::core::DEGTORAD, -limit, limit);
    const float horizontal = distance * std::cos(newElevation);
    CameraPose turned = pose;
    turned.position =
        pose.target + vector3df(horizontal * std::sin(azimuth), distance * std::sin(newElevation),
                                horizontal * std::cos(azimuth));
    return turned;
}

CameraPose zoomPose(const CameraPose& pose, float factor, const OrbitLimits& limits) {
    if (!(factor > 0.0f)) return pose;
    const float distance = clampDistance(pose.distance() * factor, limits);
    CameraPose zoomed = pose;
    zoomed.position = pose.target - viewDirection(pose) * distance;
    return zoomed;
}

CameraPose panPose(const CameraPose& pose, float dx, float dy, float fovY, float viewHeight) {
    if (!(viewHeight > 0.0f)) return pose;
    const vector3df forward = viewDirection(pose);
    // The engine's coordinates are left-handed: right is up x forward.
    vector3df right = vector3df(0.0f, 1.0f, 0.0f).crossProduct(forward);
    // Looking straight up or down: any horizontal right will do.
    if (right.getLengthSQ() < 1e-10f) right = vector3df(1.0f, 0.0f, 0.0f);
    right.normalize();
    const vector3df up = forward.crossProduct(right).normalize();
    // World units per pixel at the target's depth.
    const float perPixel = 2.0f * pose.distance() * std::tan(fovY / 2.0f) / viewHeight;
    // Dragging right moves the scene right: the camera goes left.
    const vector3df shift = (right * -dx + up * dy) * perPixel;
    return {pose.position + shift, pose.target + shift};
}

CameraPose anchorPose(const CameraPose& pose, const vector3df& centre, float minDistance) {
    const vector3df forward = viewDirection(pose);
    const float along = std::max((centre - pose.position).dotProduct(forward), minDistance);
    return {pose.position, pose.position + forward * along};
}

CameraPose framePose(const CameraPose& pose, const irr::core::aabbox3df& box, float fovY,
                     float aspect, const OrbitLimits& limits) {
    const vector3df centre = box.getCenter();
    const float radius = std::max(box.getExtent().getLength() / 2.0f, 0.5f);
    // The narrower of the two view angles decides.
    const float halfY = fovY / 2.0f;
    const float halfX = std::atan(std::tan(halfY) * std::max(aspect, 1e-3f));
    const float half = std::min(halfY, halfX);
    const float distance = clampDistance(radius / std::sin(half) * 1.1f, limits);
    return {centre - viewDirection(pose) * distance, centre};
}

}  // namespace cubalorn
