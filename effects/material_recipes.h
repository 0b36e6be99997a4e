#pragma once
// What every built-in material of the effect handler is made of: its shader
// texts, the defines they are specialised with, its base material and the
// constant callback it uses. The handler builds its materials from this
// list, and the tests compile the same list with an offline compiler, so
// every text is checked in every form the handler gives it.

#include <irrlicht.h>

#include <string>
#include <utility>
#include <vector>

#include "effects/shader_texts.h"

namespace cubalorn {

enum class MaterialCallback { Depth, Shadow, ScreenQuad };

// The handler's material slots; the light-pass slots run by filter.
enum MaterialSlot : int {
    kDepthSlot,
    kDepthAlphaRefSlot,
    kShadowSlot0,  // + filter, 5 slots
    kLightModulateSlot = kShadowSlot0 + 5,
    kAccumulateSlot,
    kWhiteSlot,
    kWhiteAlphaRefSlot,
    kWhiteAddSlot,
    kWhiteAlphaSlot,
    kBlurHSlot,
    kBlurVSlot,
    kShadowMultiplySlot0,  // + filter, 5 slots
    kGlowCompositeSlot = kShadowMultiplySlot0 + 5,
    kShadowLitSlot0,  // + filter, 5 slots
    kMaterialSlotCount = kShadowLitSlot0 + 5
};
// "depthMaterial", "shadowMaterials[2]", ...
extern const char* const kMaterialSlotNames[kMaterialSlotCount];

struct MaterialRecipe {
    MaterialSlot slot;
    ShaderText vertex;
    ShaderText pixel;
    // Besides the driver's feature defines, in the order they are added.
    std::vector<std::pair<std::string, std::string>> defines;
    bool newestProfiles;  // shader model 3 where the driver has it, else 2
    irr::video::E_MATERIAL_TYPE base;
    MaterialCallback callback;
    // Handed to the callback: kLitSurface for materials that draw the
    // surface themselves (their samplers sit on other units).
    irr::s32 userData = 0;
};

constexpr irr::s32 kLitSurface = 1;

struct MaterialOptions {
    bool varianceShadows = false;
    bool roundSpotlights = false;
    irr::core::dimension2du targetSize;
};

// In creation order.
std::vector<MaterialRecipe> materialRecipes(const MaterialOptions& options);

}  // namespace cubalorn
