#pragma once
// Where the camera stands to show a sculpture whole: a view direction, and
// the distance and aim at which a box's eight corners fill a given share of
// the picture.

#include <irrlicht.h>

#include <optional>
#include <string>
#include <vector>

namespace cubalorn::batch {

// --view: fit (three-quarter, from the front left and above), the program's
// own camera, or straight at the front, down from the top, at the side.
enum class View { Fit, Program, Front, Top, Side };

// Parses "fit", "program", "front", "top", "side".
std::optional<View> parseView(const std::string& text);

// The vertical field of a framed view, in radians: longer than the window's
// default lens, so a sculpture seen from close by is not distorted.
constexpr irr::f32 kFramingFieldOfView = 40.0f * 3.14159265f / 180.0f;

struct CameraPlacement {
    irr::core::vector3df position;
    irr::core::vector3df target;
    irr::core::vector3df up;
    irr::f32 fieldOfView = kFramingFieldOfView;
};

// The direction from the subject towards the camera, in the window's world
// (the mesh is turned half round, so a voxel's +x and +z point along -x and
// -z): the front is the side of low voxel z, the side that of low voxel x.
// `turn` swings the view round the vertical axis by that many degrees.
irr::core::vector3df viewDirection(View view, irr::f32 turnDegrees = 0.0f);

// A camera looking along -direction whose picture (kFramingFieldOfView high,
// width over height `aspect`) holds every one of `points` (a sculpture's
// corners), their outline centred and spanning `fill` of the picture's width
// or height, whichever it reaches first. Null for no points.
std::optional<CameraPlacement> framePoints(const std::vector<irr::core::vector3df>& points,
                                           const irr::core::vector3df& direction,
                                           irr::f32 aspect, irr::f32 fill = 0.9f);

// The same for a turntable: one distance that holds `box` after any turn
// about the vertical axis through its centre, aimed at that centre.
CameraPlacement frameTurning(const irr::core::aabbox3df& box,
                             const irr::core::vector3df& direction, irr::f32 aspect,
                             irr::f32 fill = 0.9f);

}  // namespace cubalorn::batch
