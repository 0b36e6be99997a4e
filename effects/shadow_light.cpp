#include "effects/shadow_light.h"

namespace cubalorn {

using namespace irr;

SShadowLight::SShadowLight(u32 resolution, const core::vector3df& position,
                           const core::vector3df& target, video::SColorf colour, f32 nearDistance,
                           f32 farDistance, f32 fieldOfView, bool directional)
    : colour(colour),
      position(position),
      target(target),
      farDistance(directional ? 1.0f : farDistance),
      resolution(resolution) {
    if (nearDistance <= 0.0f) nearDistance = 0.1f;
    updateView();
    if (directional)
        projectionMatrix.buildProjectionMatrixOrthoLH(fieldOfView, fieldOfView, nearDistance,
                                                      farDistance);
    else
        projectionMatrix.buildProjectionMatrixPerspectiveFovLH(fieldOfView, 1.0f, nearDistance,
                                                               farDistance);
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

core::vector3df lightUpVector(const core::vector3df& position, const core::vector3df& target) {
    core::vector3df d = position - target;
    return d.X + d.Z == 0.0f ? core::vector3df(0, 0, 1) : core::vector3df(0, 1, 0);
}

}  // namespace cubalorn
