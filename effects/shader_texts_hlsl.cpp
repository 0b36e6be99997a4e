// HLSL versions of the built-in shaders, for the Direct3D 9 driver (shader
// model 2 or 3). They compute what the GLSL versions compute; where the two
// differ (texture coordinate origin, the order of the last two interpolated
// light values, the depth bias) the difference follows the driver's
// conventions. Matrices multiply row vectors from the left.

#include "effects/shader_texts.h"

namespace cubalorn::hlsl {

const char* const kLightModulatePixel = R"(sampler2D ColorMapSampler : register(s0);
sampler2D ScreenMapSampler : register(s1);

float4 pixelMain(float2 TexCoords : TEXCOORD0) : COLOR0{
	float4 finalCol = tex2D(ColorMapSampler, TexCoords);
	float4 lightCol = tex2D(ScreenMapSampler, TexCoords);
	return finalCol * lightCol;
}
)";

const char* const kDepthPixel = R"(float4 pixelMain(float4 ClipPos: TEXCOORD0) : COLOR0{
	float depth = ClipPos.z / ClipPos.x;
	return float4(depth, depth * depth, 0.0, 0.0);
}
)";

const char* const kDepthAlphaPixel = R"(sampler2D ColorMapSampler : register(s0);

float4 pixelMain(float4 ClipPos: TEXCOORD0, float2 TexCoords: TEXCOORD1) : COLOR0{
	float depth = ClipPos.z / ClipPos.x;
	float alpha = tex2D(ColorMapSampler, TexCoords).a;
	return float4(depth, depth * depth, 0.0, alpha);
}
)";

const char* const kDepthVertex = R"(float4x4 mWorldViewProj;
float MaxD;

struct VS_OUTPUT {
	float4 Position : POSITION0;
	float4 ClipPos : TEXCOORD0;
	float2 TexCoords : TEXCOORD1;
	float4 VColour : TEXCOORD2;
};

VS_OUTPUT vertexMain(float3 Position : POSITION0, float2 TexCoords : TEXCOORD0,
                     float4 VColour : COLOR0) {
	VS_OUTPUT OUT;
	float4 hpos = mul(float4(Position.x, Position.y, Position.z, 1.0), mWorldViewProj);
	OUT.Position = hpos;
	OUT.ClipPos = hpos;
	OUT.ClipPos.x = MaxD;
	OUT.TexCoords = TexCoords;
	OUT.VColour = VColour;
	return OUT;
}
)";

// The light pass; see the GLSL version for the receiver-plane bias. No
// early return here: Direct3D 9 allows texture reads with derivatives only
// outside divergent branches, so the outside case is chosen at the end.
const char* const kShadowPixel = R"(##ifdef LIT_SURFACE
sampler2D ColorMapSampler : register(s0);
sampler2D ShadowMapSampler : register(s1);
float UseTexture;
##else
sampler2D ShadowMapSampler : register(s0);
##endif
float4 LightColour;
float4 AmbientColour;

static const float2 offsets[16] = {
	float2(0.0, 0.0), float2(0.0, 1.0), float2(1.0, -1.0), float2(-1.0, 1.0),
	float2(-2.0, 0.0), float2(0.0, -2.0), float2(-2.0, -2.0), float2(2.0, 2.0),
	float2(3.0, 0.0), float2(0.0, 3.0), float2(3.0, -3.0), float2(-3.0, 3.0),
	float2(-4.0, 0.0), float2(0.0, -4.0), float2(-4.0, -4.0), float2(4.0, 4.0)
};

##ifdef VSM
float testShadow(float2 smTexCoord, float realDistance) {
	float4 texDepth = tex2D(ShadowMapSampler, smTexCoord);
	float lit = realDistance <= texDepth.x ? 1.0 : 0.0;
	float variance = min(max(texDepth.y - texDepth.x * texDepth.x, 0.00001) + 0.000001, 1.0);
	float d = texDepth.x - realDistance;
	float p = variance / (variance + d * d);
	return (1.0 - max(lit, p)) / SAMPLE_AMOUNT;
}
##else
float testShadow(float2 smTexCoord, float realDistance) {
	float storedDepth = tex2D(ShadowMapSampler, smTexCoord).r;
	return storedDepth <= realDistance ? 1.0 / SAMPLE_AMOUNT : 0.0;
}
##endif

