#pragma once
// The shell's state for the whole run: the window's engine objects, the
// presented mesh, the lists kept by host commands and the receiver. The
// objects behind the pointers are created once by the application and never
// replaced; engine objects follow the engine's reference counting.

#include <irrlicht.h>

#include <memory>
#include <vector>

#include "app/chunk_buffers.h"
#include "app/event_receiver.h"
#include "app/scene_setup.h"
#include "app/screen_texts.h"
#include "extract/chunk_meshes.h"
#include "interp/host.h"
#include "voxel/palette.h"

namespace cubalorn {

class EffectHandler;
class VoxelVolume;

struct AppContext {
    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
    irr::scene::ISceneManager* sceneManager = nullptr;
    EffectHandler* effectHandler = nullptr;

    Cameras cameras;
    bool fixedCameraActive = false;
    // The free camera takes the keys and the mouse (program files, FREECAM);
    // otherwise the orbit moves whichever camera is active.
    bool freeCameraFlies = false;
    // A camera was moved or switched outside the orbit: the next frame shows it.
    bool cameraMoved = false;
    Light light;

    VoxelVolume* volume = nullptr;
    // The volume's meshes chunk by chunk, and the engine's buffer of each;
    // `mesh` is chunkBuffers' mesh, shown by `meshNode`.
    std::unique_ptr<ChunkMeshes> chunkMeshes;
    std::unique_ptr<ChunkBuffers> chunkBuffers;
    Palette presentedPalette;          // the colours the buffers were filled with
    float presentedDarkening = -1.0f;  // and the corners' shade (none yet)

    irr::scene::SMesh* mesh = nullptr;
    irr::scene::IMeshSceneNode* meshNode = nullptr;

    irr::video::SColor backgroundColour{0, 0, 0, 0};
    CaptionBuffer captionBuffer{};

    std::vector<FontEntry> fontList;
    std::vector<TextureEntry> textureList;
    std::vector<ScreenText> screenTextList;

    MyEventReceiver receiver;
    bool meshUpToDate = true;
};

}  // namespace cubalorn
