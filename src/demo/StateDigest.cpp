#include "demo/StateDigest.h"

#include <cstring>

void StateDigest::add(uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        value = (value ^ ((v >> (8 * i)) & 0xff)) * 1099511628211ull;
}

void StateDigest::add(float v)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    add(uint64_t(bits));
}

uint64_t StateDigest::of(const GameRunner &r, const Inventory &inventory, const Upgrades &upgrades)
{
    StateDigest d;
    const auto i = [&d](long long v) { d.add(uint64_t(v)); };
    i(r.level);
    i(inventory.gold);
    i(inventory.hPotions);
    for (const auto &[id, upgrade] : upgrades.upgrades)
        if (upgrade) i(upgrade->bought);
    i(r.player.x);
    i(r.player.y);
    i(r.player.health);
    i(r.freezeFrames);
    i(r.playerDead);
    i(r.levelFinished);
    d.add(r.gun.rotation);
    i(r.gun.cooldown);
    d.add(r.camera.target.x);
    d.add(r.camera.target.y);
    i((long long)(r.enemies.size()));
    for (const Enemy &e : r.enemies) {
        d.add(e.x);
        d.add(e.y);
        i(e.pathIndex);
    }
    i((long long)(r.bullets.size()));
    for (const Bullet &b : r.bullets) {
        i(b.x);
        i(b.y);
        i(b.bounces);
        d.add(b.velocity.x);
        d.add(b.velocity.y);
    }
    i((long long)(r.goldManager.coins.size()));
    for (const Gold &g : r.goldManager.coins) {
        i(g.x);
        i(g.y);
    }
    for (const EnemyDeath &death : r.enemyDeaths)
        i(death.frame);
    for (const HealthPotionEffect &effect : r.hpEffects)
        i((long long)(effect.particles.size()));
    i(r.runStats.gold);
    i(r.runStats.kills);
    i((long long)(r.runStats.levels.size()));
    return d.value;
}
