#pragma once

#include <optional>
#include <string>
#include <vector>

#include "assets/GameAssets.h"
#include "assets/SoundManager.h"
#include "core/GameState.h"
#include "economy/Inventory.h"
#include "economy/Upgrades.h"
#include "input/GamepadInput.h"
#include "level/Bullet.h"
#include "level/GoldManager.h"
#include "level/Gun.h"
#include "level/HealthPotionEffect.h"
#include "options/Bindings.h"
#include "raylib.h"
#include "record/RunStats.h"
#include "ui/GUIText.h"
#include "world/Enemy.h"
#include "world/EnemyDeath.h"
#include "world/GameMap.h"
#include "world/Player.h"

// The seeds a level starts with: the C library's rand and raylib's generator.
struct LevelSeeds {
    unsigned rand = 0;
    unsigned raylib = 0;
    bool operator==(const LevelSeeds &) const = default;
};

// The level: owns the map, the player, the gun, the enemies and everything
// they leave behind, and runs one level from its start to its end: hit-stops
// and shake, kills, gold, potions, the win and the player's death. Built once
// and rebuilt in place level by level; `reset` begins a new game.
class GameRunner {
public:
    std::vector<Enemy> enemies;
    std::vector<EnemyDeath> enemyDeaths;
    std::vector<HealthPotionEffect> hpEffects;
    GameMap map;
    Camera2D camera{};
    Vector2 cameraOffset{120.0f, 120.0f};
    Vector2 shakeOffset{0.0f, 0.0f};
    static constexpr int kDeathFreeze = 500;  // updates the level stands still after the player dies
    int freezeFrames = 0;                     // updates left in the current hit-stop
    bool playerDead = false;
    GUIText levelFinishedText{120, 25, 22, "Level finished!", Color{0, 228, 48, 255}, true};
    GUIText returnText{120, 55, 18, "Return to shop: Q", Color{0, 228, 48, 255}, true};
    std::string returnLabel;  // returnText's words, naming the shop's key as bound
    Player player{10, 10, 32, 32};
    Gun gun;
    GoldManager goldManager;
    std::vector<Bullet> bullets;
    int level = 0;
    bool levelFinished = false;
    Inventory &inventory;
    const Bindings *bindings = &DefaultBindings();  // not owned; the player walks by it too
    AimSwitch aimSwitch;                            // the mouse or the pad, whichever was used last, aims the gun
    RunStats runStats;  // gold and kills of this run, level by level; Game closes each level
    // Empty, each level seeds rand from the clock; set, level L seeds it with
    // fixedSeed + L, so a seeded test or soak draws the same numbers again.
    std::optional<unsigned> fixedSeed;
    // Given, the next level draws from these instead: a run recorded or
    // played back names each level's seeds.
    std::optional<LevelSeeds> nextSeeds;

    explicit GameRunner(Inventory &inventory);
    GameRunner(const GameRunner &) = delete;
    GameRunner &operator=(const GameRunner &) = delete;

    GameMap &getMapRef() { return map; }
    void reset();
    void startLevel(Upgrades &upgrades);
    void update(SoundManager &sound, GameState &state, Upgrades &upgrades, bool screenshake);
    void draw(GameAssets *assets, int animFrame, int animTick, Upgrades &upgrades);
    // What the draw changes, without drawing, for updates stepped with no
    // draw between them (a demo verified or played fast): the camera follows
    // the player and the death animations step.
    void stepDrawnState(int animTick);

    // Steps of a live update, in the order it runs them.
    void update_hpotions(SoundManager &sound);
    void update_player(SoundManager &sound, float dt);
    void update_gold(SoundManager &sound, Upgrades &upgrades);
    void update_hpeffects();
    void update_bullets(std::vector<int> &hits, SoundManager &sound);
    void update_enemies(float dt, SoundManager &sound, std::vector<int> &hits);
    void update_enemy_deaths();

    void shoot(float speed, unsigned int bounces);

private:
    void placePlayer();
    void resetCamera();
    void spawnEnemy();
    void killEnemies(std::vector<int> &hits, SoundManager &sound, Upgrades &upgrades);
};
