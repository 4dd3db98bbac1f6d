#include "level/GameRunner.h"

#include <cmath>
#include <ctime>
#include <iostream>

#include "level/SortForErasing.h"
#include "core/VirtualScreen.h"
#include "options/ActionInput.h"
#include "raymath.h"
#include "sim/SimRandom.h"
#include "system/StepClock.h"

namespace {

constexpr int kHurtFreeze = 15;
constexpr int kKillFreeze = 30;
constexpr int kContactDamage = 25;
constexpr float kSpawnDistance = 96.0f;  // enemies start farther than this from the player and each other
constexpr int kSpawnAttempts = 1000;

}  // namespace

GameRunner::GameRunner(Inventory &inventory) : inventory(inventory)
{
    resetCamera();
    map.loadFromFile("data/map");
    map.loadRenderFromFile("data/maprender");
    placePlayer();
}

void GameRunner::placePlayer()
{
    player.findSpawn(map);
    player.update(0.0f, map.pixelSize, map);
    // Until the player's first draw points the camera, it looks at the player.
    camera.target = Vector2{float(player.x) + float(player.w) / 2.0f, float(player.y) + float(player.h) / 2.0f};
}

void GameRunner::resetCamera()
{
    cameraOffset = Vector2{120.0f, 120.0f};
    camera.offset = cameraOffset;
    camera.rotation = 0.0f;
    camera.zoom = 1.0f;
}

void GameRunner::reset()
{
    player = Player(10, 10, 32, 32);
    gun = Gun();
    goldManager = GoldManager();
    bullets.clear();
    level = 0;
    levelFinished = false;
    playerDead = false;
    runStats.reset();
    // A new game starts clean: nothing of the lost game lives on in it.
    enemies.clear();
    enemyDeaths.clear();
    hpEffects.clear();
    freezeFrames = 0;
    shakeOffset = Vector2{0.0f, 0.0f};
    resetCamera();
    map.loadFromFile("data/map");
    placePlayer();
}

void GameRunner::startLevel(Upgrades &upgrades)
{
    level += 1;
    levelFinished = false;
    if (nextSeeds) {
        SimRandom::level.seed(nextSeeds->rand);
        SetRandomSeed(nextSeeds->raylib);
        nextSeeds.reset();
    } else {
        SimRandom::level.seed(fixedSeed ? *fixedSeed + unsigned(level) : unsigned(std::time(nullptr)));
    }

    bool anyFloor = false;
    for (int row = 1; row <= 18; ++row)
        for (int column = 1; column <= 18; ++column)
            anyFloor |= !map.get(column, row);
    if (anyFloor) {
        for (int i = 0; i < level; ++i)
            spawnEnemy();
        std::cout.flush();  // one write for the whole level, not one per enemy
    } else {
        std::cout << "No floor tile inside the map's outer ring: level " << level << " starts without enemies"
                  << std::endl;
    }
    goldManager.setSpawnChance(upgrades.get("goldspawns")->getCurrent());
    gun.applyUpgrades(upgrades);
}

void GameRunner::spawnEnemy()
{
    const Vector2 playerPos{float(player.x), float(player.y)};
    bool accepted = true;
    int column = 0, row = 0;
    for (int attempt = 0; attempt < kSpawnAttempts; ++attempt) {
        column = GetRandomValue(1, 18);
        row = GetRandomValue(1, 18);
        // Once an enemy stood too close to a good tile, no later tile is
        // taken by distance: the fallback below picks any floor tile. The
        // remaining attempts still draw, so the sequence stays the same, but
        // scanning the enemies again would make a level's start grow with
        // the square of its number.
        if (!accepted) continue;
        const Vector2 corner{float(kTileSize * column), float(kTileSize * row)};
        if (map.get(column, row) || Vector2Distance(corner, playerPos) <= kSpawnDistance) continue;
        for (const Enemy &other : enemies)
            if (Vector2Distance(Vector2{other.getX(), other.getY()}, corner) < kSpawnDistance) {
                accepted = false;
                break;
            }
        if (accepted) break;
    }
    // The fallback: any floor tile. Also taken when no attempt qualified and
    // the last tile drawn is a wall, where a bird could never move or be shot.
    if (!accepted || map.get(column, row)) {
        do {
            column = GetRandomValue(1, 18);
            row = GetRandomValue(1, 18);
        } while (map.get(column, row));
    }
    std::cout << column << " " << row << '\n';
    enemies.emplace_back(kTileSize * column, kTileSize * row);
}

