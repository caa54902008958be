// The shader of the performance suite's shaded quads: the texture, times the
// current colour, times a tint (a uniform, so that two programs made from
// this file draw differently).
#ifdef VERTEX_SHADER
varying vec2 uv;
void main()
{
    gl_FrontColor = gl_Color;
    uv = gl_MultiTexCoord0.xy;
    gl_Position = ftransform();
}
#endif
#ifdef FRAGMENT_SHADER
uniform sampler2D image;
uniform vec3 tint;
varying vec2 uv;
void main()
{
    gl_FragColor = texture2D(image, uv) * gl_Color * vec4(tint, 1.0);
}
#endif
