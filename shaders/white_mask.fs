#version 330

// Hit flash for the player: every texel that is at least partly opaque is
// drawn pure white with its own alpha, so the sprite's silhouette flashes
// while its transparent surroundings stay untouched.

in vec2 fragTexCoord;
in vec4 fragColor;

uniform sampler2D texture0;
uniform vec4 colDiffuse;

out vec4 finalColor;

void main()
{
    vec4 texel = texture(texture0, fragTexCoord);
    float alpha = texel.a * fragColor.a * colDiffuse.a;
    finalColor = texel.a > 0.0 ? vec4(1.0, 1.0, 1.0, alpha) : vec4(0.0);
}
