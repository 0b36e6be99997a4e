// Bloom: spreads the bright image (unit 0) over a disc a few percent of the
// screen high and adds it onto the shaded scene (unit 1). The taps follow a
// golden-angle spiral, so one pass covers the disc evenly; the weights fall
// off like a Gaussian so the glow has no visible rim.
sampler2D ColorMapSampler : register(s0);
sampler2D ScreenMapSampler : register(s1);

float4 pixelMain(float2 TexCoords : TEXCOORD0, float2 ScreenSize : TEXCOORD3) : COLOR0
{
	float2 texel = 1.0 / ScreenSize;
	float radius = 0.05 * ScreenSize.y;

	float3 glow = tex2D(ColorMapSampler, TexCoords).rgb;
	float total = 1.0;
	for (int i = 0; i < 32; i++)
	{
		float f = (float(i) + 0.5) / 32.0;
		float r = sqrt(f);
		float angle = (float(i) + 0.5) * 2.3999632;
		float2 offset = float2(cos(angle), sin(angle)) * (r * radius) * texel;
		float w = exp(-3.0 * f);
		glow += tex2D(ColorMapSampler, TexCoords + offset).rgb * w;
		total += w;
	}
	glow /= total;

	float3 scene = tex2D(ScreenMapSampler, TexCoords).rgb;
	return float4(scene + 1.3 * glow, 1.0);
}
