#include "app/frame.h"

#include <cstdio>

#include "app/mesh_presentation.h"
#include "app/screen_texts.h"
#include "effects/effect_handler.h"
#include "extract/cubic_extractor.h"
#include "extract/smooth_extractor.h"

namespace cubalorn {

bool handleWindowKeys(AppContext& context, AppConfig& config) {
    const bool wireframe = context.receiver.takePress(irr::KEY_KEY_O);
    const bool surface = context.receiver.takePress(irr::KEY_KEY_M);
    if (context.meshNode == nullptr) return false;
    if (wireframe) toggleWireframe(*context.meshNode);
    if (surface) {
        context.meshUpToDate = false;
        config.cubicMode = !config.cubicMode;
        if (context.driver != nullptr)
            setVoxelTexture(*context.meshNode, *context.driver, config.cubicMode);
    }
    return wireframe || surface;
}

float occlusionDarkening(const AppConfig& config) {
    return config.ambientOcclusion ? kOcclusionDarkening : 0.0f;
}

irr::video::SColor vertexColour(const Palette& palette, Random& random, uint8_t index) {
    uint32_t argb = 0xFF000000u;
    palette.materialColour(index, argb, random);
    return irr::video::SColor(argb);
}

bool updatePresentedMesh(AppContext& context, const AppConfig& config, const Palette& palette,
                         Random& random) {
    if (context.meshUpToDate) return false;
    if (config.cubicMode) {
        if (context.cubicExtractor != nullptr) context.cubicExtractor->execute();
    } else if (context.smoothExtractor != nullptr) {
        context.smoothExtractor->execute();
    }
    if (context.meshBuffer != nullptr) {
        rebuildMeshBuffer(*context.meshBuffer, context.extractedMesh,
                          [&](uint8_t index) { return vertexColour(palette, random, index); },
                          occlusionDarkening(config));
    }
    if (context.mesh != nullptr) context.mesh->recalculateBoundingBox();
    context.meshUpToDate = true;
    return true;
}

std::string cameraCaption(const irr::core::vector3df& p, const irr::core::vector3df& t) {
    char text[256];
    std::snprintf(text, sizeof text, "Cam: %f %f %f -> %f %f %f", p.X, p.Y, p.Z, t.X, t.Y, t.Z);
    return text;
}

void drawFrame(AppContext& context, const AppConfig& config, const Palette& palette, Random& random,
               const std::function<void()>& beforePresent) {
    updatePresentedMesh(context, config, palette, random);
    irr::video::IVideoDriver* driver = context.driver;
    driver->beginScene(true, true, context.backgroundColour);
    if (config.useEffects && context.effectHandler != nullptr) {
        context.effectHandler->renderFrame();
    } else {
        context.sceneManager->drawAll();
    }
    if (config.showCameraPosition && context.cameras.freeCamera != nullptr) {
        const irr::scene::ICameraSceneNode& camera = *context.cameras.freeCamera;
        widenIntoCaption(cameraCaption(camera.getPosition(), camera.getTarget()),
                         context.captionBuffer);
        context.device->setWindowCaption(context.captionBuffer.data());
    }
    drawScreenTexts(context.screenTextList, context.fontList, context.captionBuffer,
                    [&](uint8_t index) {
                        const PaletteEntry& e = palette.entry(index);
                        return irr::video::SColor(255, e.red & 0xFF, e.green & 0xFF, e.blue & 0xFF);
                    });
    if (beforePresent) beforePresent();
    driver->endScene();
}

}  // namespace cubalorn
