// The benchmark's shading, both stages in one file. The library puts
// "#define VERTEX_SHADER 1" or "#define FRAGMENT_SHADER 1" in front of it.
//
// mLightPos: the light, in the surface's own coordinates (set once).
// mTime:     seconds-like frame time (0.005 a frame): the light circles above
//            the wave, a ripple runs across it and the picture drifts.

uniform vec3 mLightPos;
uniform float mTime;

varying vec3 vPosition;
varying vec3 vNormal;
varying vec2 vTexCoord;

#ifdef VERTEX_SHADER
void main()
{
    vec4 p = gl_Vertex;
    float phase = 0.06 * (p.x + 0.5 * p.y) - 3.0 * mTime;
    p.z += 4.0 * sin(phase);
    // The ripple tilts the surface's normal with its slope.
    vec3 n = gl_Normal + vec3(-0.24 * cos(phase), -0.12 * cos(phase), 0.0);

    vPosition = p.xyz;
    vNormal = n;
    vTexCoord = gl_MultiTexCoord0.xy + vec2(0.02 * mTime, 0.0);
    gl_FrontColor = gl_Color;
    gl_Position = gl_ModelViewProjectionMatrix * p;
}
#endif

#ifdef FRAGMENT_SHADER
uniform sampler2D mImage;

void main()
{
    vec3 light = mLightPos + vec3(140.0 * cos(0.6 * mTime), 140.0 * sin(0.6 * mTime), 0.0);
    vec3 n = normalize(vNormal);
    vec3 l = normalize(light - vPosition);
    // Lit from either side: the tilted wave shows both faces.
    float diffuse = abs(dot(n, l));
    vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));
    float specular = pow(abs(dot(n, h)), 40.0);
    vec4 texel = texture2D(mImage, vTexCoord);
    gl_FragColor = vec4(texel.rgb * (0.25 + 0.75 * diffuse) + 0.35 * specular, 1.0) * gl_Color;
}
#endif
