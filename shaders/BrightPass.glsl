// Bright pass: keeps the part of the shaded scene that is brighter than a
// threshold. The soft knee lets the glow fade in instead of switching on at
// one brightness, which would outline single voxel faces.
uniform sampler2D ColorMapSampler;

void main()
{
	vec3 colour = texture2D(ColorMapSampler, gl_TexCoord[0].xy).rgb;
	float luminance = dot(colour, vec3(0.299, 0.587, 0.114));
	float weight = smoothstep(0.55, 0.85, luminance);
	gl_FragColor = vec4(colour * weight, 1.0);
}
