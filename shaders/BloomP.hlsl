// Bloom: spreads the bright image (unit 0) over a disc a few percent of the
// screen high and adds it onto the shaded scene (unit 1). The 16 taps follow a
// golden-angle spiral, so one pass covers the disc evenly, and their weights
// fall off like a Gaussian so the glow has no visible rim. Offsets and weights
// are written out (scripts/make-bloom-taps.py) because a software rasteriser
// would otherwise evaluate the trigonometry for every pixel of every frame.
sampler2D ColorMapSampler : register(s0);
sampler2D ScreenMapSampler : register(s1);

float4 pixelMain(float2 TexCoords : TEXCOORD0, float2 ScreenSize : TEXCOORD3) : COLOR0
{
	// The disc's radius is 5 % of the screen height, in texture units.
	float2 spread = (0.05 * ScreenSize.y) / ScreenSize;

	float3 glow = tex2D(ColorMapSampler, TexCoords).rgb;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.06406, 0.16476) * spread).rgb * 0.91051;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-0.27458, -0.13548) * spread).rgb * 0.75484;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.37953, -0.11048) * spread).rgb * 0.62578;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-0.24282, 0.39973) * spread).rgb * 0.51879;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-0.10315, -0.52020) * spread).rgb * 0.43009;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.47256, 0.34704) * spread).rgb * 0.35656;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-0.63365, 0.06883) * spread).rgb * 0.29560;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.45195, -0.51429) * spread).rgb * 0.24506;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.01506, 0.72871) * spread).rgb * 0.20316;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-0.53213, -0.55730) * spread).rgb * 0.16843;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.80828, 0.05413) * spread).rgb * 0.13963;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-0.66201, 0.52962) * spread).rgb * 0.11576;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.13594, -0.87337) * spread).rgb * 0.09597;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.50893, 0.76469) * spread).rgb * 0.07956;
	glow += tex2D(ColorMapSampler, TexCoords + float2(-0.92424, -0.22809) * spread).rgb * 0.06596;
	glow += tex2D(ColorMapSampler, TexCoords + float2(0.86391, -0.47160) * spread).rgb * 0.05468;
	glow /= 6.06039;

	float3 scene = tex2D(ScreenMapSampler, TexCoords).rgb;
	return float4(scene + 1.3 * glow, 1.0);
}
