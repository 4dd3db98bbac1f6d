// The level's steps for the things it owns besides the enemies: firing and
// flying bullets, collecting and pulling gold, drinking potions and ageing
// their rings.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "level/GameRunner.h"
#include "level/SortForErasing.h"
#include "options/ActionInput.h"
#include "raymath.h"
#include "sim/SimMath.h"

namespace {

constexpr float kMuzzleDistance = 40.0f;
// The longest move a bullet makes at once. Up to a tile per frame it cannot
// jump a wall tile, and it moves exactly as one step; faster bullets go in
// pieces so that no wall is skipped.
constexpr float kMaxBulletStep = float(kTileSize);
// A bullet needing this many pieces or more moves nearly a tile with each,
// so by the last of them it would have crossed the whole map from wherever it
// started (at most a muzzle's length outside): its walk has always ended by
// then, and counting further could only overflow.
constexpr int kMaxBulletPieces = 2 * kMapPixels / kTileSize + 1;

bool insideMap(int x, int y) { return x >= 0 && y >= 0 && x < kMapPixels && y < kMapPixels; }

}  // namespace

void GameRunner::shoot(float speed, unsigned int bounces)
{
    // Enough speed upgrades overflow the value to infinity; such a shot flies
    // as the fastest finite one.
    if (!std::isfinite(speed)) speed = FLT_MAX;
    const float a = -gun.rotation * DEG2RAD;
    const Vector2 u{sim::cos(a), -sim::sin(a)};
    const Vector2 velocity = Vector2Scale(u, -speed);
    const Vector2 muzzle = Vector2Scale(u, -kMuzzleDistance);
    const int x = int(float(player.x) + float(player.w) / 2.0f + muzzle.x);
    const int y = int(float(player.y) + float(player.h) / 2.0f + muzzle.y);
    bullets.emplace_back(x, y, 2, velocity, bounces);
}

void GameRunner::update_bullets(std::vector<int> &hits, SoundManager &sound)
{
    std::vector<int> spent;
    for (int i = 0; i < int(bullets.size()); ++i) {
        Bullet &bullet = bullets[i];
        const float longest = std::max(std::fabs(bullet.velocity.x), std::fabs(bullet.velocity.y));
        // Counted in floats: the fastest bullets need more pieces than an int holds.
        const float pieces = longest > kMaxBulletStep ? std::ceil(longest / kMaxBulletStep) : 1.0f;
        const int walked = int(std::min(pieces, float(kMaxBulletPieces)));
        const float startX = float(bullet.x), startY = float(bullet.y);
        for (int piece = 1; piece <= walked; ++piece) {
            const int oldColumn = bullet.x / kTileSize, oldRow = bullet.y / kTileSize;
            if (pieces == 1.0f) {
                bullet.move();
            } else {
                // Every piece is measured from where the frame began, so the
                // last one lands where a single step would have.
                const float share = float(piece) / pieces;
                bullet.x = int(startX + bullet.velocity.x * share);
                bullet.y = int(startY + bullet.velocity.y * share);
            }
            if (!insideMap(bullet.x, bullet.y)) {
                spent.push_back(i);  // left the map: there is no tile to ask
                break;
            }
            const int column = bullet.x / kTileSize, row = bullet.y / kTileSize;
            if (map.get(column, row)) {
                if (bullet.bounces == 0) {
                    spent.push_back(i);
                } else {
                    bullet.bounces -= 1;
                    if (!map.get(oldColumn, row))
                        bullet.velocity.x = -bullet.velocity.x;
                    else if (!map.get(column, oldRow))
                        bullet.velocity.y = -bullet.velocity.y;
                    else
                        bullet.velocity = Vector2Scale(bullet.velocity, -1.0f);
                }
                break;  // it stays inside the wall until its next move
            }
            bool hit = false;
            for (int j = 0; j < int(enemies.size()); ++j) {
                const Enemy &enemy = enemies[j];
                const float bx = float(bullet.x), by = float(bullet.y);
                if (enemy.getX() < bx && bx < enemy.getX() + float(enemy.getW()) && enemy.getY() < by &&
                    by < enemy.getY() + float(enemy.getH())) {
                    hits.push_back(j);
                    spent.push_back(i);
                    sound.play("hit");
                    hit = true;
                }
            }
            if (hit) break;
        }
    }
    sortForErasing(spent);
    for (int i : spent)
        bullets.erase(bullets.begin() + i);
}

void GameRunner::update_gold(SoundManager &sound, Upgrades &upgrades)
{
    const Rectangle box{float(player.x), float(player.y), float(player.w), float(player.h)};
    std::vector<int> touched = goldManager.isGoldColliding(box);
    for (auto it = touched.rbegin(); it != touched.rend(); ++it) {
        inventory.addGold(1);
        runStats.gold += 1;
        goldManager.removeGold(*it);
        sound.play("pickupGold");
    }
    const float radius = upgrades.get("goldmagnet")->getCurrent();
    goldManager.updateGoldMagnet(int(float(player.x) + float(player.w) / 2.0f),
                                 int(float(player.y) + float(player.h) / 2.0f), radius);
}

void GameRunner::update_hpotions(SoundManager &sound)
{
    const bool drink = ActionInput::pressed(*bindings, ACTION_DRINK);
    if (!drink || inventory.gethPotions() <= 0 || player.health > 99) return;
    player.health = std::min(player.health + 50, 100);
    inventory.removeHPotions(1);
    sound.play("hPotion");
    hpEffects.emplace_back(player.x + player.w / 2, player.y + player.h / 2);
}

void GameRunner::update_hpeffects()
{
    for (HealthPotionEffect &effect : hpEffects)
        effect.update();
}
