#include "effects/material_recipes.h"

#include "effects/shadow_node.h"

namespace cubalorn {

using namespace irr;

const char* const kMaterialSlotNames[kMaterialSlotCount] = {
    "depthMaterial",
    "depthAlphaRefMaterial",
    "shadowMaterials[0]",
    "shadowMaterials[1]",
    "shadowMaterials[2]",
    "shadowMaterials[3]",
    "shadowMaterials[4]",
    "lightModulateMaterial",
    "accumulateMaterial",
    "whiteMaterial",
    "whiteAlphaRefMaterial",
    "whiteAddMaterial",
    "whiteAlphaMaterial",
    "blurHMaterial",
    "blurVMaterial",
    "shadowMultiplyMaterials[0]",
    "shadowMultiplyMaterials[1]",
    "shadowMultiplyMaterials[2]",
    "shadowMultiplyMaterials[3]",
    "shadowMultiplyMaterials[4]",
    "glowCompositeMaterial",
    "shadowLitMaterials[0]",
    "shadowLitMaterials[1]",
    "shadowLitMaterials[2]",
    "shadowLitMaterials[3]",
    "shadowLitMaterials[4]",
};

std::vector<MaterialRecipe> materialRecipes(const MaterialOptions& options) {
    using video::E_MATERIAL_TYPE;
    std::vector<MaterialRecipe> recipes;
    std::vector<std::pair<std::string, std::string>> defines;
    auto add = [&](MaterialSlot slot, ShaderText vertex, ShaderText pixel, bool newest,
                   E_MATERIAL_TYPE base, MaterialCallback callback, s32 userData = 0) {
        recipes.push_back({slot, vertex, pixel, defines, newest, base, callback, userData});
    };

    // The depth vertex shader serves the depth and the white-wash materials.
    const MaterialCallback depth = MaterialCallback::Depth;
    add(kDepthSlot, ShaderText::DepthVertex, ShaderText::DepthPixel, false, video::EMT_SOLID,
        depth);
    add(kDepthAlphaRefSlot, ShaderText::DepthVertex, ShaderText::DepthAlphaPixel, false,
        video::EMT_TRANSPARENT_ALPHA_CHANNEL_REF, depth);
    add(kWhiteSlot, ShaderText::DepthVertex, ShaderText::WhiteWashAlphaPixel, false,
        video::EMT_SOLID, depth);
    add(kWhiteAlphaRefSlot, ShaderText::DepthVertex, ShaderText::WhiteWashAlphaPixel, false,
        video::EMT_TRANSPARENT_ALPHA_CHANNEL_REF, depth);
    add(kWhiteAddSlot, ShaderText::DepthVertex, ShaderText::WhiteWashLuminancePixel, false,
        video::EMT_TRANSPARENT_ALPHA_CHANNEL, depth);
    add(kWhiteAlphaSlot, ShaderText::DepthVertex, ShaderText::WhiteWashAlphaPixel, false,
        video::EMT_TRANSPARENT_ALPHA_CHANNEL, depth);

    if (options.roundSpotlights) defines.emplace_back("ROUND_SPOTLIGHTS", "");
    if (options.varianceShadows) defines.emplace_back("VSM", "");
    const auto shadowDefines = defines;
    for (int filter = 0; filter < kShadowFilterCount; ++filter) {
        defines = shadowDefines;
        defines.emplace_back("SAMPLE_AMOUNT", std::to_string(kShadowFilterSamples[filter]));
        add(MaterialSlot(kShadowSlot0 + filter), ShaderText::ShadowVertex,
            ShaderText::ShadowPixel, true, video::EMT_SOLID, MaterialCallback::Shadow);
    }

    defines.emplace_back("SCREENX", std::to_string(options.targetSize.Width));
    defines.emplace_back("SCREENY", std::to_string(options.targetSize.Height));
    const MaterialCallback quad = MaterialCallback::ScreenQuad;
    add(kLightModulateSlot, ShaderText::ScreenQuadVertex, ShaderText::LightModulatePixel, true,
        video::EMT_SOLID, quad);
    // The engine's blend material: the frame sets it to add (one, one), so
    // lights and ambient add up as the single-light passes add them.
    add(kAccumulateSlot, ShaderText::ScreenQuadVertex, ShaderText::CopyPixel, true,
        video::EMT_ONETEXTURE_BLEND, quad);
    add(kBlurHSlot, ShaderText::ScreenQuadVertex, ShaderText::BlurPixel, true,
        video::EMT_SOLID, quad);
    const auto blurDefines = defines;
    defines.emplace_back("VERTICAL_VSM_BLUR", "");
    add(kBlurVSlot, ShaderText::ScreenQuadVertex, ShaderText::BlurPixel, true,
        video::EMT_SOLID, quad);

    // With one light the light pass multiplies the drawn scene in place: the
    // engine's blend material, told by the pass to multiply by the source.
    for (int filter = 0; filter < kShadowFilterCount; ++filter) {
        defines = shadowDefines;
        defines.emplace_back("SAMPLE_AMOUNT", std::to_string(kShadowFilterSamples[filter]));
        add(MaterialSlot(kShadowMultiplySlot0 + filter), ShaderText::ShadowVertex,
            ShaderText::ShadowPixel, true, video::EMT_ONETEXTURE_BLEND, MaterialCallback::Shadow);
    }
    defines = blurDefines;
    add(kGlowCompositeSlot, ShaderText::ScreenQuadVertex, ShaderText::GlowCompositePixel, true,
        video::EMT_SOLID, quad);

    // With one light, solid receivers are drawn once, lit, instead of drawn
    // and then multiplied.
    for (int filter = 0; filter < kShadowFilterCount; ++filter) {
        defines = shadowDefines;
        defines.emplace_back("SAMPLE_AMOUNT", std::to_string(kShadowFilterSamples[filter]));
        defines.emplace_back("LIT_SURFACE", "");
        add(MaterialSlot(kShadowLitSlot0 + filter), ShaderText::ShadowVertex,
            ShaderText::ShadowPixel, true, video::EMT_SOLID, MaterialCallback::Shadow, kLitSurface);
    }
    return recipes;
}

}  // namespace cubalorn
