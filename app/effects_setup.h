#pragma once
// How the window sets up the effect handler from the settings: its colours,
// the shadow light that follows the scene's light, the shadowed voxel mesh
// and the post passes. Shared by the window program and the headless
// renderer, so that both draw the same picture.

#include <irrlicht.h>

#include <array>
#include <string>

#include "app/app_config.h"
#include "app/scene_setup.h"

namespace cubalorn {

class EffectHandler;

// The side of the shadow map. The light's view is fitted to the sculpture,
// so half the usual side still gives it sharp shadows, at a quarter of the
// cost of drawing the map.
constexpr irr::u32 kShadowMapResolution = 512;

// The fraction of the window's width and height each shipped post pass runs
// at: the bright pass and the bloom at a quarter, the blurs, which only
// widen an already smooth glow, at an eighth.
irr::u32 postPassDownscale(const std::string& file);

// An engine colour from 0..255 settings (each channel as colourChannel reads it).
irr::video::SColor opaqueColour(const std::array<int, 3>& rgb, irr::u32 alpha);

// Ambient light and scene clear colour.
void applyEffectColours(EffectHandler& effects, const AppConfig& config);

// Registers the mesh node (when there is one) with the configured filter,
// adds the post passes (at postPassDownscale) and one shadow light placed at
// the scene light, aimed at the configured target and fitted to the
// sculpture every frame.
void addShadowLightAndPasses(EffectHandler& effects, const AppConfig& config,
                             irr::video::IVideoDriver& driver, irr::scene::ISceneNode* meshNode,
                             const Light& light);

}  // namespace cubalorn
