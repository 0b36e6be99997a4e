#pragma once
// The shell's state for the whole run: the window's engine objects, the
// presented mesh, the lists kept by host commands and the receiver. The
// objects behind the pointers are created once by the application and never
// replaced; engine objects follow the engine's reference counting.

#include <irrlicht.h>

#include <vector>

#include "app/event_receiver.h"
#include "app/scene_setup.h"
#include "app/screen_texts.h"
#include "extract/mesh.h"
#include "interp/host.h"

namespace cubalorn {

class EffectHandler;
class CubicExtractor;
class SmoothExtractor;
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
    CubicExtractor* cubicExtractor = nullptr;
    SmoothExtractor* smoothExtractor = nullptr;
    ExtractedMesh extractedMesh;

    irr::scene::SMesh* mesh = nullptr;
    irr::scene::CDynamicMeshBuffer* meshBuffer = nullptr;
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
