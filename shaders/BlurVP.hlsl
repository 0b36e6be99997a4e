// Widens the glow vertically (unit 0, at the size this pass runs, a
// quarter of the screen). Five filtered taps give a nine-texel Gaussian.
sampler2D ColorMapSampler : register(s0);

float4 pixelMain(float2 TexCoords : TEXCOORD0, float2 ScreenSize : TEXCOORD3) : COLOR0
{
	float2 texel = 1.0 / ScreenSize;
	float2 offset = float2(0.0, texel.y);

	float3 glow = tex2D(ColorMapSampler, TexCoords).rgb * 0.2270270;
	glow += (tex2D(ColorMapSampler, TexCoords + offset * 1.3846154).rgb +
	         tex2D(ColorMapSampler, TexCoords - offset * 1.3846154).rgb) * 0.3162162;
	glow += (tex2D(ColorMapSampler, TexCoords + offset * 3.2307692).rgb +
	         tex2D(ColorMapSampler, TexCoords - offset * 3.2307692).rgb) * 0.0702703;
	return float4(glow, 1.0);
}
