#pragma once
// A light that casts shadows: where it stands, where it looks, its colour
// and the square shadow map it renders its casters into.

#include <irrlicht.h>

namespace cubalorn {

struct SShadowLight {
    // fieldOfView is in radians for a spot light and is the width and height
    // of the orthographic view for a directional one. A near distance of 0
    // or less becomes 0.1.
    SShadowLight(irr::u32 resolution, const irr::core::vector3df& position,
                 const irr::core::vector3df& target, irr::video::SColorf colour,
                 irr::f32 nearDistance, irr::f32 farDistance, irr::f32 fieldOfView,
                 bool directional);

    void setPosition(const irr::core::vector3df& newPosition);
    void setTarget(const irr::core::vector3df& newTarget);
    // Rebuilds viewMatrix from position and target.
    void updateView();

    irr::video::SColorf colour;
    irr::core::vector3df position;
    irr::core::vector3df target;
    irr::f32 farDistance;  // 1.0 for a directional light
    irr::core::matrix4 viewMatrix;
    irr::core::matrix4 projectionMatrix;
    irr::u32 resolution;
};

// The up vector of a light's view: (0, 0, 1) when (position - target) has
// x + z exactly 0, which covers a light straight above its target, else
// (0, 1, 0).
irr::core::vector3df lightUpVector(const irr::core::vector3df& position,
                                   const irr::core::vector3df& target);

}  // namespace cubalorn
