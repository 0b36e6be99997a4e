#pragma once
// The orbit camera's geometry: a camera pose (position and the point it
// looks at) turned about, moved towards or alongside that point, or aimed so
// that a box fills the view. Pure arithmetic over the engine's vectors, with
// y up, so it is tested without a window.

#include <irrlicht.h>

namespace cubalorn {

struct CameraPose {
    irr::core::vector3df position;
    irr::core::vector3df target;
    float distance() const { return static_cast<float>(position.getDistanceFrom(target)); }
};

// The limits of the orbit: how high or low it may look, and how near and far
// the camera may come to the point it orbits.
struct OrbitLimits {
    float maxElevationDegrees = 89.0f;
    float minDistance = 2.0f;
    float maxDistance = 5000.0f;
};

// Turns the camera about its target: `yawDegrees` about the vertical (positive
// turns the camera towards +x from +z, counter-clockwise seen from above),
// `pitchDegrees` up and over (positive raises the camera). The elevation
// stays within the limits, so the view never flips over the pole.
CameraPose orbitPose(const CameraPose& pose, float yawDegrees, float pitchDegrees,
                     const OrbitLimits& limits = {});

// Moves the camera along its line of sight so that its distance to the
// target is multiplied by `factor` (below 1 comes closer), within the limits.
CameraPose zoomPose(const CameraPose& pose, float factor, const OrbitLimits& limits = {});

// Slides camera and target together across the view so that the point
// under the mouse follows it: `dx`, `dy` in pixels (y down, as the window
// counts them), for a vertical field of view of `fovY` radians over
// `viewHeight` pixels.
CameraPose panPose(const CameraPose& pose, float dx, float dy, float fovY, float viewHeight);

// Keeps the camera's position and direction and moves its target onto the
// point of the line of sight nearest to `centre` (at least `minDistance`
// ahead), so that a following orbit turns about the sculpture without the
// view jumping.
CameraPose anchorPose(const CameraPose& pose, const irr::core::vector3df& centre,
                      float minDistance);

// Looks at the box's centre from the current direction, from as far as the
// box's bounding sphere needs to fit in the view (`fovY` radians vertically,
// `aspect` width over height), with a tenth of the view to spare.
CameraPose framePose(const CameraPose& pose, const irr::core::aabbox3df& box, float fovY,
                     float aspect, const OrbitLimits& limits = {});

}  // namespace cubalorn
