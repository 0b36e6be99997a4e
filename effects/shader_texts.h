#pragma once
// The built-in shader texts of the effect handler, each in a GLSL and an
// HLSL (Direct3D 9) version. They still carry "##ifdef" blocks and the names
// SAMPLE_AMOUNT, VSM, ROUND_SPOTLIGHTS and VERTICAL_VSM_BLUR: run them through
// ShaderPreprocessor before compiling.

#include <cstddef>

namespace cubalorn {

// Rows of kShaderTexts, in table order.
enum class ShaderText : std::size_t {
    LightModulatePixel,
    DepthPixel,
    DepthAlphaPixel,
    DepthVertex,
    ShadowPixel,
    ShadowVertex,
    CopyPixel,
    WhiteWashAlphaPixel,
    WhiteWashLuminancePixel,
    ScreenQuadVertex,
    BlurPixel,
    GlowCompositePixel,
};
constexpr std::size_t kShaderTextCount = 12;

// Column 0 is GLSL, column 1 HLSL.
extern const char* const kShaderTexts[kShaderTextCount][2];

inline const char* shaderText(ShaderText which, bool direct3D9) {
    return kShaderTexts[static_cast<std::size_t>(which)][direct3D9 ? 1 : 0];
}

// The individual texts, defined in shader_texts_glsl.cpp and
// shader_texts_hlsl.cpp.
namespace glsl {
extern const char* const kLightModulatePixel;
extern const char* const kDepthPixel;
extern const char* const kDepthAlphaPixel;
extern const char* const kDepthVertex;
extern const char* const kShadowPixel;
extern const char* const kShadowVertex;
extern const char* const kCopyPixel;
extern const char* const kWhiteWashAlphaPixel;
extern const char* const kWhiteWashLuminancePixel;
extern const char* const kScreenQuadVertex;
extern const char* const kBlurPixel;
extern const char* const kGlowCompositePixel;
}  // namespace glsl

namespace hlsl {
extern const char* const kLightModulatePixel;
extern const char* const kDepthPixel;
extern const char* const kDepthAlphaPixel;
extern const char* const kDepthVertex;
extern const char* const kShadowPixel;
extern const char* const kShadowVertex;
extern const char* const kCopyPixel;
extern const char* const kWhiteWashAlphaPixel;
extern const char* const kWhiteWashLuminancePixel;
extern const char* const kScreenQuadVertex;
extern const char* const kBlurPixel;
extern const char* const kGlowCompositePixel;
}  // namespace hlsl

}  // namespace cubalorn
