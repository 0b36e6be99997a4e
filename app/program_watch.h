#pragma once
// `cubalorn --watch FILE`: the program file runs again from the start each
// time it is saved, so a learner can edit it in any editor and see the
// sculpture follow. A deleted file leaves the last sculpture in place.

#include <irrlicht.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/file_watcher.h"
#include "interp/output.h"

namespace cubalorn {

struct AppConfig;
struct AppContext;
class Host;
class Interpreter;
struct World;

class ProgramWatch {
public:
    // What a new run of the program works on.
    struct Target {
        World& world;  // its volume is cleared
        Interpreter& interpreter;
        Host& host;  // for the settings pass
    };

    ProgramWatch(std::string path, Output& out);

    // Asks the watcher; never blocks. On a save it loads the file into
    // `program` and runs it again from the start: the volume cleared; the
    // turtle, palette, height grid, variables, lists, labels and procedures
    // as at start-up. True when it ran (the mesh is then out of date).
    bool poll(Target target, std::optional<std::string>& program);

    FileWatcher::Mechanism mechanism() const { return watcher_.mechanism(); }
    int descriptor() const { return watcher_.descriptor(); }
    std::chrono::milliseconds quietFor() const {
        return watcher_.quietFor(FileWatcher::Clock::now());
    }

private:
    FileWatcher watcher_;
    Output& out_;
};

// The cameras as the user left them, to be put back after a new run of the
// program (whose CAMERAPOS and CHANGECAMERA would move them).
class KeptCameras {
public:
    KeptCameras(AppContext& context, AppConfig& config);
    void restore() const;

private:
    struct Placement {
        irr::scene::ICameraSceneNode* camera;
        irr::core::vector3df position;
        irr::core::vector3df target;
    };
    AppContext& context_;
    AppConfig& config_;
    std::vector<Placement> placements_;
    irr::scene::ICameraSceneNode* active_ = nullptr;
    bool fixedCameraActive_ = false;
    bool freeCameraFlies_ = false;
    std::array<float, 3> configuredPosition_{};
    std::array<float, 3> configuredTarget_{};
};

// The world as a program file finds it at start-up: an empty volume, the
// turtle centred with its pen as new, the first palette, no height grid.
void startWorldAfresh(World& world);

}  // namespace cubalorn
