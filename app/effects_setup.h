#pragma once
// How the window sets up the effect handler from the settings: its colours,
// the shadow light that follows the scene's light, the shadowed voxel mesh
// and the post passes. Shared by the window program and the headless
// renderer, so that both draw the same picture.

#include <irrlicht.h>

#include <array>

#include "app/app_config.h"
#include "app/scene_setup.h"

namespace cubalorn {

class EffectHandler;

// The post passes run at this fraction of the window's width and height.
constexpr irr::u32 kGlowDownscale = 4;

// An engine colour from 0..255 settings (each channel as colourChannel reads it).
irr::video::SColor opaqueColour(const std::array<int, 3>& rgb, irr::u32 alpha);

// Ambient light and scene clear colour.
void applyEffectColours(EffectHandler& effects, const AppConfig& config);

// Registers the mesh node (when there is one) with the configured filter,
// adds the post passes (at kGlowDownscale) and one shadow light placed at
// the scene light, aimed at the configured target and fitted to the
// sculpture every frame.
void addShadowLightAndPasses(EffectHandler& effects, const AppConfig& config,
                             irr::video::IVideoDriver& driver, irr::scene::ISceneNode* meshNode,
                             const Light& light);

}  // namespace cubalorn
