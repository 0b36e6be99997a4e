#pragma once
// The files the window reads at run time, looked for in the working folder
// first and then where the programs are installed (interp/resource_folders.h):
// configwindows.xml.txt, media/voxeltexture.bmp and the post-processing
// shaders. A file that no place has is named once on standard error with the
// places searched; the window then does without it, as it always has.

#include <irrlicht.h>

#include <cstdio>
#include <string>

#include "app/app_config.h"
#include "interp/resource_folders.h"

namespace cubalorn {

class WindowResources {
public:
    // Lines on `errors` start with `program` ("cubalorn", "cubalorn-batch").
    WindowResources(const ResourceFolders& folders, const char* program, std::FILE* errors)
        : folders_(folders), program_(program), errors_(errors) {}

    // The configuration file's path, or empty when no place has it.
    std::string configuration() const;

    // Once the window is open: the voxel texture is loaded under the name the
    // scene asks for, and `config` learns where the shaders are.
    void useMedia(irr::video::IVideoDriver& driver, AppConfig& config) const;

private:
    std::string find(const std::string& name, const char* without) const;

    const ResourceFolders& folders_;
    const char* program_;
    std::FILE* errors_;
};

// Makes driver.getTexture(`name`) give the image at `path`. False when the
// image cannot be read.
bool loadTextureAs(irr::video::IVideoDriver& driver, const std::string& path, const char* name);

}  // namespace cubalorn
