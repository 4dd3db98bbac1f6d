#include "assets/GameAssets.h"

#include "assets/AssetLog.h"

namespace {

struct AssetFile {
    const char *key;
    const char *path;
};

// clang-format off
constexpr AssetFile kTextures[] = {
    {"crab", "assets/crab.png"},
    {"enemy", "assets/bird.png"},
    {"gold", "assets/gold_single.png"},
    {"hpotion", "assets/potion_health.png"},
    {"u_goldmultiplier", "assets/upgrade_icons/GoldMultiplier.png"},
    {"u_goldspawns", "assets/upgrade_icons/GoldSpawns.png"},
    {"u_goldmagnet", "assets/upgrade_icons/GoldMagnet.png"},
    {"u_bulletspeed", "assets/upgrade_icons/FasterProjectile.png"},
    {"u_bulletricochet", "assets/upgrade_icons/Ricochet.png"},
    {"tilemap", "assets/tilemap.png"},
};

constexpr AssetFile kShaders[] = {
    {"grain", "shaders/grain.fs"},
    {"whitemask", "shaders/white_mask.fs"},
};

constexpr AssetFile kMusic[] = {
    {"menu", "assets/menu.mp3"},
    {"ingame", "assets/ingame.mp3"},
};

constexpr AssetFile kSounds[] = {
    {"select", "assets/select.wav"},
    {"hurt", "assets/explosion.wav"},
    {"hit", "assets/hit.wav"},
    {"shoot", "assets/click.wav"},
    {"levelup", "assets/levelup.wav"},
    {"pickupGold", "assets/pickupCoin.wav"},
    {"hPotion", "assets/potion_health.wav"},
    {"death", "assets/death.wav"},
    {"goldspawn", "assets/gold_spawn.wav"},
};
// clang-format on

}  // namespace

void GameAssets::loadAssets()
{
    // A file that fails to load leaves the library's empty handle and one line
    // of ours naming it; the game runs on without that asset.
    AssetLog log;
    for (const AssetFile &file : kTextures) {
        textures[file.key] = LoadTexture(file.path);
        log.report(file.path);
    }
    for (const AssetFile &file : kShaders) {
        shaders[file.key] = LoadShader(nullptr, file.path);
        log.report(file.path);
    }
    for (const AssetFile &file : kMusic) {
        music[file.key] = LoadMusicStream(file.path);
        log.report(file.path);
    }
    for (const AssetFile &file : kSounds) {
        sounds[file.key] = LoadSound(file.path);
        log.report(file.path);
    }
}

Texture &GameAssets::fetchTexture(const std::string &key) { return textures[key]; }
Shader &GameAssets::fetchShader(const std::string &key) { return shaders[key]; }
Music &GameAssets::fetchMusic(const std::string &key) { return music[key]; }
Sound &GameAssets::fetchSound(const std::string &key) { return sounds[key]; }
