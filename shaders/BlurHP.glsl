// Softens the glow horizontally: the glow is what the previous pass (unit 0)
// added onto the shaded scene (unit 1). Only that difference is blurred and
// put back, so the voxels themselves stay sharp. Five bilinear taps give a
// nine-texel Gaussian, spread over twice its width.
uniform sampler2D ColorMapSampler;
uniform sampler2D ScreenMapSampler;

vec3 glowAt(vec2 uv)
{
	return max(texture2D(ColorMapSampler, uv).rgb - texture2D(ScreenMapSampler, uv).rgb, 0.0);
}

void main()
{
	vec2 uv = gl_TexCoord[0].xy;
	vec2 texel = 1.0 / gl_TexCoord[3].xy;
	vec2 offset = vec2(texel.x, 0.0) * 2.0;

	vec3 glow = glowAt(uv) * 0.2270270;
	glow += (glowAt(uv + offset * 1.3846154) + glowAt(uv - offset * 1.3846154)) * 0.3162162;
	glow += (glowAt(uv + offset * 3.2307692) + glowAt(uv - offset * 3.2307692)) * 0.0702703;

	vec3 scene = texture2D(ScreenMapSampler, uv).rgb;
	gl_FragColor = vec4(scene + glow, 1.0);
}
