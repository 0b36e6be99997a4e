#include "effects/shadow_light.h"

#include <cmath>

namespace cubalorn {

using namespace irr;

SShadowLight::SShadowLight(u32 resolution, const core::vector3df& position,
                           const core::vector3df& target, video::SColorf colour, f32 nearDistance,
                           f32 farDistance, f32 fieldOfView, bool directional)
    : colour(colour),
      position(position),
      target(target),
      farDistance(directional ? 1.0f : farDistance),
      resolution(resolution),
      fieldOfView(fieldOfView),
      directional(directional),
      nearDistance_(nearDistance <= 0.0f ? 0.1f : nearDistance),
      farPlane_(farDistance) {
    updateView();
    buildGivenProjection();
}

void SShadowLight::buildGivenProjection() {
    if (directional)
        projectionMatrix.buildProjectionMatrixOrthoLH(fieldOfView, fieldOfView, nearDistance_,
                                                      farPlane_);
    else
        projectionMatrix.buildProjectionMatrixPerspectiveFovLH(fieldOfView, 1.0f, nearDistance_,
                                                               farPlane_);
}

void SShadowLight::setPosition(const core::vector3df& newPosition) {
    position = newPosition;
    updateView();
}

void SShadowLight::setTarget(const core::vector3df& newTarget) {
    target = newTarget;
    updateView();
}

void SShadowLight::updateView() {
    viewMatrix.buildCameraLookAtMatrixLH(position, target, lightUpVector(position, target));
}

bool SShadowLight::fitTo(const core::aabbox3df& box) {
    if (directional) return false;
    if (!fitView(box)) {
        // Back to the view as given, whatever an earlier fit made of it.
        farDistance = farPlane_;
        updateView();
        buildGivenProjection();
        return false;
    }
    return true;
}

bool SShadowLight::fitView(const core::aabbox3df& box) {
    // A flat box (a floor) is fine; an inverted one holds nothing.
    if (!(box.MinEdge.X <= box.MaxEdge.X && box.MinEdge.Y <= box.MaxEdge.Y &&
          box.MinEdge.Z <= box.MaxEdge.Z))
        return false;
    const core::vector3df centre = box.getCenter();
    core::vector3df axis = centre - position;
    const f32 distance = axis.getLength();
    if (!(distance > 0.001f)) return false;
    axis /= distance;

    // Straight down, the usual up vector would lie along the view.
    const core::vector3df up =
        std::fabs(axis.Y) > 0.99f ? core::vector3df(0, 0, 1) : core::vector3df(0, 1, 0);
    core::matrix4 view;
    view.buildCameraLookAtMatrixLH(position, centre, up);

    // The square field that holds every corner, in the view's own axes.
    core::vector3df corners[8];
    box.getEdges(corners);
    f32 nearest = distance, farthest = 0.0f, widest = 0.0f;
    for (core::vector3df corner : corners) {
        view.transformVect(corner);
        const f32 depth = corner.Z;
        if (depth <= 0.01f * distance) return false;  // beside or behind the light
        nearest = core::min_(nearest, depth);
        farthest = core::max_(farthest, depth);
        widest = core::max_(widest, core::max_(std::fabs(corner.X), std::fabs(corner.Y)) / depth);
    }
    // A little room so that the outermost texels and filter taps stay inside.
    const f32 field = 2.0f * std::atan(widest * 1.04f + 0.002f);
    if (field > fieldOfView) return false;
    const f32 nearPlane = core::max_(0.1f, nearest * 0.98f - 0.5f);
    const f32 farPlane = farthest * 1.02f + 0.5f;

    farDistance = farPlane;
    viewMatrix = view;
    projectionMatrix.buildProjectionMatrixPerspectiveFovLH(field, 1.0f, nearPlane, farPlane);
    return true;
}

core::vector3df lightUpVector(const core::vector3df& position, const core::vector3df& target) {
    core::vector3df d = position - target;
    return d.X + d.Z == 0.0f ? core::vector3df(0, 0, 1) : core::vector3df(0, 1, 0);
}

}  // namespace cubalorn
