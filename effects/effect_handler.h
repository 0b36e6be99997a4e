#pragma once
// Shadow mapping and post-processing over an Irrlicht scene.
//
// Usage (one handler for the whole run):
//
//   EffectHandler effects(device, driver->getScreenSize());
//   effects.setAmbientLight(SColor(255, r, g, b));
//   effects.setSceneClearColour(SColor(255, r, g, b));
//   effects.registerShadowNode(meshNode, filter, ShadowRole::CastAndReceive);
//   effects.addPostEffectFile("shaders/BrightPass.glsl");   // ".hlsl" on Direct3D 9
//   effects.addPostEffectFile("shaders/BloomP.glsl");
//   effects.addLight(SShadowLight(1024, {0, 0, 0}, {0, 0, 0}, colour, 1.0f, 282.0f,
//                                 149.99f * irr::core::DEGTORAD, false));
//   effects.light(0).setPosition(lightNode->getPosition());
//   ...
//   driver->beginScene(true, true, background);
//   effects.renderFrame();              // instead of sceneManager->drawAll()
//   driver->endScene();
//
// Problems are written once each to the device's logger, prefixed "Effects: ".
// When the built-in shaders cannot run (no GLSL / pixel shader 2.0, a shader
// that does not compile, a render target that cannot be made) renderFrame
// draws the plain scene instead, so the window never goes blank.
//
// Registered nodes are grabbed. A node removed from the scene (its parent
// chain no longer reaches the scene's root) is dropped from the handler at
// the start of the next frame, so it neither casts nor receives shadows.
//
// With one light (and mesh nodes as receivers) the frame skips the light
// accumulation: the scene is drawn first and the receivers' light pass
// multiplies it in place by ambient plus light, which gives the same picture
// for two fewer full-screen passes.
// Post passes may run at a fraction of the screen size (addPostEffectFile's
// `downscale`); a chain that ends in such a pass puts its image over the
// shaded scene with a built-in screen blend.

#include <irrlicht.h>

#include <string>
#include <utility>
#include <vector>

#include "effects/depth_shader_cb.h"
#include "effects/material_recipes.h"
#include "effects/post_processing.h"
#include "effects/screen_quad.h"
#include "effects/screen_quad_cb.h"
#include "effects/shadow_light.h"
#include "effects/shadow_node.h"
#include "effects/shadow_shader_cb.h"

namespace cubalorn {

// "EFFECTS_SM_<resolution>", with "_2" for the secondary (blur) map.
std::string shadowMapName(irr::u32 resolution, bool secondary);

class EffectHandler {
public:
    // A target size of 0 x 0 means the driver's screen size.
    EffectHandler(irr::IrrlichtDevice* device, const irr::core::dimension2du& screenTargetSize,
                  bool useVarianceShadows = false, bool useRoundSpotlights = false,
                  bool use32BitShadowMaps = false);
    ~EffectHandler();
    EffectHandler(const EffectHandler&) = delete;
    EffectHandler& operator=(const EffectHandler&) = delete;

    void setAmbientLight(irr::video::SColor colour) { ambientColour_ = colour; }
    void setSceneClearColour(irr::video::SColor colour) { clearColour_ = colour; }

    // No duplicate check: a node registered twice is drawn twice per pass.
    void registerShadowNode(irr::scene::ISceneNode* node, ShadowFilter filter, ShadowRole role);
    void addLight(const SShadowLight& light) { lights_.push_back(light); }
    SShadowLight& light(irr::u32 index) { return lights_[index]; }

    // Builds a pass from a pixel-shader file and appends it to the chain.
    // Returns its material type, or -1 when the file cannot be read or does
    // not compile (reported, and the pass is left out of the chain). A pass
    // with a downscale of 2 or 4 renders at a half or a quarter of the
    // screen target's width and height; the last full-size pass of a chain
    // writes the output, and after a last reduced pass the handler blends
    // its image over the shaded scene.
    irr::s32 addPostEffectFile(const std::string& fileName,
                               PassRenderCallback* passCallback = nullptr, irr::u32 downscale = 1);
    SPostProcessingPair makeScreenQuadMaterial(const std::string& fileName,
                                               irr::video::E_MATERIAL_TYPE baseMaterial);

    // One frame into outputTarget (null: the back buffer). Call between the
    // driver's beginScene and endScene.
    void renderFrame(irr::video::ITexture* outputTarget = nullptr);

    // The shadow map of a resolution, made on first use and shared by every
    // light of that resolution; null when it cannot be created.
    irr::video::ITexture* shadowMap(irr::u32 resolution, bool secondary);

    // Whether renderFrame draws shadows and passes (true) or only the plain
    // scene (false: no shader support, or a failure that was reported).
    bool effectsActive() const { return !shadersUnsupported_ && !failed_; }
    bool shadersUnsupported() const { return shadersUnsupported_; }

    // Every built-in material slot with its name, in declaration order.
    std::vector<std::pair<const char*, irr::s32>> materialSlots() const;

