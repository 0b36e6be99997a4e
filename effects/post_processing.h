#pragma once
// A post-processing pass and the route of the pass chain through the two
// ping-pong render targets.

#include <irrlicht.h>

#include <cstddef>

namespace cubalorn {

class EffectHandler;
class ScreenQuadCB;

// Optional hooks around one pass.
class PassRenderCallback {
public:
    virtual ~PassRenderCallback() = default;
    virtual void onPassBegin(EffectHandler* handler) = 0;
    virtual void onPassEnd(EffectHandler* handler) = 0;
};

struct SPostProcessingPair {
    ScreenQuadCB* callback = nullptr;  // held by the material, not by the pair
    PassRenderCallback* passCallback = nullptr;
    irr::s32 materialType = -1;
    irr::u32 downscale = 1;  // 1 full size, 2 half, 4 quarter of the screen target
};

// The images a pass reads from and writes to.
enum class ChainImage { SceneTarget, Target0, Target1, Output };

struct PostPassRoute {
    ChainImage input;
    ChainImage output;
};

// Pass 0 reads the shaded scene, the last pass writes the frame's output,
// and the passes between alternate: targets[1], targets[0], targets[1], ...
PostPassRoute postPassRoute(std::size_t index, std::size_t passCount);

}  // namespace cubalorn
