#include "effects/shader_texts.h"

namespace cubalorn {

const char* const kShaderTexts[kShaderTextCount][2] = {
    {glsl::kLightModulatePixel, hlsl::kLightModulatePixel},
    {glsl::kDepthPixel, hlsl::kDepthPixel},
    {glsl::kDepthAlphaPixel, hlsl::kDepthAlphaPixel},
    {glsl::kDepthVertex, hlsl::kDepthVertex},
    {glsl::kShadowPixel, hlsl::kShadowPixel},
    {glsl::kShadowVertex, hlsl::kShadowVertex},
    {glsl::kCopyPixel, hlsl::kCopyPixel},
    {glsl::kWhiteWashAlphaPixel, hlsl::kWhiteWashAlphaPixel},
    {glsl::kWhiteWashLuminancePixel, hlsl::kWhiteWashLuminancePixel},
    {glsl::kScreenQuadVertex, hlsl::kScreenQuadVertex},
    {glsl::kBlurPixel, hlsl::kBlurPixel},
    {glsl::kGlowCompositePixel, hlsl::kGlowCompositePixel},
};

}  // namespace cubalorn
