// Construction of the effect handler: render targets, the built-in shader
// materials, shadow maps and post-processing passes. The frame itself is in
// effect_handler_frame.cpp.

#include "effects/effect_handler.h"

#include <cstring>
#include <fstream>

#include "effects/material_recipes.h"
#include "effects/shader_preprocessor.h"
#include "effects/shader_texts.h"

namespace cubalorn {

using namespace irr;

std::string shadowMapName(u32 resolution, bool secondary) {
    std::string name = "EFFECTS_SM_" + std::to_string(resolution);
    if (secondary) name += "_2";
    return name;
}

EffectHandler::EffectHandler(IrrlichtDevice* device, const core::dimension2du& screenTargetSize,
                             bool useVarianceShadows, bool useRoundSpotlights,
                             bool use32BitShadowMaps)
    : device_(device),
      driver_(device->getVideoDriver()),
      sceneManager_(device->getSceneManager()),
      targetSize_(screenTargetSize),
      use32BitShadowMaps_(use32BitShadowMaps),
      useVarianceShadows_(useVarianceShadows),
      useRoundSpotlights_(useRoundSpotlights) {
    for (s32& m : materials_) m = -1;
    // An empty size means the screen's (tested per side: the product of two
    // large sides wraps around to 0).
    if (targetSize_.Width == 0 || targetSize_.Height == 0) targetSize_ = driver_->getScreenSize();
    direct3D9_ = driver_->getDriverType() == video::EDT_DIRECT3D9;

    video::IGPUProgrammingServices* gpu = driver_->getGPUProgrammingServices();
    const video::E_DRIVER_TYPE type = driver_->getDriverType();
    const bool supported =
        gpu && ((type == video::EDT_OPENGL && driver_->queryFeature(video::EVDF_ARB_GLSL)) ||
                (type == video::EDT_DIRECT3D9 &&
                 driver_->queryFeature(video::EVDF_PIXEL_SHADER_2_0)));
    if (!supported) {
        useFallbackMaterials();
        return;
    }

    sceneTarget_ = makeRenderTarget(targetSize_, "rt", video::ECF_UNKNOWN);
    screenQuad_.targets[0] = makeRenderTarget(targetSize_, "rt", video::ECF_UNKNOWN);
    screenQuad_.targets[1] = makeRenderTarget(targetSize_, "rt", video::ECF_UNKNOWN);
    if (!sceneTarget_ || !screenQuad_.targets[0] || !screenQuad_.targets[1]) {
        report("Effects: Could not create the " + std::to_string(targetSize_.Width) + " x " +
               std::to_string(targetSize_.Height) +
               " render targets; drawing the scene without shadows and post-processing.");
        failed_ = true;
    }

    createMaterials();
    checkMaterials();
}

EffectHandler::~EffectHandler() {
    // Only references are given back here: the device may already be gone.
    for (SShadowNode& n : shadowNodes_) n.node->drop();
    if (depthCallback_) depthCallback_->drop();
    if (shadowCallback_) shadowCallback_->drop();
}

void EffectHandler::useFallbackMaterials() {
    for (int slot : {kDepthSlot, kDepthAlphaRefSlot, kWhiteSlot, kAccumulateSlot})
        materials_[slot] = video::EMT_SOLID;
    for (int f = 0; f < kShadowFilterCount; ++f) {
        materials_[kShadowSlot0 + f] = video::EMT_SOLID;
        materials_[kShadowMultiplySlot0 + f] = video::EMT_SOLID;
        materials_[kShadowLitSlot0 + f] = video::EMT_SOLID;
    }
    materials_[kWhiteAlphaRefSlot] = video::EMT_TRANSPARENT_ALPHA_CHANNEL_REF;
    materials_[kWhiteAddSlot] = video::EMT_TRANSPARENT_ADD_COLOR;
    materials_[kWhiteAlphaSlot] = video::EMT_TRANSPARENT_ALPHA_CHANNEL;
    shadersUnsupported_ = true;
    report("Effects: Shader effects not supported on this system.", ELL_INFORMATION);
}

s32 EffectHandler::addMaterial(const std::string& vertex, const std::string& pixel,
                               video::E_VERTEX_SHADER_TYPE vertexProfile,
                               video::E_PIXEL_SHADER_TYPE pixelProfile,
                               video::IShaderConstantSetCallBack* callback,
                               video::E_MATERIAL_TYPE base, s32 userData) {
    return driver_->getGPUProgrammingServices()->addHighLevelShaderMaterial(
        vertex.c_str(), "vertexMain", vertexProfile, pixel.c_str(), "pixelMain", pixelProfile,
        nullptr, "main", video::EGST_GS_4_0, scene::EPT_TRIANGLES, scene::EPT_TRIANGLE_STRIP, 0,
        callback, base, userData);
}

void EffectHandler::createMaterials() {
    depthCallback_ = new DepthShaderCB(this);
    shadowCallback_ = new ShadowShaderCB(this);
    ScreenQuadCB* quadCallback = new ScreenQuadCB(this, true);

    const video::E_VERTEX_SHADER_TYPE newestVertex =
        driver_->queryFeature(video::EVDF_VERTEX_SHADER_3_0) ? video::EVST_VS_3_0
                                                             : video::EVST_VS_2_0;
    const video::E_PIXEL_SHADER_TYPE newestPixel =
        driver_->queryFeature(video::EVDF_PIXEL_SHADER_3_0) ? video::EPST_PS_3_0
                                                            : video::EPST_PS_2_0;
    MaterialOptions options;
    options.varianceShadows = useVarianceShadows_;
    options.roundSpotlights = useRoundSpotlights_;
    options.targetSize = targetSize_;
    for (const MaterialRecipe& recipe : materialRecipes(options)) {
        ShaderPreprocessor pre(driver_);
        for (const auto& [name, value] : recipe.defines) pre.addDefine(name, value);
        video::IShaderConstantSetCallBack* callback = quadCallback;
        if (recipe.callback == MaterialCallback::Depth) callback = depthCallback_;
        if (recipe.callback == MaterialCallback::Shadow) callback = shadowCallback_;
        materials_[recipe.slot] = addMaterial(
            pre.preprocess(shaderText(recipe.vertex, direct3D9_)),
            pre.preprocess(shaderText(recipe.pixel, direct3D9_)),
            recipe.newestProfiles ? newestVertex : video::EVST_VS_2_0,
            recipe.newestProfiles ? newestPixel : video::EPST_PS_2_0, callback, recipe.base,
            recipe.userData);
    }
    quadCallback->drop();  // the materials hold the remaining references
}

std::vector<std::pair<const char*, s32>> EffectHandler::materialSlots() const {
    std::vector<std::pair<const char*, s32>> slots;
    for (int i = 0; i < kMaterialSlotCount; ++i) slots.emplace_back(kMaterialSlotNames[i], materials_[i]);
    return slots;
}

void EffectHandler::checkMaterials() {
    std::string failedSlots;
    for (const auto& [name, type] : materialSlots()) {
        // The blur materials only run with variance shadow maps.
        const bool blur = std::strncmp(name, "blur", 4) == 0;
        if (type >= 0 || (blur && !useVarianceShadows_)) continue;
        failedSlots += failedSlots.empty() ? name : std::string(", ") + name;
    }
    if (failedSlots.empty()) return;
    report("Effects: Shader materials did not compile (" + failedSlots +
           "); drawing the scene without shadows and post-processing.");
    failed_ = true;
}

void EffectHandler::report(const std::string& message, ELOG_LEVEL level) {
    device_->getLogger()->log(message.c_str(), level);
}

void EffectHandler::registerShadowNode(scene::ISceneNode* node, ShadowFilter filter,
                                       ShadowRole role) {
    if (!node) return;
    if (static_cast<int>(filter) < 0 || static_cast<int>(filter) >= kShadowFilterCount)
        filter = ShadowFilter::Filter16;
    node->grab();
    shadowNodes_.push_back(SShadowNode{node, role, filter});
}

video::ITexture* EffectHandler::makeRenderTarget(const core::dimension2du& size, const char* name,
                                                 video::ECOLOR_FORMAT format) {
    // The engine quietly shrinks a target larger than the driver allows;
    // a target of another size than asked would misplace every pixel.
    const core::dimension2du limit = driver_->getMaxTextureSize();
    if (size.Width == 0 || size.Height == 0 || (limit.Width && size.Width > limit.Width) ||
        (limit.Height && size.Height > limit.Height))
        return nullptr;
    video::ITexture* target = driver_->addRenderTargetTexture(size, name, format);
    if (target && target->getSize() != size) {
        driver_->removeTexture(target);
        target = nullptr;
    }
    return target;
}

video::ITexture* EffectHandler::shadowMap(u32 resolution, bool secondary) {
    const std::string name = shadowMapName(resolution, secondary);
    // findTexture only looks in the driver's cache; it never tries to load a
    // file of that name from the working directory.
    if (video::ITexture* existing = driver_->findTexture(name.c_str())) return existing;
    video::ITexture* map =
        makeRenderTarget(core::dimension2du(resolution, resolution), name.c_str(),
                         use32BitShadowMaps_ ? video::ECF_G32R32F : video::ECF_G16R16F);
    if (!map)
        report("Effects: Could not create the shadow map " + name +
               "; drawing the scene without shadows and post-processing.");
    return map;
}

video::ITexture* const* EffectHandler::reducedTargets(u32 downscale) {
    for (const ReducedTargets& r : reducedTargets_)
        if (r.downscale == downscale) return r.targets;
    const core::dimension2du size(core::max_(1u, targetSize_.Width / downscale),
                                  core::max_(1u, targetSize_.Height / downscale));
    ReducedTargets r{downscale, {makeRenderTarget(size, "rt", video::ECF_UNKNOWN),
                                 makeRenderTarget(size, "rt", video::ECF_UNKNOWN)}};
    if (!r.targets[0] || !r.targets[1]) return nullptr;
    reducedTargets_.push_back(r);
    return reducedTargets_.back().targets;
}

SPostProcessingPair EffectHandler::makeScreenQuadMaterial(const std::string& fileName,
                                                          video::E_MATERIAL_TYPE baseMaterial) {
    SPostProcessingPair pair;
    video::IGPUProgrammingServices* gpu = driver_->getGPUProgrammingServices();
    if (shadersUnsupported_ || !gpu) return pair;

    ShaderPreprocessor pre(driver_);
    pre.addDefine("SCREENX", std::to_string(targetSize_.Width));
    pre.addDefine("SCREENY", std::to_string(targetSize_.Height));
    const video::E_VERTEX_SHADER_TYPE vs = driver_->queryFeature(video::EVDF_VERTEX_SHADER_3_0)
                                               ? video::EVST_VS_3_0
                                               : video::EVST_VS_2_0;
    const video::E_PIXEL_SHADER_TYPE ps = driver_->queryFeature(video::EVDF_PIXEL_SHADER_3_0)
                                              ? video::EPST_PS_3_0
                                              : video::EPST_PS_2_0;
    const std::string pixel = pre.preprocessFile(fileName);
    const std::string vertex = pre.preprocess(shaderText(ShaderText::ScreenQuadVertex, direct3D9_));

    ScreenQuadCB* callback = new ScreenQuadCB(this, true);
    pair.materialType = addMaterial(vertex, pixel, vs, ps, callback, baseMaterial);
    // On success the material keeps the callback alive; on failure the
    // engine has let it go and so do we.
    pair.callback = pair.materialType >= 0 ? callback : nullptr;
    callback->drop();
    return pair;
}

s32 EffectHandler::addPostEffectFile(const std::string& fileName,
                                     PassRenderCallback* passCallback, u32 downscale) {
    if (shadersUnsupported_) return -1;
    if (downscale == 0) downscale = 1;
    if (!std::ifstream(fileName)) {
        report("Effects: Cannot read the post-processing file " + fileName +
               "; the pass is left out.");
        return -1;
    }
    SPostProcessingPair pair = makeScreenQuadMaterial(fileName, video::EMT_SOLID);
    if (pair.materialType < 0) {
        report("Effects: The post-processing file " + fileName +
               " did not compile; the pass is left out.");
        return pair.materialType;
    }
    pair.passCallback = passCallback;
    pair.downscale = downscale;
    if (downscale > 1 && !failed_ && reducedTargets(downscale) == nullptr) {
        report("Effects: Could not create the render targets for " + fileName +
               "; drawing the scene without shadows and post-processing.");
        failed_ = true;
    }
    postEffects_.push_back(pair);
    return pair.materialType;
}

}  // namespace cubalorn
