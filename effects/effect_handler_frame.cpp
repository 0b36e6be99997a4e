// One frame of the effect handler: per light a depth pass into the shadow
// map and a light pass of the receivers, accumulated onto the ambient colour;
// the plain scene multiplied by that light; then the post-processing chain.

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

void EffectHandler::renderLights(u32 time) {
    scene::ICameraSceneNode* camera = sceneManager_->getActiveCamera();
    for (const SShadowLight& light : lights_) {
        depthCallback_->farDistance = light.farDistance;
        driver_->setTransform(video::ETS_VIEW, light.viewMatrix);
        driver_->setTransform(video::ETS_PROJECTION, light.projectionMatrix);

        video::ITexture* map = shadowMap(light.resolution, false);
        video::ITexture* map2 = useVarianceShadows_ ? shadowMap(light.resolution, true) : map;
        if (!map || !map2) {
            failed_ = true;
            return;
        }
        driver_->setRenderTarget(map, true, true, kWhite);
        for (const SShadowNode& n : shadowNodes_) {
            if (!castsShadow(n.role) || !drawable(n.node)) continue;
            drawWithSwappedTypes(n.node, time, [this](video::E_MATERIAL_TYPE old) {
                return old == video::EMT_TRANSPARENT_ALPHA_CHANNEL_REF ? depthAlphaRefMaterial_
                                                                      : depthMaterial_;
            });
        }

        if (useVarianceShadows_) {
            driver_->setRenderTarget(map2, true, true, kWhite);
            screenQuad_.material().setTexture(0, map);
            screenQuad_.material().MaterialType = static_cast<video::E_MATERIAL_TYPE>(blurHMaterial_);
            screenQuad_.render(driver_);
            driver_->setRenderTarget(map, true, true, kWhite);
            screenQuad_.material().setTexture(0, map2);
            screenQuad_.material().MaterialType = static_cast<video::E_MATERIAL_TYPE>(blurVMaterial_);
            screenQuad_.render(driver_);
        }

        driver_->setRenderTarget(screenQuad_.targets[1], true, true, kWhite);
        driver_->setTransform(video::ETS_VIEW, camera->getViewMatrix());
        driver_->setTransform(video::ETS_PROJECTION, camera->getProjectionMatrix());

        shadowCallback_->lightColour = light.colour;
        shadowCallback_->lightPosition = light.position;
        shadowCallback_->farDistance = light.farDistance;
        shadowCallback_->lightView = light.viewMatrix;
        shadowCallback_->lightProjection = light.projectionMatrix;
        shadowCallback_->mapResolution = static_cast<f32>(light.resolution);

        for (const SShadowNode& n : shadowNodes_) {
            if (!receivesShadow(n.role) || !drawable(n.node)) continue;
            scene::ISceneNode* node = n.node;
            const u32 count = node->getMaterialCount();
            savedTypes_.resize(count);
            savedTextures_.resize(count);
            const auto shadowType =
                static_cast<video::E_MATERIAL_TYPE>(shadowMaterials_[static_cast<int>(n.filter)]);
            for (u32 m = 0; m < count; ++m) {
                video::SMaterial& material = node->getMaterial(m);
                savedTypes_[m] = material.MaterialType;
                savedTextures_[m] = material.getTexture(0);
                material.MaterialType = shadowType;
                material.setTexture(0, map);
            }
            drawNode(node, time);
            for (u32 m = 0; m < count; ++m) {
                video::SMaterial& material = node->getMaterial(m);
                material.MaterialType = savedTypes_[m];
                material.setTexture(0, savedTextures_[m]);
            }
        }

        // Additive onto the accumulation, which started at the ambient colour.
        driver_->setRenderTarget(screenQuad_.targets[0], false, false, video::SColor(0));
        screenQuad_.material().setTexture(0, screenQuad_.targets[1]);
        screenQuad_.material().MaterialType =
            static_cast<video::E_MATERIAL_TYPE>(accumulateMaterial_);
        // The engine resets blending after a target switch unless the
        // material itself asks for a blend operation.
        screenQuad_.material().BlendOperation = video::EBO_ADD;
        screenQuad_.render(driver_);
        screenQuad_.material().BlendOperation = video::EBO_NONE;
    }

    // Nodes that are not shadowed show fully lit: white in the accumulation.
    for (const SShadowNode& n : shadowNodes_) {
        if (!drawnFullyLit(n.role) || !drawable(n.node)) continue;
        drawWithSwappedTypes(n.node, time, [this](video::E_MATERIAL_TYPE old) {
            switch (old) {
                case video::EMT_TRANSPARENT_ADD_COLOR: return whiteAddMaterial_;
                case video::EMT_TRANSPARENT_ALPHA_CHANNEL: return whiteAlphaMaterial_;
                case video::EMT_TRANSPARENT_ALPHA_CHANNEL_REF: return whiteAlphaRefMaterial_;
                default: return whiteMaterial_;
            }
        });
    }
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
    if (!shadowNodes_.empty() && !lights_.empty()) {
        driver_->setRenderTarget(screenQuad_.targets[0], true, true, ambientColour_);
        camera->OnAnimate(time);
        camera->OnRegisterSceneNode();
        camera->render();
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
    screenQuad_.material().MaterialType =
        static_cast<video::E_MATERIAL_TYPE>(lightModulateMaterial_);
    screenQuad_.render(driver_);

    if (!postEffects_.empty()) runPostChain(outputTarget);
}

void EffectHandler::runPostChain(video::ITexture* outputTarget) {
    screenQuad_.material().setTexture(1, sceneTarget_);
    screenQuad_.material().setTexture(2, nullptr);
    const size_t count = postEffects_.size();
    for (size_t i = 0; i < count; ++i) {
        const SPostProcessingPair& pass = postEffects_[i];
        const PostPassRoute route = postPassRoute(i, count);
        auto image = [&](ChainImage which) -> video::ITexture* {
            switch (which) {
                case ChainImage::SceneTarget: return sceneTarget_;
                case ChainImage::Target0: return screenQuad_.targets[0];
                case ChainImage::Target1: return screenQuad_.targets[1];
                case ChainImage::Output: return outputTarget;
            }
            return nullptr;
        };
        screenQuad_.material().MaterialType = static_cast<video::E_MATERIAL_TYPE>(pass.materialType);
        screenQuad_.material().setTexture(0, image(route.input));
        driver_->setRenderTarget(image(route.output), true, true, clearColour_);
        if (pass.passCallback) pass.passCallback->onPassBegin(this);
        screenQuad_.render(driver_);
        if (pass.passCallback) pass.passCallback->onPassEnd(this);
    }
}

void EffectHandler::drawPlainScene(video::ITexture* outputTarget) {
    driver_->setRenderTarget(outputTarget, true, true, clearColour_);
    sceneManager_->drawAll();
}

}  // namespace cubalorn
