// Bloom: spreads the bright image (unit 0, a quarter of the screen size, as
// this pass runs) into a glow. Nine filtered taps, one and a half texels
// apart, each averaging two by two texels: a dense, tent-shaped kernel over
// six by six texels with no gaps, so a small bright object gets a soft halo
// and never a copy of itself beside it. The handler blends the result over
// the scene; the blur passes, when configured, widen it further.
uniform sampler2D ColorMapSampler;

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	vec2 texel = 1.5 / gl_TexCoord[3].xy;
	vec3 glow = 4.0 * texture2D(ColorMapSampler, uv).rgb;
	glow += 2.0 * texture2D(ColorMapSampler, uv + vec2(texel.x, 0.0)).rgb;
	glow += 2.0 * texture2D(ColorMapSampler, uv - vec2(texel.x, 0.0)).rgb;
	glow += 2.0 * texture2D(ColorMapSampler, uv + vec2(0.0, texel.y)).rgb;
	glow += 2.0 * texture2D(ColorMapSampler, uv - vec2(0.0, texel.y)).rgb;
	glow += texture2D(ColorMapSampler, uv + texel).rgb;
	glow += texture2D(ColorMapSampler, uv - texel).rgb;
	glow += texture2D(ColorMapSampler, uv + vec2(texel.x, -texel.y)).rgb;
	glow += texture2D(ColorMapSampler, uv + vec2(-texel.x, texel.y)).rgb;
	gl_FragColor = vec4(glow * (1.6 / 16.0), 1.0);
}
