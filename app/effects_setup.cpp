#include "app/effects_setup.h"

#include <string>

#include "effects/effect_handler.h"
#include "effects/shadow_light.h"

namespace cubalorn {

irr::u32 postPassDownscale(const std::string& file) {
    return file.find("/Blur") != std::string::npos ? 8 : 4;
}

irr::video::SColor opaqueColour(const std::array<int, 3>& rgb, irr::u32 alpha) {
    return irr::video::SColor(alpha, colourChannel(rgb[0]), colourChannel(rgb[1]),
                              colourChannel(rgb[2]));
}

void applyEffectColours(EffectHandler& effects, const AppConfig& config) {
    effects.setAmbientLight(opaqueColour(config.ambient, 255));
    effects.setSceneClearColour(opaqueColour(config.background, 255));
}

void addShadowLightAndPasses(EffectHandler& effects, const AppConfig& config,
                             irr::video::IVideoDriver& driver, irr::scene::ISceneNode* meshNode,
                             const Light& light) {
    if (meshNode != nullptr)
        effects.registerShadowNode(
            meshNode, static_cast<ShadowFilter>(clampShadowFilter(config.shadowMapFilter)),
            ShadowRole::CastAndReceive);
    // The shipped passes make the glow at a fraction of the screen size,
    // where it is cheap and where a dense kernel is wide on screen.
    for (const std::string& file :
         postEffectFiles(config.blur, shaderExtension(driver.getDriverType())))
        effects.addPostEffectFile(config.shaderRoot + file, nullptr, postPassDownscale(file));
    effects.addLight(SShadowLight(kShadowMapResolution, {0, 0, 0}, {0, 0, 0}, shadowLightColour(config.lightColour),
                                  1.0f, 282.0f, 149.99f * irr::core::DEGTORAD, false));
    SShadowLight& shadowLight = effects.light(0);
    // The 150-degree field stays the fallback for a light among the voxels.
    shadowLight.fitToScene = true;
    const std::array<int, 3>& p = config.lightPosition;
    const std::array<int, 3>& t = config.lightTarget;
    shadowLight.setPosition(light.node != nullptr
                                ? light.node->getPosition()
                                : irr::core::vector3df(float(p[0]), float(p[1]), float(p[2])));
    shadowLight.setTarget(irr::core::vector3df(float(t[0]), float(t[1]), float(t[2])));
}

}  // namespace cubalorn
