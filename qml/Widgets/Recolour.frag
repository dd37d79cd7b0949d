// Recolours the parts of an image near testColor to newColor, keeping their shading: pixels whose
// hue lies within range of testColor's (and that are not grey) take newColor's hue, with the
// saturation and value offsets they had from testColor, fading back to the original as they
// differ more. Everything else passes unchanged.
varying highp vec2 qt_TexCoord0;
uniform sampler2D source;
uniform lowp float qt_Opacity;
uniform highp vec4 newColor;
uniform highp vec4 testColor;
uniform highp float range;

highp vec3 rgb2hsv(highp vec3 c)
{
    // Branch-free; hue in 0..1.
    highp vec4 K = vec4(0.0, -1.0 / 3.0, 2.0 / 3.0, -1.0);
    highp vec4 p = mix(vec4(c.bg, K.wz), vec4(c.gb, K.xy), step(c.b, c.g));
    highp vec4 q = mix(vec4(p.xyw, c.r), vec4(c.r, p.yzx), step(p.x, c.r));
    highp float d = q.x - min(q.w, q.y);
    highp float e = 1.0e-10;
    return vec3(abs(q.z + (q.w - q.y) / (6.0 * d + e)), d / (q.x + e), q.x);
}

highp vec3 hsv2rgb(highp vec3 c)
{
    highp vec4 K = vec4(1.0, 2.0 / 3.0, 1.0 / 3.0, 3.0);
    highp vec3 p = abs(fract(c.xxx + K.xyz) * 6.0 - K.www);
    return c.z * mix(K.xxx, clamp(p - K.xxx, 0.0, 1.0), c.y);
}

highp vec3 unpremultiplied(highp vec4 c)
{
    return c.a > 0.0 ? c.rgb / c.a : vec3(0.0);
}

void main()
{
    highp vec4 pixel = texture2D(source, qt_TexCoord0);
    // Textures and colour uniforms come premultiplied; the colour test works on plain colours.
    highp vec3 pixelHsv = rgb2hsv(unpremultiplied(pixel));
    highp vec3 newHsv = rgb2hsv(unpremultiplied(newColor));
    highp vec3 d = rgb2hsv(unpremultiplied(testColor)) - pixelHsv;
    highp float h = 0.5 - abs(abs(d.x) - 0.5);

    if (h <= range && pixelHsv.y >= 0.025) {
        highp float g = clamp(2.0 * length(vec2(h * 6.2831853 * d.y, d.z)), 0.0, 1.0);
        highp vec3 hsv = vec3(newHsv.x, mix(clamp(newHsv.y - d.y, 0.0, 1.0), pixelHsv.y, g),
                              mix(clamp(newHsv.z - d.z, 0.0, 1.0), pixelHsv.z, g));
        highp float alpha = pixel.a * newColor.a;
        gl_FragColor = vec4(hsv2rgb(hsv) * alpha, alpha) * qt_Opacity;
    } else {
        gl_FragColor = pixel * qt_Opacity;
    }
}
