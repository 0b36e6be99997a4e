// Widens the glow horizontally (unit 0, at the size this pass runs, a
// quarter of the screen). Five filtered taps give a nine-texel Gaussian.
uniform sampler2D ColorMapSampler;

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	vec2 texel = 1.0 / gl_TexCoord[3].xy;
	vec2 offset = vec2(texel.x, 0.0);

	vec3 glow = texture2D(ColorMapSampler, uv).rgb * 0.2270270;
	glow += (texture2D(ColorMapSampler, uv + offset * 1.3846154).rgb +
	         texture2D(ColorMapSampler, uv - offset * 1.3846154).rgb) * 0.3162162;
	glow += (texture2D(ColorMapSampler, uv + offset * 3.2307692).rgb +
	         texture2D(ColorMapSampler, uv - offset * 3.2307692).rgb) * 0.0702703;
	gl_FragColor = vec4(glow, 1.0);
}
