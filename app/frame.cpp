#include "app/frame.h"

#include <cstdio>
#include <new>

#include "app/mesh_presentation.h"
#include "app/screen_texts.h"
#include "effects/effect_handler.h"
#include "voxel/volume.h"

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

void presentVolume(AppContext& context, VoxelVolume& volume, const AppConfig& config) {
    context.volume = &volume;
    context.chunkMeshes = std::make_unique<ChunkMeshes>(
        volume, config.cubicMode ? SurfaceKind::Cubic : SurfaceKind::Smooth);
    context.chunkBuffers = std::make_unique<ChunkBuffers>(context.chunkMeshes->chunkCount());
    context.mesh = &context.chunkBuffers->mesh();
    context.meshNode = context.sceneManager->addMeshSceneNode(context.mesh, nullptr, -1);
    if (context.meshNode != nullptr)
        configureMeshNode(*context.meshNode, *context.driver, config.useEffects, config.cubicMode);
    context.meshUpToDate = false;
}

bool updatePresentedMesh(AppContext& context, const AppConfig& config, const Palette& palette,
                         Random& random) {
    if (context.meshUpToDate) return false;
    context.meshUpToDate = true;
    if (!context.chunkMeshes || !context.chunkBuffers) return true;
    ChunkMeshes& chunks = *context.chunkMeshes;
    chunks.setKind(config.cubicMode ? SurfaceKind::Cubic : SurfaceKind::Smooth);
    // Colours are baked into the buffers: new colours, or another shade of
    // the corners, fill every chunk again.
    const float darkening = occlusionDarkening(config);
    if (context.presentedPalette != palette || context.presentedDarkening != darkening) {
        context.presentedPalette = palette;
        context.presentedDarkening = darkening;
        chunks.invalidateAll();
    }
    try {
        chunks.update([&](uint32_t chunk, const ExtractedMesh& mesh) {
            context.chunkBuffers->present(
                chunk, mesh, [&](uint8_t index) { return vertexColour(palette, random, index); },
                darkening);
        });
    } catch (const std::bad_alloc&) {
        // The window goes on with the chunks it could mesh; the rest are
        // tried again after the next line.
        std::fprintf(stderr, "cubalorn: not enough memory to mesh the whole volume\n");
    }
    context.chunkBuffers->finish(context.meshNode);
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
