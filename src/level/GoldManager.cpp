#include "level/GoldManager.h"

#include <cstdlib>

#include "raymath.h"
#include "sim/SimRandom.h"
#include "system/StepClock.h"

void GoldManager::setSpawnChance(float chance) { spawnChance = chance; }

void GoldManager::trySpawnAtPos(int x, int y, SoundManager &sound, int attempts)
{
    for (int i = 0; i < attempts; ++i) {
        // Divided by the generator's maximum so that both 0 and 1 can come out.
        const double u = (double)SimRandom::level.next() / 2147483647.0;
        if (u > spawnChance) continue;
        const int dx = GetRandomValue(-10, 10);
        const int dy = GetRandomValue(-10, 10);
        coins.push_back(Gold(x + dx, y + dy));
        sound.play("goldspawn");
    }
}

std::vector<int> GoldManager::isGoldColliding(Rectangle box)
{
    std::vector<int> hits;
    for (int i = 0; i < (int)coins.size(); ++i) {
        if (CheckCollisionRecs(coins[i].getRect(), box)) hits.push_back(i);
    }
    return hits;
}

void GoldManager::removeGold(int index) { coins.erase(coins.begin() + index); }

void GoldManager::updateGoldMagnet(int px, int py, float radius)
{
    const Vector2 target{(float)px, (float)py};
    for (Gold &coin : coins) {
        const Rectangle rect = coin.getRect();
        const Vector2 centre{rect.x + rect.width / 2, rect.y + rect.height / 2};
        if (radius >= Vector2Distance(target, centre)) coin.moveTowards(px, py, 5.0f, StepClock::seconds());
    }
}

void GoldManager::draw(GameAssets &assets)
{
    for (Gold &coin : coins)
        coin.draw(assets);
}