    irr::IrrlichtDevice* device() const { return device_; }
    irr::video::IVideoDriver* driver() const { return driver_; }
    irr::scene::ISceneManager* sceneManager() const { return sceneManager_; }
    const irr::core::dimension2du& targetSize() const { return targetSize_; }
    irr::video::ITexture* sceneTarget() const { return sceneTarget_; }
    CScreenQuad& screenQuad() { return screenQuad_; }
    const std::vector<SPostProcessingPair>& postEffects() const { return postEffects_; }
    const std::vector<SShadowLight>& lights() const { return lights_; }
    const std::vector<SShadowNode>& shadowNodes() const { return shadowNodes_; }
    DepthShaderCB* depthCallback() const { return depthCallback_; }
    ShadowShaderCB* shadowCallback() const { return shadowCallback_; }

private:
    void createMaterials();
    // The ping-pong pair of a reduced size, made on first use.
    irr::video::ITexture* const* reducedTargets(irr::u32 downscale);
    void fitLights();
    void setShadowConstants(const SShadowLight& light, bool multiply);
    // Draws the receivers with the light-pass material of their filter.
    void drawReceivers(irr::video::ITexture* map, irr::u32 time);
    static irr::scene::IMeshSceneNode* meshNode(irr::scene::ISceneNode* node);
    bool receiversAreMeshes() const;
    // The single-light pass: solid receivers drawn lit, the others
    // multiplying the drawn scene by ambient plus light.
    bool drawnLit(const SShadowNode& n) const;
    void drawLitReceivers(irr::video::ITexture* map);
    // The visible nodes below `node`, animated and drawn, depth first.
    void drawChildren(irr::scene::ISceneNode* node, irr::u32 time);
    void multiplyReceivers(irr::video::ITexture* map);
    void renderSingleLight(irr::video::ITexture* outputTarget, irr::u32 time);
    void useFallbackMaterials();
    irr::s32 addMaterial(const std::string& vertex, const std::string& pixel,
                         irr::video::E_VERTEX_SHADER_TYPE vertexProfile,
                         irr::video::E_PIXEL_SHADER_TYPE pixelProfile,
                         irr::video::IShaderConstantSetCallBack* callback,
                         irr::video::E_MATERIAL_TYPE base, irr::s32 userData = 0);
    void checkMaterials();
    irr::video::ITexture* makeRenderTarget(const irr::core::dimension2du& size, const char* name,
                                           irr::video::ECOLOR_FORMAT format);
    void report(const std::string& message, irr::ELOG_LEVEL level = irr::ELL_ERROR);

    void pruneRemovedNodes();
    bool drawable(irr::scene::ISceneNode* node) const;
    void drawNode(irr::scene::ISceneNode* node, irr::u32 time);
    // Draws the node with every material's type replaced by pick(old type),
    // then restores the types.
    template <typename Pick>
    void drawWithSwappedTypes(irr::scene::ISceneNode* node, irr::u32 time, Pick pick);
    // Draws the node's mesh buffers with their materials as `adjust` changes them.
    template <typename Adjust>
    void drawBuffers(irr::scene::ISceneNode* shadowNode, Adjust adjust);
    // Fills the light's shadow map; null (and failed_ set) when it cannot be
    // made. With `reuse` (one light) the map of the last frame is kept when
    // the light and every caster are as they were.
    irr::video::ITexture* renderDepth(const SShadowLight& light, irr::u32 time, bool reuse);
    // What a shadow map depends on: the light, and each caster's node,
    // transform, materials and mesh buffers (by their counts and change
    // numbers, which a buffer filled again in place must bump with setDirty).
    // False when a caster may change unseen (not a mesh, or animated).
    bool depthSignature(const SShadowLight& light, irr::video::ITexture* map,
                        std::vector<irr::u32>& out) const;
    void renderLights(irr::u32 time);
    void drawPlainScene(irr::video::ITexture* outputTarget);
    void runPostChain(irr::video::ITexture* outputTarget);

    irr::IrrlichtDevice* device_;
    irr::video::IVideoDriver* driver_;
    irr::scene::ISceneManager* sceneManager_;

    // Indexed by MaterialSlot; -1 until made.
    irr::s32 materials_[kMaterialSlotCount];
    irr::video::E_MATERIAL_TYPE material(int slot) const {
        return static_cast<irr::video::E_MATERIAL_TYPE>(materials_[slot]);
    }

    DepthShaderCB* depthCallback_ = nullptr;
    ShadowShaderCB* shadowCallback_ = nullptr;

    irr::video::ITexture* sceneTarget_ = nullptr;
    std::vector<SPostProcessingPair> postEffects_;
    std::vector<SShadowLight> lights_;
    std::vector<SShadowNode> shadowNodes_;
    irr::core::dimension2du targetSize_;
    irr::video::SColor clearColour_{0};
    irr::video::SColor ambientColour_{0};
    CScreenQuad screenQuad_;
    bool shadersUnsupported_ = false;
    bool use32BitShadowMaps_;
    bool useVarianceShadows_;
    bool useRoundSpotlights_;
    bool direct3D9_ = false;

    struct ReducedTargets {
        irr::u32 downscale;
        irr::video::ITexture* targets[2];
    };
    std::vector<ReducedTargets> reducedTargets_;
    bool failed_ = false;  // a reported failure: plain scene from then on
    std::vector<irr::video::E_MATERIAL_TYPE> savedTypes_;  // reused every frame
    std::vector<irr::video::ITexture*> savedTextures_;
    std::vector<irr::scene::ISceneNode*> litNodes_;
    std::vector<irr::u32> signature_, lastSignature_;
    std::vector<bool> savedFilters_;
};

}  // namespace cubalorn
