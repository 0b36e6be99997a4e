// Bright pass: keeps the part of the shaded scene that is brighter than a
// threshold. The soft knee lets the glow fade in instead of switching on at
// one brightness, which would outline single voxel faces.
sampler2D ColorMapSampler : register(s0);

float4 pixelMain(float2 TexCoords : TEXCOORD0) : COLOR0
{
	float3 colour = tex2D(ColorMapSampler, TexCoords).rgb;
	float luminance = dot(colour, float3(0.299, 0.587, 0.114));
	float weight = smoothstep(0.55, 0.85, luminance);
	return float4(colour * weight, 1.0);
}