void GameRunner::update(SoundManager &sound, GameState &state, Upgrades &upgrades, bool screenshake)
{
    if (freezeFrames > 0) {
        freezeFrames -= 1;
        if (screenshake) {
            shakeOffset.x += float(GetRandomValue(-10, 10));
            shakeOffset.y += float(GetRandomValue(-10, 10));
            camera.offset = Vector2Add(cameraOffset, shakeOffset);
        }
        return;
    }

    if (screenshake) {
        camera.offset = cameraOffset;
        shakeOffset = Vector2{0.0f, 0.0f};
    }
    const float dt = StepClock::seconds();
    update_hpotions(sound);
    update_player(sound, dt);
    update_gold(sound, upgrades);
    update_hpeffects();
    std::vector<int> hits;
    update_bullets(hits, sound);
    update_enemies(dt, sound, hits);
    update_enemy_deaths();
    killEnemies(hits, sound, upgrades);

    if (player.health <= 0 && !playerDead) {
        playerDead = true;
        freezeFrames = kDeathFreeze;
        sound.play("death");
    }
    if (playerDead) {
        // A dead player's level never finishes: death always leads to the
        // death screen, once the long freeze has run out.
        if (freezeFrames <= 0) state = STATE_DEAD;
        return;
    }
    if (enemies.empty() && enemyDeaths.empty() && !levelFinished) {
        levelFinished = true;
        returnLabel = "Return to shop: " + bindings->keyName(ACTION_SHOP);
        returnText.setValue(returnLabel.c_str());
        sound.play("levelup");
    }
    if (levelFinished && ActionInput::pressed(*bindings, ACTION_SHOP)) state = STATE_SHOP;
}

void GameRunner::killEnemies(std::vector<int> &hits, SoundManager &sound, Upgrades &upgrades)
{
    sortForErasing(hits);
    for (int i : hits) {
        const Enemy &enemy = enemies[i];
        const int attempts = int(upgrades.get("goldmultiplier")->getCurrent());
        goldManager.trySpawnAtPos(int(enemy.getX() + float(enemy.getW()) / 2.0f),
                                  int(enemy.getY() + float(enemy.getH()) / 2.0f), sound, attempts);
        enemyDeaths.emplace_back(int(enemy.getX()), int(enemy.getY()));
        enemies.erase(enemies.begin() + i);
        runStats.kills += 1;
        freezeFrames = kKillFreeze;
    }
}

void GameRunner::update_player(SoundManager &sound, float dt)
{
    player.bindings = bindings;
    player.update(dt, map.pixelSize, map);
    gun.focusOn(player.x + player.w / 2, player.y + player.h / 2, 40);
    GamepadInput pad = GamepadInput::read();
    pad.fire = ActionInput::padDown(*bindings, ACTION_FIRE);  // a pulled fire button also takes the aim
    aimSwitch.update(GetVirtualMousePos(), IsVirtualClick(), pad);
    if (!aimSwitch.padAims)
        gun.updateRot(camera, player);
    else if (pad.aiming)
        gun.aimAlong(pad.aim);  // a resting stick keeps the last aim
    if (gun.cooldown != 0) {
        gun.cooldown -= 1;
        return;
    }
    if (ActionInput::keyDown(*bindings, ACTION_FIRE) || pad.fire) {
        shoot(gun.bulletSpeed, (unsigned int)gun.ricochet);
        gun.cooldown = gun.cooldownFrames;
        sound.play("shoot");
    }
}

void GameRunner::update_enemies(float dt, SoundManager &sound, std::vector<int> &hits)
{
    const Rectangle playerBox{float(player.x), float(player.y), float(player.w), float(player.h)};
    for (int i = 0; i < int(enemies.size()); ++i) {
        Enemy &enemy = enemies[i];
        enemy.update(dt, player, map.walls);
        const Rectangle enemyBox{enemy.getX(), enemy.getY(), float(enemy.getW()), float(enemy.getH())};
        if (CheckCollisionRecs(playerBox, enemyBox)) {
            player.health -= kContactDamage;
            sound.play("hurt");
            freezeFrames = kHurtFreeze;
            hits.push_back(i);
        }
    }
}

void GameRunner::update_enemy_deaths()
{
    std::vector<int> finished;
    for (int i = 0; i < int(enemyDeaths.size()); ++i)
        if (enemyDeaths[i].dead()) finished.push_back(i);
    sortForErasing(finished);
    for (int i : finished)
        enemyDeaths.erase(enemyDeaths.begin() + i);
}

void GameRunner::stepDrawnState(int animTick)
{
    player.pointCamera(&camera, map.pixelSize);
    if (animTick == 0)
        for (EnemyDeath &death : enemyDeaths)
            death.incrementFrame();
}

void GameRunner::draw(GameAssets *assets, int animFrame, int animTick, Upgrades &upgrades)
{
    BeginMode2D(camera);
    map.draw(&assets->fetchTexture("tilemap"));
    const float magnet = upgrades.get("goldmagnet")->getCurrent();
    Shader &whiteMask = assets->fetchShader("whitemask");
    player.draw(&assets->fetchTexture("crab"), animFrame, &camera, map.pixelSize, freezeFrames, &whiteMask, magnet);
    gun.draw();
    for (const Enemy &enemy : enemies)
        enemy.draw(assets, animFrame);
    for (EnemyDeath &death : enemyDeaths) {
        if (animTick == 0) death.incrementFrame();
        death.draw(assets);
    }
    for (const Bullet &bullet : bullets)
        bullet.draw();
    for (HealthPotionEffect &effect : hpEffects)
        effect.draw();
    goldManager.draw(*assets);
    EndMode2D();
    if (levelFinished) {
        levelFinishedText.draw();
        returnText.draw();
    }
}
