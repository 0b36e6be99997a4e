// Softens the glow horizontally: the glow is what the previous pass (unit 0)
// added onto the shaded scene (unit 1). Only that difference is blurred and
// put back, so the voxels themselves stay sharp. Five bilinear taps give a
// nine-texel Gaussian, spread over twice its width.
sampler2D ColorMapSampler : register(s0);
sampler2D ScreenMapSampler : register(s1);

float3 glowAt(float2 uv)
{
	return max(tex2D(ColorMapSampler, uv).rgb - tex2D(ScreenMapSampler, uv).rgb, 0.0);
}

float4 pixelMain(float2 TexCoords : TEXCOORD0, float2 ScreenSize : TEXCOORD3) : COLOR0
{
	float2 texel = 1.0 / ScreenSize;
	float2 offset = float2(texel.x, 0.0) * 2.0;

	float3 glow = glowAt(TexCoords) * 0.2270270;
	glow += (glowAt(TexCoords + offset * 1.3846154) + glowAt(TexCoords - offset * 1.3846154)) * 0.3162162;
	glow += (glowAt(TexCoords + offset * 3.2307692) + glowAt(TexCoords - offset * 3.2307692)) * 0.0702703;

	float3 scene = tex2D(ScreenMapSampler, TexCoords).rgb;
	return float4(scene + glow, 1.0);
}
