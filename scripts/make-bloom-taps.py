#!/usr/bin/env python3
# Writes the bloom pass with its tap offsets and weights written out:
#   scripts/make-bloom-taps.py 16 glsl > shaders/BloomP.glsl
#   scripts/make-bloom-taps.py 16 hlsl > shaders/BloomP.hlsl
import math,sys
n=int(sys.argv[1]); lang=sys.argv[2]
lines=[]
tot=1.0
for i in range(n):
    f=(i+0.5)/n; r=math.sqrt(f); a=(i+0.5)*2.3999632
    w=math.exp(-3*f); tot+=w
    x=math.cos(a)*r; y=math.sin(a)*r
    if lang=='glsl':
        lines.append(f"\tglow += texture2D(ColorMapSampler, uv + vec2({x:.5f}, {y:.5f}) * spread).rgb * {w:.5f};")
    else:
        lines.append(f"\tglow += tex2D(ColorMapSampler, TexCoords + float2({x:.5f}, {y:.5f}) * spread).rgb * {w:.5f};")
head="""// Bloom: spreads the bright image (unit 0) over a disc a few percent of the
// screen high and adds it onto the shaded scene (unit 1). The %d taps follow a
// golden-angle spiral, so one pass covers the disc evenly, and their weights
// fall off like a Gaussian so the glow has no visible rim. Offsets and weights
// are written out (scripts/make-bloom-taps.py) because a software rasteriser
// would otherwise evaluate the trigonometry for every pixel of every frame.
""" % n
if lang=='glsl':
    print(head+"""uniform sampler2D ColorMapSampler;
uniform sampler2D ScreenMapSampler;

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	// The disc's radius is 5 % of the screen height, in texture units.
	vec2 spread = (0.05 * gl_TexCoord[3].y) / gl_TexCoord[3].xy;

	vec3 glow = texture2D(ColorMapSampler, uv).rgb;
""" + "\n".join(lines) + f"""
	glow /= {tot:.5f};

	vec3 scene = texture2D(ScreenMapSampler, uv).rgb;
	gl_FragColor = vec4(scene + 1.3 * glow, 1.0);
}}""")
else:
    print(head+"""sampler2D ColorMapSampler : register(s0);
sampler2D ScreenMapSampler : register(s1);

float4 pixelMain(float2 TexCoords : TEXCOORD0, float2 ScreenSize : TEXCOORD3) : COLOR0
{
	// The disc's radius is 5 % of the screen height, in texture units.
	float2 spread = (0.05 * ScreenSize.y) / ScreenSize;

	float3 glow = tex2D(ColorMapSampler, TexCoords).rgb;
""" + "\n".join(lines) + f"""
	glow /= {tot:.5f};

	float3 scene = tex2D(ScreenMapSampler, TexCoords).rgb;
	return float4(scene + 1.3 * glow, 1.0);
}}""")
