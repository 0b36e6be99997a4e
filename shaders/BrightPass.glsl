// Bright pass. Runs at a quarter of the screen size: each of its pixels
// covers four by four pixels of the shaded scene, read as four filtered taps
// of two by two, so even a one-pixel sparkle is caught. Only what is brighter
// than a light grey passes (a soft knee from luminance 0.8 to 1.0), so light
// backgrounds and mid-tones never glow.
uniform sampler2D ColorMapSampler;

vec3 bright(vec2 uv)
{
	vec3 colour = texture2D(ColorMapSampler, uv).rgb;
	float luminance = dot(colour, vec3(0.299, 0.587, 0.114));
	return colour * smoothstep(0.8, 1.0, luminance);
}

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	vec2 texel = vec2(1.0 / float(SCREENX), 1.0 / float(SCREENY));
	vec3 sum = bright(uv + vec2(-1.0, -1.0) * texel);
	sum += bright(uv + vec2(1.0, -1.0) * texel);
	sum += bright(uv + vec2(-1.0, 1.0) * texel);
	sum += bright(uv + vec2(1.0, 1.0) * texel);
	gl_FragColor = vec4(0.25 * sum, 1.0);
}
