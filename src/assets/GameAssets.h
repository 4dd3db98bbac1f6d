#pragma once

#include <string>
#include <unordered_map>

#include "raylib.h"

// Every texture, shader, music stream and sound of the game, loaded once at
// start-up and kept under a short key. A fetch never fails: a key that was
// never loaded yields an empty (zeroed) asset, which draws and plays nothing.
class GameAssets {
public:
    std::unordered_map<std::string, Texture> textures;
    std::unordered_map<std::string, Shader> shaders;
    std::unordered_map<std::string, Music> music;
    std::unordered_map<std::string, Sound> sounds;

    GameAssets() = default;
    GameAssets(const GameAssets &) = delete;
    GameAssets &operator=(const GameAssets &) = delete;

    // Needs the window (textures, shaders) and the audio device (sounds, music).
    void loadAssets();

    Texture &fetchTexture(const std::string &key);
    Shader &fetchShader(const std::string &key);
    Music &fetchMusic(const std::string &key);
    Sound &fetchSound(const std::string &key);
};
