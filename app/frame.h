#pragma once
// One pass of the window: the keys the window itself answers (O, M), the
// presented mesh brought up to date with the volume, and one frame drawn
// (scene through the effect handler or the scene manager, caption, screen
// texts). Shared by the window program and anything else that renders the
// same scene (a headless exporter reads the back buffer in `beforePresent`).

#include <functional>
#include <string>

#include "app/app_config.h"
#include "app/app_context.h"
#include "voxel/palette.h"
#include "voxel/random.h"

namespace cubalorn {

class VoxelVolume;

// Key O flips wireframe, key M flips cubic/smooth extraction (with the voxel
// texture) and marks the mesh out of date. Each acts once per press, however
// long the key is held. Returns whether anything changed.
bool handleWindowKeys(AppContext& context, AppConfig& config);

// Sets up the presented mesh of `volume`: its chunk meshes, one engine
// buffer per chunk in one mesh, and the mesh node (configured for the
// effects and the mode), out of date so that the next update fills it.
void presentVolume(AppContext& context, VoxelVolume& volume, const AppConfig& config);

// When the mesh is out of date: re-extracts, with the surface `cubicMode`
// selects, the chunks that the volume's changes reach (every chunk after
// the surface or the palette changed) and refills their buffers. Returns
// whether it was out of date.
bool updatePresentedMesh(AppContext& context, const AppConfig& config, const Palette& palette,
                         Random& random);

// How much closed-in corners are darkened: kOcclusionDarkening with the
// ambientocclusion switch on, else 0.
float occlusionDarkening(const AppConfig& config);

// The vertex colour of a palette index (alpha 255; index 255 draws a fresh
// random colour on every call).
irr::video::SColor vertexColour(const Palette& palette, Random& random, uint8_t index);

// "Cam: %f %f %f -> %f %f %f" with the free camera's position and target.
std::string cameraCaption(const irr::core::vector3df& position, const irr::core::vector3df& target);

// One whole frame: mesh update, begin (cleared with backgroundColour), the
// scene, the caption when showCameraPosition is set, the queued screen texts
// (then the queue is empty), `beforePresent` if given, end.
void drawFrame(AppContext& context, const AppConfig& config, const Palette& palette, Random& random,
               const std::function<void()>& beforePresent = nullptr);

}  // namespace cubalorn