##ifdef LIT_SURFACE
float4 pixelMain(float4 SMPos : TEXCOORD0, float4 MVar : TEXCOORD1, float2 TexCoords : TEXCOORD2,
                 float4 VColour : COLOR0) : COLOR0{
##else
float4 pixelMain(float4 SMPos : TEXCOORD0, float4 MVar : TEXCOORD1) : COLOR0{
##endif
	float z = MVar.x;
	float nDotL = MVar.y;
	float texelStep = MVar.z;
	float maxDist = MVar.w;
	float2 uv = SMPos.xy / SMPos.w + float2(0.5, 0.5);
	float realDist = z / maxDist;

	float2 uvX = ddx(uv);
	float2 uvY = ddy(uv);
	float depthX = ddx(realDist);
	float depthY = ddy(realDist);
	float det = uvX.x * uvY.y - uvX.y * uvY.x;
	float2 slope = float2(0.0, 0.0);
	if (abs(det) > 1e-14)
		slope = float2(depthX * uvY.y - depthY * uvX.y, uvX.x * depthY - uvY.x * depthX) / det;
	slope = clamp(slope * texelStep, -0.05, 0.05) / texelStep;

##ifdef ROUND_SPOTLIGHTS
	float radius = length(uv - float2(0.5, 0.5));
	bool inside = radius < 0.5 && z > 0.0 && z < maxDist;
##else
	float2 clampedUv = clamp(uv, 0.0, 1.0);
	bool inside = clampedUv.x == uv.x && clampedUv.y == uv.y && z > 0.0 && z < maxDist;
##endif
	float bias = 0.0006 + 0.25 * (abs(slope.x) + abs(slope.y)) * texelStep;
	float lightness = 1.0;
	for (int i = 0; i < SAMPLE_AMOUNT; i++) {
		float2 tap = (floor(uv / texelStep + offsets[i]) + 0.5) * texelStep;
		lightness -= testShadow(tap, realDist + dot(slope, tap - uv) - bias);
	}

##ifdef ROUND_SPOTLIGHTS
	float4 light = LightColour * lightness * nDotL * clamp(5.0 - 10.0 * radius, 0.0, 1.0);
##else
	float4 light = LightColour * lightness * nDotL;
##endif
	float4 lit = inside && nDotL > 0.0 ? AmbientColour + light : AmbientColour;
##ifdef LIT_SURFACE
	float4 surface = VColour;
	if (UseTexture > 0.5)
		surface *= tex2D(ColorMapSampler, TexCoords);
	return surface * min(lit, float4(1.0, 1.0, 1.0, 1.0));
##else
	return float4(lit.rgb, 1.0);
##endif
}
)";

// The light's clip position is halved and its y flipped here, because
// Direct3D textures start at the top; the normal is used as it comes.
const char* const kShadowVertex = R"(float4x4 mWorldViewProj;
float4x4 mWorldViewProj2;
float4x4 mTexture;
float3 LightPos;
float MaxD;
float MAPRES;

struct VS_OUTPUT {
	float4 Position : POSITION0;
	float4 ShadowMapSamplingPos : TEXCOORD0;
	float4 MVar : TEXCOORD1;
	float2 TexCoords : TEXCOORD2;
	float4 VColour : COLOR0;
};

VS_OUTPUT vertexMain(float3 Position : POSITION0, float2 TexCoords : TEXCOORD0,
                     float3 Normal : NORMAL, float4 VColour : COLOR0) {
	VS_OUTPUT OUT;
	float4 pos = float4(Position.x, Position.y, Position.z, 1.0);
	OUT.Position = mul(pos, mWorldViewProj);
	float4 s = mul(pos, mWorldViewProj2);
	s.xy = float2(s.x, -s.y) / 2.0;
	OUT.ShadowMapSamplingPos = s;
	float3 lightDir = normalize(LightPos - Position);
	OUT.MVar = float4(s.z, dot(Normal, lightDir), 1.0 / MAPRES, MaxD);
	// The surface's texture transform (turns a 2-D texture coordinate as
	// (u, v, 1)), as the fixed pipeline would apply it.
	OUT.TexCoords = mul(float4(TexCoords, 1.0, 0.0), mTexture).xy;
	OUT.VColour = VColour;
	return OUT;
}
)";

const char* const kCopyPixel = R"(sampler2D ColorMapSampler : register(s0);

