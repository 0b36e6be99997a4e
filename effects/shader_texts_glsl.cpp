// GLSL versions of the built-in shaders (every driver but Direct3D 9).
// Values reach the pixel stage through gl_TexCoord[0..3]; matrices multiply
// column vectors from the right.

#include "effects/shader_texts.h"

namespace cubalorn::glsl {

const char* const kLightModulatePixel = R"(uniform sampler2D ColorMapSampler;
uniform sampler2D ScreenMapSampler;

void main() {
	vec4 finalCol = texture2D(ColorMapSampler, gl_TexCoord[0].xy);
	vec4 lightCol = texture2D(ScreenMapSampler, gl_TexCoord[0].xy);
	gl_FragColor = finalCol * lightCol;
}
)";

const char* const kDepthPixel = R"(void main() {
	vec4 vInfo = gl_TexCoord[0];
	float depth = vInfo.z / vInfo.x;
	gl_FragColor = vec4(depth, depth * depth, 0.0, 0.0);
}
)";

const char* const kDepthAlphaPixel = R"(uniform sampler2D ColorMapSampler;

void main() {
	vec4 vInfo = gl_TexCoord[0];
	float depth = vInfo.z / vInfo.x;
	float alpha = texture2D(ColorMapSampler, gl_TexCoord[1].xy).a;
	gl_FragColor = vec4(depth, depth * depth, 0.0, alpha);
}
)";

// x carries the far distance so the pixel stage can normalise clip z.
const char* const kDepthVertex = R"(uniform mat4 mWorldViewProj;
uniform float MaxD;

void main() {
	vec4 tPos = mWorldViewProj * gl_Vertex;
	gl_Position = tPos;
	gl_TexCoord[0] = vec4(MaxD, tPos.y, tPos.z, tPos.w);
	gl_TexCoord[1].xy = gl_MultiTexCoord0.xy;
}
)";

// The light pass. Depth bias follows the receiver's own plane: the screen
// derivatives give how its light-space depth changes per shadow-map texel,
// and each filter tap, read unfiltered at its texel's centre, is compared
// with the depth the receiver has at that centre. A constant bias of a few
// storage steps is all that remains, small enough that contact shadows stay.
// AmbientColour is added where the pass lights the scene directly (one
// light); it is 0 when lights are accumulated first. With LIT_SURFACE the
// pass draws the surface itself, its vertex colour times its texture, lit.
const char* const kShadowPixel = R"(uniform sampler2D ShadowMapSampler;
uniform vec4 LightColour;
uniform vec4 AmbientColour;
uniform float MaxD;
uniform float MAPRES;
##ifdef LIT_SURFACE
uniform sampler2D ColorMapSampler;
uniform float UseTexture;
##endif

##ifdef VSM
float testShadow(vec2 smTexCoord, float realDistance) {
	vec4 texDepth = texture2D(ShadowMapSampler, smTexCoord);
	float lit = realDistance <= texDepth.x ? 1.0 : 0.0;
	float variance = min(max(texDepth.y - texDepth.x * texDepth.x, 0.00001) + 0.000001, 1.0);
	float d = texDepth.x - realDistance;
	float p = variance / (variance + d * d);
	return (1.0 - max(lit, p)) / float(SAMPLE_AMOUNT);
}
##else
float testShadow(vec2 smTexCoord, float realDistance) {
	float storedDepth = texture2D(ShadowMapSampler, smTexCoord).r;
	return storedDepth <= realDistance ? 1.0 / float(SAMPLE_AMOUNT) : 0.0;
}
##endif

