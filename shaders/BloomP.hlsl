// Bloom: spreads the bright image (unit 0, a quarter of the screen size, as
// this pass runs) into a glow. Nine filtered taps, one and a half texels
// apart, each averaging two by two texels: a dense, tent-shaped kernel over
// six by six texels with no gaps, so a small bright object gets a soft halo
// and never a copy of itself beside it. The handler blends the result over
// the scene; the blur passes, when configured, widen it further.
sampler2D ColorMapSampler : register(s0);

float4 pixelMain(float2 TexCoords : TEXCOORD0, float2 ScreenSize : TEXCOORD3) : COLOR0
{
	float2 texel = 1.5 / ScreenSize;
	float3 glow = 4.0 * tex2D(ColorMapSampler, TexCoords).rgb;
	glow += 2.0 * tex2D(ColorMapSampler, TexCoords + float2(texel.x, 0.0)).rgb;
	glow += 2.0 * tex2D(ColorMapSampler, TexCoords - float2(texel.x, 0.0)).rgb;
	glow += 2.0 * tex2D(ColorMapSampler, TexCoords + float2(0.0, texel.y)).rgb;
	glow += 2.0 * tex2D(ColorMapSampler, TexCoords - float2(0.0, texel.y)).rgb;
	glow += tex2D(ColorMapSampler, TexCoords + texel).rgb;
	glow += tex2D(ColorMapSampler, TexCoords - texel).rgb;
	glow += tex2D(ColorMapSampler, TexCoords + float2(texel.x, -texel.y)).rgb;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-texel.x, texel.y)).rgb;
	return float4(glow * (1.6 / 16.0), 1.0);
}
