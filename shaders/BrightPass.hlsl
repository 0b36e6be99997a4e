// Bright pass. Runs at a quarter of the screen size: each of its pixels
// covers four by four pixels of the shaded scene, read as four filtered taps
// of two by two, so even a one-pixel sparkle is caught. Only what is brighter
// than a light grey passes (a soft knee from luminance 0.8 to 1.0), so light
// backgrounds and mid-tones never glow.
sampler2D ColorMapSampler : register(s0);

float3 bright(float2 uv)
{
	float3 colour = tex2D(ColorMapSampler, uv).rgb;
	float luminance = dot(colour, float3(0.299, 0.587, 0.114));
	return colour * smoothstep(0.8, 1.0, luminance);
}

float4 pixelMain(float2 TexCoords : TEXCOORD0) : COLOR0
{
	float2 texel = float2(1.0 / SCREENX, 1.0 / SCREENY);
	float3 sum = bright(TexCoords + float2(-1.0, -1.0) * texel);
	sum += bright(TexCoords + float2(1.0, -1.0) * texel);
	sum += bright(TexCoords + float2(-1.0, 1.0) * texel);
	sum += bright(TexCoords + float2(1.0, 1.0) * texel);
	return float4(0.25 * sum, 1.0);
}