void main() {
	vec2 offsets[16];
	offsets[0] = vec2(0.0, 0.0);
	offsets[1] = vec2(0.0, 1.0);
	offsets[2] = vec2(1.0, 1.0);
	offsets[3] = vec2(-1.0, -1.0);
	offsets[4] = vec2(-2.0, 0.0);
	offsets[5] = vec2(0.0, -2.0);
	offsets[6] = vec2(2.0, -2.0);
	offsets[7] = vec2(-2.0, 2.0);
	offsets[8] = vec2(3.0, 0.0);
	offsets[9] = vec2(0.0, 3.0);
	offsets[10] = vec2(3.0, 3.0);
	offsets[11] = vec2(-3.0, -3.0);
	offsets[12] = vec2(-4.0, 0.0);
	offsets[13] = vec2(0.0, -4.0);
	offsets[14] = vec2(4.0, -4.0);
	offsets[15] = vec2(-4.0, 4.0);

	vec4 smPos = gl_TexCoord[0];
	float z = smPos.z;
	float nDotL = gl_TexCoord[1].x;
	float maxDist = MaxD;
	float texelStep = 1.0 / MAPRES;
	vec2 uv = smPos.xy / smPos.w / 2.0 + vec2(0.5, 0.5);
	float realDist = z / maxDist;

	// Depth change per unit of uv across this receiver's plane, from the
	// screen derivatives of uv and depth (taken before any branch).
	vec2 uvX = dFdx(uv);
	vec2 uvY = dFdy(uv);
	float depthX = dFdx(realDist);
	float depthY = dFdy(realDist);
	float det = uvX.x * uvY.y - uvX.y * uvY.x;
	vec2 slope = vec2(0.0, 0.0);
	if (abs(det) > 1e-14)
		slope = vec2(depthX * uvY.y - depthY * uvX.y, uvX.x * depthY - uvY.x * depthX) / det;
	// A face seen edge-on by the light has no usable plane; its light is
	// nearly nothing anyway.
	slope = clamp(slope * texelStep, -0.05, 0.05) / texelStep;

##ifdef ROUND_SPOTLIGHTS
	float radius = length(uv - vec2(0.5, 0.5));
	bool inside = z - 0.01 > 0.0 && z + 0.01 < maxDist;
##else
	vec2 clampedUv = clamp(uv, 0.0, 1.0);
	bool inside = clampedUv.x == uv.x && clampedUv.y == uv.y && z > 0.0 && z < maxDist;
##endif

	vec4 light = AmbientColour;
	if (inside && nDotL > 0.0) {
		float bias = 0.0006 + 0.25 * (abs(slope.x) + abs(slope.y)) * texelStep;
		float lightness = 1.0;
		for (int i = 0; i < SAMPLE_AMOUNT; i++) {
			vec2 tap = (floor(uv / texelStep + offsets[i]) + 0.5) * texelStep;
			lightness -= testShadow(tap, realDist + dot(slope, tap - uv) - bias);
		}
##ifdef ROUND_SPOTLIGHTS
		light += LightColour * lightness * nDotL * clamp(5.0 - 10.0 * radius, 0.0, 1.0);
##else
		light += LightColour * lightness * nDotL;
##endif
	}
##ifdef LIT_SURFACE
	vec4 surface = gl_Color;
	if (UseTexture > 0.5)
		surface *= texture2D(ColorMapSampler, gl_TexCoord[2].xy);
	gl_FragColor = surface * min(light, vec4(1.0, 1.0, 1.0, 1.0));
##else
	// Opaque, so the engine's blend material lets the light through to be added.
	gl_FragColor = vec4(light.rgb, 1.0);
##endif
}
)";

// gl_TexCoord[0] is the light's clip position, left unscaled: the pixel
// stage halves it after the perspective divide; its z is the depth. The far
// distance and the map's resolution reach the pixel stage as the uniforms
// they are, which saves interpolating them. The position comes from the
// fixed-function transform so that it matches the scene pass to the bit:
// the single-light pass tests its depth against the scene's.
const char* const kShadowVertex = R"(uniform vec3 LightPos;
uniform mat4 mWorldViewProj;
uniform mat4 mWorldViewProj2;

void main() {
	vec4 pos = vec4(gl_Vertex.xyz, 1.0);
	gl_Position = ftransform();
	vec4 s = mWorldViewProj2 * pos;
	gl_TexCoord[0] = s;
	gl_TexCoord[1].x = dot(normalize(gl_Normal), normalize(LightPos - pos.xyz));
##ifdef LIT_SURFACE
	gl_FrontColor = gl_Color;
	gl_TexCoord[2].xy = (gl_TextureMatrix[0] * gl_MultiTexCoord0).xy;
##endif
}
)";

