#pragma once
// How a registered scene node takes part in shadowing.

#include <irrlicht.h>

#include <cstdint>

namespace cubalorn {

// Shadow-map samples per pixel of the light pass.
enum class ShadowFilter : std::int32_t { Filter1 = 0, Filter4, Filter8, Filter12, Filter16 };
constexpr int kShadowFilterCount = 5;
constexpr int kShadowFilterSamples[kShadowFilterCount] = {1, 4, 8, 12, 16};

// Which passes draw the node: casting (depth), receiving (light) or shown
// fully lit (white-wash).
enum class ShadowRole : std::int32_t { ReceiveOnly = 0, CastOnly, CastAndReceive, Excluded };

inline bool castsShadow(ShadowRole r) {
    return r == ShadowRole::CastOnly || r == ShadowRole::CastAndReceive;
}
inline bool receivesShadow(ShadowRole r) {
    return r == ShadowRole::ReceiveOnly || r == ShadowRole::CastAndReceive;
}
inline bool drawnFullyLit(ShadowRole r) {
    return r == ShadowRole::CastOnly || r == ShadowRole::Excluded;
}

// The node is grabbed while registered, so that a node the scene deletes
// stays valid memory until the handler notices and lets it go.
struct SShadowNode {
    irr::scene::ISceneNode* node;
    ShadowRole role;
    ShadowFilter filter;
};

}  // namespace cubalorn
