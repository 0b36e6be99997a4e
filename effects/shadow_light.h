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

    // Narrows a spot light's view to what it must see: aimed at the centre
    // of `box`, just wide enough for its corners, near and far planes at its
    // nearest and farthest corner. The map's texels then cover the subject
    // instead of a fixed wide field, which sharpens shadows and lets the
    // depth bias stay small. `target` is kept; only the matrices, the far
    // distance and the field change. Returns false, changing nothing, for a
    // directional light, an inverted box, or a box the light stands in or
    // beside (no single view would hold it): the view as given is restored
    // then.
    bool fitTo(const irr::core::aabbox3df& box);

    irr::video::SColorf colour;
    irr::core::vector3df position;
    irr::core::vector3df target;
    irr::f32 farDistance;  // 1.0 for a directional light
    irr::core::matrix4 viewMatrix;
    irr::core::matrix4 projectionMatrix;
    irr::u32 resolution;
    irr::f32 fieldOfView;  // as given, for a spot light the widest fit allowed
    bool directional;
    // Set: the handler fits the view to its shadowed nodes every frame.
    bool fitToScene = false;

private:
    bool fitView(const irr::core::aabbox3df& box);
    void buildGivenProjection();
    irr::f32 nearDistance_;
    irr::f32 farPlane_;
};

// The up vector of a light's view: (0, 0, 1) when (position - target) has
// x + z exactly 0, which covers a light straight above its target, else
// (0, 1, 0).
irr::core::vector3df lightUpVector(const irr::core::vector3df& position,
                                   const irr::core::vector3df& target);

}  // namespace cubalorn
