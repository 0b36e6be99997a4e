#pragma once
// The window's scene without anyone watching: the same configuration,
// cameras, light, mesh presentation and effect pipeline as the cubalorn
// window, drawn through the real OpenGL driver, each frame read back before
// it is presented and written as a PNG.

#include <memory>
#include <string>
#include <vector>

#include "interp/host.h"
#include "interp/output.h"
#include "interp/program_settings.h"
#include "voxel/region.h"

namespace cubalorn {
class ResourceFolders;
class VoxelVolume;
struct World;
}  // namespace cubalorn

namespace cubalorn::batch {

class WindowStage {
public:
    struct Request {
        int width = 0;  // 0: the configured window size
        int height = 0;
        const ProgramSettings* programSettings = nullptr;  // a program file's, if any
        std::string view;  // --view; empty: the program's camera if it sets one, else fit
        bool ambientOcclusion = true;
        // Where configwindows.xml.txt, media/ and shaders/ are looked for;
        // null: the working folder only.
        const ResourceFolders* resources = nullptr;
    };

    // Reads configwindows.xml.txt, starts an X server of its own when there
    // is no DISPLAY, opens the OpenGL window and builds the effect handler
    // and cameras. Null with `error` set when any of it fails.
    static std::unique_ptr<WindowStage> open(const Request& request, Output& out,
                                             std::string& error);
    ~WindowStage();

    // What programs reach the window through (camera, light, texts, fonts).
    Host& host();
    // The volume's upper corner the window would use.
    Vec3i volumeMax() const;

    // After the program's first run: the mesh, its node, the light and the
    // post passes, as the window builds them.
    void present(VoxelVolume& volume, World& world);

    // Draws one frame and, when `pictures` is not empty, writes it to each of
    // those PNG files. False with one line per failed file on `errors`.
    bool drawFrame(const std::vector<std::string>& pictures, std::string& errors);

    // `frames` pictures of the scene turning once round under the camera
    // (the view's direction, or fit's for the program's camera), named by
    // turntableFramePath, then an animated GIF of them at animationPath when
    // ImageMagick is there (a note on standard error when it is not).
    bool drawTurntable(long long frames, const std::string& picture, std::string& errors);

    struct Impl;

private:
    explicit WindowStage(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace cubalorn::batch