const char* const kCopyPixel = R"(uniform sampler2D ColorMapSampler;

void main() {
	gl_FragColor = texture2D(ColorMapSampler, gl_TexCoord[0].xy);
}
)";

const char* const kWhiteWashAlphaPixel = R"(uniform sampler2D ColorMapSampler;

void main() {
	float alpha = texture2D(ColorMapSampler, gl_TexCoord[1].xy).a;
	gl_FragColor = vec4(1.0, 1.0, 1.0, alpha);
}
)";

const char* const kWhiteWashLuminancePixel = R"(uniform sampler2D ColorMapSampler;

void main() {
	vec4 t = texture2D(ColorMapSampler, gl_TexCoord[1].xy);
	float luminance = clamp(0.3 * t.r + 0.59 * t.g + 0.11 * t.b, 0.0, 1.0);
	gl_FragColor = vec4(1.0, 1.0, 1.0, luminance);
}
)";

// The quad's texture coordinate runs upward from the bottom-left corner, as
// OpenGL render targets are stored; the corner rays are blended with a v
// that runs downward because ray 0 is the top-left corner.
const char* const kScreenQuadVertex = R"(uniform float screenX;
uniform float screenY;
uniform vec3 LineStarts0;
uniform vec3 LineStarts1;
uniform vec3 LineStarts2;
uniform vec3 LineStarts3;
uniform vec3 LineEnds0;
uniform vec3 LineEnds1;
uniform vec3 LineEnds2;
uniform vec3 LineEnds3;

void main() {
	gl_Position = vec4(gl_Vertex.x, gl_Vertex.y, 0.0, 1.0);
	vec2 tCoords = vec2(0.5 * (1.0 + gl_Vertex.x), 0.5 * (1.0 + gl_Vertex.y));
	gl_TexCoord[0].xy = tCoords;
	float vDown = 1.0 - tCoords.y;

	vec3 topStart = mix(LineStarts0, LineStarts1, tCoords.x);
	vec3 bottomStart = mix(LineStarts2, LineStarts3, tCoords.x);
	gl_TexCoord[1].xyz = mix(topStart, bottomStart, vDown);

	vec3 topEnd = mix(LineEnds0, LineEnds1, tCoords.x);
	vec3 bottomEnd = mix(LineEnds2, LineEnds3, tCoords.x);
	gl_TexCoord[2].xyz = mix(topEnd, bottomEnd, vDown);

	gl_TexCoord[3].xy = vec2(screenX, screenY);
}
)";

const char* const kBlurPixel = R"(uniform sampler2D ColorMapSampler;

vec4 tap(vec2 uv) {
	return texture2D(ColorMapSampler, clamp(uv, vec2(0.001, 0.001), vec2(0.999, 0.999)));
}

void main() {
	vec2 uv = gl_TexCoord[0].xy;
	vec2 screen = gl_TexCoord[3].xy;
##ifdef VERTICAL_VSM_BLUR
	vec2 texel = vec2(0.0, 1.0 / screen.y);
##else
	vec2 texel = vec2(1.0 / screen.x, 0.0);
##endif
	vec4 sum = tap(uv);
	sum += tap(uv + 1.5 * texel);
	sum += tap(uv - 1.5 * texel);
	sum += tap(uv + 2.5 * texel);
	sum += tap(uv - 2.5 * texel);
	gl_FragColor = sum / 5.0;
}
)";

// Puts a glow made at a fraction of the screen size (unit 0, stretched by
// the texture filter) over the shaded scene (unit 1). Screen blending adds
// most where the scene is dark and nothing where it is already white, so a
// glow never burns bright faces out.
const char* const kGlowCompositePixel = R"(uniform sampler2D ColorMapSampler;
uniform sampler2D ScreenMapSampler;

void main() {
	vec3 glow = texture2D(ColorMapSampler, gl_TexCoord[0].xy).rgb;
	vec3 scene = texture2D(ScreenMapSampler, gl_TexCoord[0].xy).rgb;
	gl_FragColor = vec4(scene + glow * (vec3(1.0, 1.0, 1.0) - scene), 1.0);
}
)";

}  // namespace cubalorn::glsl
