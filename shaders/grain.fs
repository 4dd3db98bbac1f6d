#version 330

// Film grain for the menu buttons and the HUD panel: every pixel of the
// 320x240 virtual screen gets its own small brightness jitter, redrawn each
// time `time` steps, on top of the usual texel * colDiffuse * fragColor.

in vec2 fragTexCoord;
in vec4 fragColor;

uniform sampler2D texture0;
uniform vec4 colDiffuse;
uniform float time;        // a whole number that steps up several times a second
uniform vec2 resolution;   // the virtual screen, always 320 x 240

out vec4 finalColor;

// About +-6 %: visible as texture on flat panels, never enough to hurt text.
const float AMPLITUDE = 0.06;

// An integer hash rather than the usual fract(sin()) trick, whose result
// differs between GPUs and turns to stripes at large inputs.
uint hash(uvec3 v)
{
    uint h = v.x * 1664525u + v.y * 22695477u + v.z * 2891336453u;
    h ^= h >> 16;
    h *= 2246822519u;
    h ^= h >> 13;
    h *= 3266489917u;
    h ^= h >> 16;
    return h;
}

void main()
{
    vec4 base = texture(texture0, fragTexCoord) * colDiffuse * fragColor;
    // The pass draws into the virtual screen, so one fragment is one virtual
    // pixel; wrapping by the resolution keeps the hash input small regardless.
    vec2 cell = mod(floor(gl_FragCoord.xy), max(resolution, vec2(1.0)));
    uint h = hash(uvec3(uvec2(cell), uint(max(floor(time), 0.0))));
    float noise = float(h & 0xFFFFu) / 65535.0 * 2.0 - 1.0;
    finalColor = vec4(clamp(base.rgb + AMPLITUDE * noise, 0.0, 1.0), base.a);
}