float4 pixelMain(float2 TexCoords : TEXCOORD0) : COLOR0{
	return tex2D(ColorMapSampler, TexCoords);
}
)";

const char* const kWhiteWashAlphaPixel = R"(sampler2D ColorMapSampler : register(s0);

float4 pixelMain(float4 ClipPos : TEXCOORD0, float2 TexCoords : TEXCOORD1) : COLOR0{
	float alpha = tex2D(ColorMapSampler, TexCoords).a;
	return float4(1.0, 1.0, 1.0, alpha);
}
)";

const char* const kWhiteWashLuminancePixel = R"(sampler2D ColorMapSampler : register(s0);

float4 pixelMain(float4 ClipPos : TEXCOORD0, float2 TexCoords : TEXCOORD1,
                 float4 VColour : TEXCOORD2) : COLOR0{
	float4 t = tex2D(ColorMapSampler, TexCoords) * VColour;
	float luminance = clamp(0.3 * t.r + 0.59 * t.g + 0.11 * t.b, 0.0, 1.0);
	return float4(1.0, 1.0, 1.0, luminance);
}
)";

// Texture coordinates run downward from the top-left corner and are shifted
// by half a pixel, so that texels and pixels line up under Direct3D 9.
const char* const kScreenQuadVertex = R"(float screenX;
float screenY;
float3 LineStarts0;
float3 LineStarts1;
float3 LineStarts2;
float3 LineStarts3;
float3 LineEnds0;
float3 LineEnds1;
float3 LineEnds2;
float3 LineEnds3;

struct VS_OUTPUT {
	float4 Position : POSITION0;
	float2 TexCoords : TEXCOORD0;
	float3 LStart : TEXCOORD1;
	float3 LEnd : TEXCOORD2;
	float2 ScreenSize : TEXCOORD3;
};

VS_OUTPUT vertexMain(float3 Position : POSITION0) {
	VS_OUTPUT OUT;
	OUT.Position = float4(Position.x, Position.y, 0.0, 1.0);
	float2 tCoords;
	tCoords.x = 0.5 * (1.0 + Position.x + (1.0 / screenX));
	tCoords.y = 1.0 - 0.5 * (1.0 + Position.y - (1.0 / screenY));
	OUT.TexCoords = tCoords;

	float3 topStart = lerp(LineStarts0, LineStarts1, tCoords.x);
	float3 bottomStart = lerp(LineStarts2, LineStarts3, tCoords.x);
	OUT.LStart = lerp(topStart, bottomStart, tCoords.y);

	float3 topEnd = lerp(LineEnds0, LineEnds1, tCoords.x);
	float3 bottomEnd = lerp(LineEnds2, LineEnds3, tCoords.x);
	OUT.LEnd = lerp(topEnd, bottomEnd, tCoords.y);

	OUT.ScreenSize = float2(screenX, screenY);
	return OUT;
}
)";

const char* const kBlurPixel = R"(sampler2D ColorMapSampler : register(s0);

float4 tap(float2 uv) {
	return tex2D(ColorMapSampler, clamp(uv, float2(0.001, 0.001), float2(0.999, 0.999)));
}

float4 pixelMain(float2 TexCoords : TEXCOORD0, float2 ScreenSize : TEXCOORD3) : COLOR0{
##ifdef VERTICAL_VSM_BLUR
	float2 texel = float2(0.0, 1.0 / ScreenSize.y);
##else
	float2 texel = float2(1.0 / ScreenSize.x, 0.0);
##endif
	float4 sum = tap(TexCoords);
	sum += tap(TexCoords + 1.5 * texel);
	sum += tap(TexCoords - 1.5 * texel);
	sum += tap(TexCoords + 2.5 * texel);
	sum += tap(TexCoords - 2.5 * texel);
	return sum / 5.0;
}
)";

const char* const kGlowCompositePixel = R"(sampler2D ColorMapSampler : register(s0);
sampler2D ScreenMapSampler : register(s1);

float4 pixelMain(float2 TexCoords : TEXCOORD0) : COLOR0{
	float3 glow = tex2D(ColorMapSampler, TexCoords).rgb;
	float3 scene = tex2D(ScreenMapSampler, TexCoords).rgb;
	return float4(scene + glow * (float3(1.0, 1.0, 1.0) - scene), 1.0);
}
)";

}  // namespace cubalorn::hlsl
