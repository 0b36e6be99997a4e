#include "app/resources.h"

#include "app/configuration.h"
#include "app/mesh_presentation.h"
#include "app/scene_setup.h"

namespace cubalorn {

std::string WindowResources::find(const std::string& name, const char* without) const {
    std::string path = folders_.find(name);
    if (path.empty())
        std::fprintf(errors_, "%s: %s; %s\n", program_, folders_.describeMissing(name).c_str(),
                     without);
    return path;
}

std::string WindowResources::configuration() const {
    return find(kConfigurationFileName, "the built-in settings are used");
}

void WindowResources::useMedia(irr::video::IVideoDriver& driver, AppConfig& config) const {
    const std::string texture = find(kVoxelTexturePath, "the blocks are drawn without it");
    if (!texture.empty() && texture != kVoxelTexturePath)
        loadTextureAs(driver, texture, kVoxelTexturePath);

    // The passes are read from one place: the first that has the first of them.
    const std::vector<std::string> shaders =
        postEffectFiles(config.blur, shaderExtension(driver.getDriverType()));
    const std::string first = find(shaders.front(), "the scene is drawn without bloom");
    config.shaderRoot = first.empty() || first == shaders.front()
                            ? std::string()
                            : first.substr(0, first.size() - shaders.front().size());
}

bool loadTextureAs(irr::video::IVideoDriver& driver, const std::string& path, const char* name) {
    irr::video::IImage* image = driver.createImageFromFile(path.c_str());
    if (image == nullptr) return false;
    irr::video::ITexture* texture = driver.addTexture(name, image);
    image->drop();
    return texture != nullptr;
}

}  // namespace cubalorn
