// One frame of the effect handler. Per light a depth pass fills the shadow
// map. With one light the scene is drawn and its receivers then multiply it
// in place by ambient plus light; with more, each light pass is accumulated
// onto the ambient colour and the scene is multiplied by the sum in a
// full-screen step. Then the post-processing chain.

#include <cstring>
#include <iterator>

#include "effects/effect_handler.h"

namespace cubalorn {

using namespace irr;

namespace {
const video::SColor kWhite(255, 255, 255, 255);
}

bool EffectHandler::drawable(scene::ISceneNode* node) const {
    // Hidden nodes take part in no pass, as drawAll would not draw them.
    return node->isTrulyVisible();
}

void EffectHandler::pruneRemovedNodes() {
    scene::ISceneNode* root = sceneManager_->getRootSceneNode();
    size_t kept = 0;
    for (size_t i = 0; i < shadowNodes_.size(); ++i) {
        scene::ISceneNode* top = shadowNodes_[i].node;
        while (top->getParent()) top = top->getParent();
        if (top == root)
            shadowNodes_[kept++] = shadowNodes_[i];
        else
            shadowNodes_[i].node->drop();
    }
    shadowNodes_.resize(kept);
}

void EffectHandler::drawNode(scene::ISceneNode* node, u32 time) {
    node->OnAnimate(time);
    node->render();
}

template <typename Pick>
void EffectHandler::drawWithSwappedTypes(scene::ISceneNode* node, u32 time, Pick pick) {
    const u32 count = node->getMaterialCount();
    savedTypes_.resize(count);
    for (u32 m = 0; m < count; ++m) {
        video::SMaterial& material = node->getMaterial(m);
        savedTypes_[m] = material.MaterialType;
        material.MaterialType = static_cast<video::E_MATERIAL_TYPE>(pick(material.MaterialType));
    }
    drawNode(node, time);
    for (u32 m = 0; m < count; ++m) node->getMaterial(m).MaterialType = savedTypes_[m];
}

void EffectHandler::fitLights() {
    core::aabbox3df box;
    bool any = false;
    for (const SShadowNode& n : shadowNodes_) {
        if (!drawable(n.node) || n.role == ShadowRole::Excluded) continue;
        // An empty mesh's box is a single point: nothing to light there.
        const core::aabbox3df& local = n.node->getBoundingBox();
        if (local.MinEdge == local.MaxEdge) continue;
        n.node->updateAbsolutePosition();
        const core::aabbox3df nodeBox = n.node->getTransformedBoundingBox();
        if (any)
            box.addInternalBox(nodeBox);
        else
            box = nodeBox;
        any = true;
    }
    for (SShadowLight& light : lights_)
        if (light.fitToScene) light.fitTo(any ? box : core::aabbox3df(1, 1, 1, -1, -1, -1));
}

namespace {

template <typename T>
void put(std::vector<u32>& out, const T& value) {
    u32 words[(sizeof(T) + 3) / 4] = {};
    std::memcpy(words, &value, sizeof(T));
    out.insert(out.end(), std::begin(words), std::end(words));
}

}  // namespace

bool EffectHandler::depthSignature(const SShadowLight& light, video::ITexture* map,
                                   std::vector<u32>& out) const {
    out.clear();
    put(out, map);
    put(out, light.viewMatrix);
    put(out, light.projectionMatrix);
    put(out, light.farDistance);
    put(out, useVarianceShadows_);
    for (const SShadowNode& n : shadowNodes_) {
        if (!castsShadow(n.role) || !drawable(n.node)) continue;
        scene::IMeshSceneNode* node = meshNode(n.node);
        // Anything else may change its shape with every frame.
        if (!node || !n.node->getAnimators().empty()) return false;
        scene::IMesh* mesh = node->getMesh();
        put(out, node);
        put(out, node->getAbsoluteTransformation());
        put(out, mesh);
        for (u32 m = 0; m < node->getMaterialCount(); ++m) {
            const video::SMaterial& material = node->getMaterial(m);
            put(out, material.MaterialType);
            put(out, material.getTexture(0));
            put(out, material.BackfaceCulling);
            put(out, material.FrontfaceCulling);
        }
        for (u32 b = 0; mesh && b < mesh->getMeshBufferCount(); ++b) {
            const scene::IMeshBuffer* buffer = mesh->getMeshBuffer(b);
            put(out, buffer);
            put(out, buffer->getVertexCount());
            put(out, buffer->getIndexCount());
            put(out, buffer->getChangedID_Vertex());
            put(out, buffer->getChangedID_Index());
        }
    }
    return true;
}

video::ITexture* EffectHandler::renderDepth(const SShadowLight& light, u32 time, bool reuse) {
    depthCallback_->farDistance = light.farDistance;
    driver_->setTransform(video::ETS_VIEW, light.viewMatrix);
    driver_->setTransform(video::ETS_PROJECTION, light.projectionMatrix);

    video::ITexture* map = shadowMap(light.resolution, false);
    video::ITexture* map2 = useVarianceShadows_ ? shadowMap(light.resolution, true) : map;
    if (!map || !map2) {
        failed_ = true;
        return nullptr;
    }
    // The map keeps its content between frames: when neither the light nor
    // any caster changed, the last one is still right.
    if (reuse) {
        const bool cacheable = depthSignature(light, map, signature_);
        if (cacheable && signature_ == lastSignature_) return map;
        lastSignature_.swap(signature_);
        if (!cacheable) lastSignature_.clear();
    }
    driver_->setRenderTarget(map, true, true, kWhite);
    for (const SShadowNode& n : shadowNodes_) {
        if (!castsShadow(n.role) || !drawable(n.node)) continue;
        drawWithSwappedTypes(n.node, time, [this](video::E_MATERIAL_TYPE old) {
            return old == video::EMT_TRANSPARENT_ALPHA_CHANNEL_REF ? materials_[kDepthAlphaRefSlot]
                                                                   : materials_[kDepthSlot];
        });
    }

    if (useVarianceShadows_) {
        driver_->setRenderTarget(map2, true, true, kWhite);
        screenQuad_.material().setTexture(0, map);
        screenQuad_.material().MaterialType = material(kBlurHSlot);
        screenQuad_.render(driver_);
        driver_->setRenderTarget(map, true, true, kWhite);
        screenQuad_.material().setTexture(0, map2);
        screenQuad_.material().MaterialType = material(kBlurVSlot);
        screenQuad_.render(driver_);
    }
    return map;
}

void EffectHandler::setShadowConstants(const SShadowLight& light, bool multiply) {
    shadowCallback_->lightColour = light.colour;
    shadowCallback_->ambientColour =
        multiply ? video::SColorf(ambientColour_) : video::SColorf(0, 0, 0, 0);
    shadowCallback_->lightPosition = light.position;
    shadowCallback_->farDistance = light.farDistance;
    shadowCallback_->lightView = light.viewMatrix;
    shadowCallback_->lightProjection = light.projectionMatrix;
    shadowCallback_->mapResolution = static_cast<f32>(light.resolution);
}

void EffectHandler::drawReceivers(video::ITexture* map, u32 time) {
    for (const SShadowNode& n : shadowNodes_) {
        if (!receivesShadow(n.role) || !drawable(n.node)) continue;
        scene::ISceneNode* node = n.node;
        const u32 count = node->getMaterialCount();
        savedTypes_.resize(count);
        savedTextures_.resize(count);
        savedFilters_.resize(count);
        const video::E_MATERIAL_TYPE type = material(kShadowSlot0 + static_cast<int>(n.filter));
        for (u32 m = 0; m < count; ++m) {
            video::SMaterial& material = node->getMaterial(m);
            savedTypes_[m] = material.MaterialType;
            savedTextures_[m] = material.getTexture(0);
            savedFilters_[m] = material.TextureLayer[0].BilinearFilter;
            material.MaterialType = type;
            material.setTexture(0, map);
            material.TextureLayer[0].BilinearFilter = false;
        }
        drawNode(node, time);
        for (u32 m = 0; m < count; ++m) {
            video::SMaterial& material = node->getMaterial(m);
            material.MaterialType = savedTypes_[m];
            material.setTexture(0, savedTextures_[m]);
            material.TextureLayer[0].BilinearFilter = savedFilters_[m];
        }
    }
}

scene::IMeshSceneNode* EffectHandler::meshNode(scene::ISceneNode* node) {
    switch (node->getType()) {
        case scene::ESNT_MESH:
        case scene::ESNT_OCTREE:
        case scene::ESNT_CUBE:
        case scene::ESNT_SPHERE:
            return static_cast<scene::IMeshSceneNode*>(node);
        default:
            return nullptr;
    }
}

bool EffectHandler::drawnLit(const SShadowNode& n) const {
    // Only what the lit material draws the same way: a mesh, solid, unlit
    // by the engine.
    if (!receivesShadow(n.role) || !drawable(n.node) || !meshNode(n.node)) return false;
    for (u32 m = 0; m < n.node->getMaterialCount(); ++m) {
        const video::SMaterial& material = n.node->getMaterial(m);
        if (material.MaterialType != video::EMT_SOLID || material.Lighting) return false;
    }
    return true;
}

namespace {

// The shadow map is read texel by texel: each tap is compared on its own.
void setShadowMap(video::SMaterial& material, u32 layer, video::ITexture* map) {
    material.setTexture(layer, map);
    material.TextureLayer[layer].BilinearFilter = false;
    material.TextureLayer[layer].TrilinearFilter = false;
    material.TextureLayer[layer].AnisotropicFilter = 0;
}

}  // namespace

template <typename Adjust>
void EffectHandler::drawBuffers(scene::ISceneNode* shadowNode, Adjust adjust) {
    scene::IMeshSceneNode* node = meshNode(shadowNode);
    scene::IMesh* mesh = node->getMesh();
    if (!mesh) return;
    driver_->setTransform(video::ETS_WORLD, node->getAbsoluteTransformation());
    const u32 count = core::min_(mesh->getMeshBufferCount(), node->getMaterialCount());
    for (u32 i = 0; i < count; ++i) {
        video::SMaterial material = node->getMaterial(i);
        adjust(material);
        driver_->setMaterial(material);
        driver_->drawMeshBuffer(mesh->getMeshBuffer(i));
    }
}

void EffectHandler::drawLitReceivers(video::ITexture* map) {
    for (const SShadowNode& n : shadowNodes_) {
        if (!drawnLit(n)) continue;
        const auto lit = this->material(kShadowLitSlot0 + static_cast<int>(n.filter));
        drawBuffers(n.node, [&](video::SMaterial& material) {
            material.MaterialType = lit;
            setShadowMap(material, 1, map);
            shadowCallback_->useTexture = material.getTexture(0) != nullptr;
            shadowCallback_->textureMatrix = material.getTextureMatrix(0);
        });
    }
}

void EffectHandler::drawChildren(scene::ISceneNode* node, u32 time) {
    for (scene::ISceneNode* child : node->getChildren()) {
        if (!child->isVisible()) continue;
        drawNode(child, time);
        drawChildren(child, time);
    }
}

bool EffectHandler::receiversAreMeshes() const {
    for (const SShadowNode& n : shadowNodes_)
        if (receivesShadow(n.role) && drawable(n.node) && !meshNode(n.node)) return false;
    return true;
}

void EffectHandler::multiplyReceivers(video::ITexture* map) {
    // Destination colour times the pass's colour; depth tested against the
    // scene just drawn (the same positions pass) and left as it is. The
    // buffers are drawn here rather than by the node, which would leave a
    // blending material to a transparent pass that never comes.
    const f32 multiply = video::pack_textureBlendFunc(video::EBF_DST_COLOR, video::EBF_ZERO);
    for (const SShadowNode& n : shadowNodes_) {
        if (!receivesShadow(n.role) || !drawable(n.node) || drawnLit(n)) continue;
        const auto multiplied = this->material(kShadowMultiplySlot0 + static_cast<int>(n.filter));
        drawBuffers(n.node, [&](video::SMaterial& material) {
            material.MaterialType = multiplied;
            material.MaterialTypeParam = multiply;
            setShadowMap(material, 0, map);
            material.ZWriteEnable = false;
        });
    }
}

void EffectHandler::renderLights(u32 time) {
    scene::ICameraSceneNode* camera = sceneManager_->getActiveCamera();
    lastSignature_.clear();  // lights of one size share their map
    for (const SShadowLight& light : lights_) {
        video::ITexture* map = renderDepth(light, time, false);
        if (!map) return;

        driver_->setRenderTarget(screenQuad_.targets[1], true, true, kWhite);
        driver_->setTransform(video::ETS_VIEW, camera->getViewMatrix());
        driver_->setTransform(video::ETS_PROJECTION, camera->getProjectionMatrix());
        setShadowConstants(light, false);
        drawReceivers(map, time);

        // Added onto the accumulation, which started at the ambient colour.
        driver_->setRenderTarget(screenQuad_.targets[0], false, false, video::SColor(0));
        screenQuad_.material().setTexture(0, screenQuad_.targets[1]);
        screenQuad_.material().MaterialType = material(kAccumulateSlot);
        screenQuad_.material().MaterialTypeParam =
            video::pack_textureBlendFunc(video::EBF_ONE, video::EBF_ONE);
        // The engine resets blending after a target switch unless the
        // material itself asks for a blend operation.
        screenQuad_.material().BlendOperation = video::EBO_ADD;
        screenQuad_.render(driver_);
        screenQuad_.material().BlendOperation = video::EBO_NONE;
        screenQuad_.material().MaterialTypeParam = 0;
    }

    // Nodes that are not shadowed show fully lit: white in the accumulation.
    for (const SShadowNode& n : shadowNodes_) {
        if (!drawnFullyLit(n.role) || !drawable(n.node)) continue;
        drawWithSwappedTypes(n.node, time, [this](video::E_MATERIAL_TYPE old) {
            switch (old) {
                case video::EMT_TRANSPARENT_ADD_COLOR:
                    return materials_[kWhiteAddSlot];
                case video::EMT_TRANSPARENT_ALPHA_CHANNEL:
                    return materials_[kWhiteAlphaSlot];
                case video::EMT_TRANSPARENT_ALPHA_CHANNEL_REF:
                    return materials_[kWhiteAlphaRefSlot];
                default:
                    return materials_[kWhiteSlot];
            }
        });
    }
}

void EffectHandler::renderSingleLight(video::ITexture* outputTarget, u32 time) {
    const SShadowLight& light = lights_.front();
    video::ITexture* map = renderDepth(light, time, true);
    if (!map) return;

    driver_->setRenderTarget(postEffects_.empty() ? outputTarget : sceneTarget_, true, true,
                             clearColour_);
    // Solid receivers are drawn lit in one pass below; the scene manager
    // draws everything else. Hidden from it, their children are hidden too:
    // those are drawn after them, with their solid materials. (Drawn after
    // it, the receivers cover a transparent node in front of them; the
    // shell's scene has none.)
    litNodes_.clear();
    for (const SShadowNode& n : shadowNodes_)
        if (drawnLit(n)) litNodes_.push_back(n.node);
    for (scene::ISceneNode* node : litNodes_) node->setVisible(false);
    sceneManager_->drawAll();
    for (scene::ISceneNode* node : litNodes_) node->setVisible(true);

    scene::ICameraSceneNode* camera = sceneManager_->getActiveCamera();
    driver_->setTransform(video::ETS_VIEW, camera->getViewMatrix());
    driver_->setTransform(video::ETS_PROJECTION, camera->getProjectionMatrix());
    setShadowConstants(light, true);
    drawLitReceivers(map);
    for (scene::ISceneNode* node : litNodes_) drawChildren(node, time);
    multiplyReceivers(map);
}

void EffectHandler::renderFrame(video::ITexture* outputTarget) {
    scene::ICameraSceneNode* camera = sceneManager_->getActiveCamera();
    if (!camera) return;
    pruneRemovedNodes();
    if (!effectsActive()) {
        drawPlainScene(outputTarget);
        return;
    }

    const u32 time = device_->getTimer()->getTime();
    const bool shadowed = !shadowNodes_.empty() && !lights_.empty();
    if (shadowed) {
        camera->OnAnimate(time);
        camera->OnRegisterSceneNode();
        camera->render();
        fitLights();
    }
    if (shadowed && lights_.size() == 1 && receiversAreMeshes()) {
        renderSingleLight(outputTarget, time);
        if (failed_) {
            drawPlainScene(outputTarget);
            return;
        }
    } else {
        if (shadowed) {
            driver_->setRenderTarget(screenQuad_.targets[0], true, true, ambientColour_);
            renderLights(time);
            if (failed_) {
                drawPlainScene(outputTarget);
                return;
            }
        } else {
            driver_->setRenderTarget(screenQuad_.targets[0], true, true, kWhite);
        }

        driver_->setRenderTarget(screenQuad_.targets[1], true, true, clearColour_);
        sceneManager_->drawAll();

        driver_->setRenderTarget(postEffects_.empty() ? outputTarget : sceneTarget_, true, true,
                                 video::SColor(0));
        screenQuad_.material().setTexture(0, screenQuad_.targets[1]);
        screenQuad_.material().setTexture(1, screenQuad_.targets[0]);
        screenQuad_.material().MaterialType = material(kLightModulateSlot);
        screenQuad_.render(driver_);
    }

    if (!postEffects_.empty()) runPostChain(outputTarget);
}

void EffectHandler::runPostChain(video::ITexture* outputTarget) {
    screenQuad_.material().setTexture(1, sceneTarget_);
    screenQuad_.material().setTexture(2, nullptr);
    const size_t count = postEffects_.size();
    video::ITexture* input = sceneTarget_;
    for (size_t i = 0; i < count; ++i) {
        const SPostProcessingPair& pass = postEffects_[i];
        video::ITexture* output = nullptr;
        if (pass.downscale > 1) {
            // The pair's other image: never the one this pass reads.
            video::ITexture* const* pair = reducedTargets(pass.downscale);
            output = pair[0] == input ? pair[1] : pair[0];
        } else {
            const PostPassRoute route = postPassRoute(i, count);
            switch (route.output) {
                case ChainImage::Target0:
                    output = screenQuad_.targets[0];
                    break;
                case ChainImage::Target1:
                    output = screenQuad_.targets[1];
                    break;
                default:
                    output = outputTarget;
                    break;
            }
        }
        screenQuad_.material().MaterialType =
            static_cast<video::E_MATERIAL_TYPE>(pass.materialType);
        screenQuad_.material().setTexture(0, input);
        driver_->setRenderTarget(output, true, true, clearColour_);
        if (pass.passCallback) pass.passCallback->onPassBegin(this);
        screenQuad_.render(driver_);
        if (pass.passCallback) pass.passCallback->onPassEnd(this);
        input = output;
    }
    if (postEffects_.back().downscale > 1) {
        driver_->setRenderTarget(outputTarget, true, true, clearColour_);
        screenQuad_.material().MaterialType = material(kGlowCompositeSlot);
        screenQuad_.material().setTexture(0, input);
        // The scene is read pixel for pixel: no filtering to pay for.
        screenQuad_.material().TextureLayer[1].BilinearFilter = false;
        screenQuad_.render(driver_);
        screenQuad_.material().TextureLayer[1].BilinearFilter = true;
    }
}

void EffectHandler::drawPlainScene(video::ITexture* outputTarget) {
    driver_->setRenderTarget(outputTarget, true, true, clearColour_);
    sceneManager_->drawAll();
}

}  // namespace cubalorn
