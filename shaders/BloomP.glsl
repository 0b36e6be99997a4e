// Bloom: spreads the bright image (unit 0) over a disc a few percent of the
// screen high and adds it onto the shaded scene (unit 1). The taps follow a
// golden-angle spiral, so one pass covers the disc evenly; the weights fall
// off like a Gaussian so the glow has no visible rim.
uniform sampler2D ColorMapSampler;
uniform sampler2D ScreenMapSampler;

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	vec2 texel = 1.0 / gl_TexCoord[3].xy;
	float radius = 0.05 * gl_TexCoord[3].y;

	vec3 glow = texture2D(ColorMapSampler, uv).rgb;
	float total = 1.0;
	for (int i = 0; i < 32; i++)
	{
		float f = (float(i) + 0.5) / 32.0;
		float r = sqrt(f);
		float angle = (float(i) + 0.5) * 2.3999632;
		vec2 offset = vec2(cos(angle), sin(angle)) * (r * radius) * texel;
		float w = exp(-3.0 * f);
		glow += texture2D(ColorMapSampler, uv + offset).rgb * w;
		total += w;
	}
	glow /= total;

	vec3 scene = texture2D(ScreenMapSampler, uv).rgb;
	gl_FragColor = vec4(scene + 1.3 * glow, 1.0);
}
