// Gold coins (drops, pickup boxes, the magnet's pull) and the healing ring's dots.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <type_traits>

#include "sim/SimRandom.h"
#include "TestSupport.h"
#include "level/GoldManager.h"
#include "level/HealthPotionEffect.h"

namespace {

static_assert(std::is_move_assignable_v<GoldManager>);
static_assert(std::is_move_constructible_v<HealthPotionEffect> && std::is_move_assignable_v<HealthPotionEffect>);

struct Journal {
    GameAssets assets;
    std::vector<std::string> played;
    SoundManager sound{true, &assets};
    Journal() { sound.journal = &played; }
};

TEST(GoldDrop, EveryAttemptDropsAScatteredCoinAtFullChance)
{
    Journal j;
    GoldManager gold;
    // Replaying the scatter draws shows they are taken x first, two per coin.
    SetRandomSeed(42);
    std::vector<std::pair<int, int>> scatter;
    for (int i = 0; i < 3; ++i) {
        const int dx = GetRandomValue(-10, 10);
        scatter.emplace_back(dx, GetRandomValue(-10, 10));
    }
    SetRandomSeed(42);
    gold.trySpawnAtPos(200, 300, j.sound, 3);
    ASSERT_EQ(gold.coins.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(gold.coins[i].x, 200 + scatter[i].first);
        EXPECT_EQ(gold.coins[i].y, 300 + scatter[i].second);
    }
    EXPECT_EQ(j.played, std::vector<std::string>(3, "goldspawn"));
}

TEST(GoldDrop, NoCoinWithZeroChanceOrNoAttempts)
{
    struct Case {
        float chance;
        int attempts;
    };
    for (Case c : {Case{0.0f, 5}, Case{1.0f, 0}, Case{1.0f, -3}}) {
        SimRandom::level.seed(1);
        for (int i = 0; i < 5; ++i)
            ASSERT_NE(SimRandom::level.next(), 0) << "seed 1 must not draw 0";
        SimRandom::level.seed(1);
        Journal j;
        GoldManager gold;
        gold.setSpawnChance(c.chance);
        gold.trySpawnAtPos(50, 50, j.sound, c.attempts);
        EXPECT_TRUE(gold.coins.empty()) << c.chance << " " << c.attempts;
        EXPECT_TRUE(j.played.empty());
    }
}

TEST(GoldPickup, OverlapsAreListedAscendingAndEdgeContactIsNoOverlap)
{
    GoldManager gold;
    gold.coins = {Gold(4, 4), Gold(100, 100), Gold(0, 0), Gold(12, 2), Gold(2, -6)};
    // Box (2, 2, 10, 10): coin 3 touches its right edge, coin 4 its top edge.
    EXPECT_EQ(gold.isGoldColliding(Rectangle{2, 2, 10, 10}), (std::vector<int>{0, 2}));
    gold.removeGold(2);
    ASSERT_EQ(gold.coins.size(), 4u);
    EXPECT_EQ(gold.coins[2].x, 12);
    EXPECT_EQ(gold.isGoldColliding(Rectangle{2, 2, 10, 10}), (std::vector<int>{0}));

    gold.spawnChance = 0.25f;
    gold = GoldManager();
    EXPECT_TRUE(gold.coins.empty());
    EXPECT_EQ(gold.spawnChance, 1.0f);
}

TEST(GoldMove, CentreGlidesTheFractionSpeedTimesDtAndTruncatesTowardZero)
{
    struct Case {
        int x, y, tx, ty;
        float speed, dt;
        int wantX, wantY;
    };
    const Case cases[] = {
        {0, 0, 104, 4, 5.0f, 0.25f, 100, 0},         // t clamped to 1: centre lands on the target
        {0, 0, 44, 24, 4.0f, 0.125f, 20, 10},        // half way
        {-20, -20, -1, -1, 4.0f, 0.125f, -12, -12},  // centre -8.5 -> x -12.5 -> -12, not -13
        {0, 0, 10, 4, 5.0f, 0.02f, 0, 0},            // from the left a sub-pixel step is lost
        {20, 0, 14, 4, 5.0f, 0.02f, 19, 0},          // from the right it costs a whole pixel
    };
    for (const Case &c : cases) {
        Gold coin(c.x, c.y);
        coin.moveTowards(c.tx, c.ty, c.speed, c.dt);
        EXPECT_EQ(coin.x, c.wantX) << c.x << "," << c.y << " -> " << c.tx << "," << c.ty;
        EXPECT_EQ(coin.y, c.wantY) << c.x << "," << c.y << " -> " << c.tx << "," << c.ty;
        EXPECT_EQ(coin.getRect().width, 8);
    }
}

TEST(GoldMagnet, PullsCoinsWhoseCentreIsWithinTheRadiusIncludingItsEdge)
{
    EnsureWindowAndAudio();
    BeginDrawing();
    EndDrawing();
    ASSERT_GT(GetFrameTime(), 0.0f);
    // Coins right of and below the player lose at least a pixel to any positive pull.
    GoldManager gold;
    gold.coins = {Gold(76, 46), Gold(70, 78), Gold(77, 46), Gold(300, 300)};  // centres 30, 40, 31 away
    gold.updateGoldMagnet(50, 50, 40.0f);
    EXPECT_LT(gold.coins[0].x, 76);
    EXPECT_GE(gold.coins[0].x, 46);
    EXPECT_LT(gold.coins[1].x, 70);
    EXPECT_LT(gold.coins[1].y, 78);  // exactly on the radius (24, 32 from the centre)
    gold.coins[2] = Gold(77, 46);
    gold.updateGoldMagnet(50, 50, 30.99f);
    EXPECT_EQ(gold.coins[2].x, 77);
    EXPECT_EQ(gold.coins[3].x, 300);
    EXPECT_EQ(gold.coins[3].y, 300);
}

TEST(HealingRing, DotsFadeInIntegerStepsAndGoBeforeAlpha17)
{
    SetRandomSeed(7);
    HealthPotionEffect effect(100, 100);
    ASSERT_GE(effect.particles.size(), 5u);
    const std::vector<int> expected = {255, 255, 255, 255, 255, 255, 255, 255, 127, 127, 85, 85, 51, 36};
    for (int alpha : expected) {
        effect.update();
        ASSERT_FALSE(effect.particles.empty());
        for (const HealthPotionParticle &p : effect.particles)
            EXPECT_EQ(p.color.a, alpha);
    }
    effect.update();
    EXPECT_TRUE(effect.particles.empty());
    effect.update();  // a spent ring stays empty
    EXPECT_TRUE(effect.particles.empty());
}

TEST(HealingRing, OnlySpentDotsAreRemovedAndTheRestKeepTheirOrder)
{
    HealthPotionEffect effect(0, 0);
    effect.particles.clear();
    for (int life : {1, 5, 1, 3, 1, 0}) {
        HealthPotionParticle p(life, 0);
        p.lifetime = life;
        effect.particles.push_back(p);
    }
    effect.update();
    ASSERT_EQ(effect.particles.size(), 2u);
    EXPECT_EQ(effect.particles[0].x, 5);
    EXPECT_EQ(effect.particles[1].x, 3);

    // A dot past its end, or with more life than it started with, must not divide by zero.
    Particle spent(0, 0, 5, Color{0, 228, 48, 255}, 0, 15), fresh(0, 0, 5, Color{0, 228, 48, 255}, 16, 15);
    spent.update(0.0f);
    fresh.update(0.0f);
    EXPECT_EQ(spent.color.a, 0);
    EXPECT_EQ(spent.getLifetime(), -1);
    EXPECT_EQ(fresh.color.a, 255);
}

int seedForCount(int n)
{
    for (unsigned seed = 1;; ++seed) {
        SetRandomSeed(seed);
        if (GetRandomValue(5, 10) == n) return (int)seed;
    }
}

TEST(HealingRing, DotsGoRoundFromTheLeftAtTheirOwnDistance)
{
    for (int n = 5; n <= 10; ++n) {
        // The count is drawn first, then one extra distance per dot.
        const int seed = seedForCount(n);
        SetRandomSeed(seed);
        GetRandomValue(5, 10);
        std::vector<int> d;
        for (int i = 0; i < n; ++i)
            d.push_back(20 + GetRandomValue(0, 7));
        SetRandomSeed(seed);
        HealthPotionEffect effect(0, 0);
        ASSERT_EQ((int)effect.particles.size(), n);
        for (int i = 0; i < n; ++i) {
            const HealthPotionParticle &p = effect.particles[i];
            const double screenAngle = (i * 360.0 / n + 180.0) * std::numbers::pi / 180.0;  // y pointing down
            const double ex = d[i] * std::cos(screenAngle), ey = d[i] * std::sin(screenAngle);
            // Truncated toward zero, unless the exact value is a whole number float rounding may straddle.
            if (std::abs(ex - std::round(ex)) > 1e-3) {
                EXPECT_EQ(p.x, (int)std::trunc(ex)) << n << " dot " << i;
            }
            if (std::abs(ey - std::round(ey)) > 1e-3) {
                EXPECT_EQ(p.y, (int)std::trunc(ey)) << n << " dot " << i;
            }
            EXPECT_NEAR(p.x, ex, 1.0 + 1e-6);
            EXPECT_NEAR(p.y, ey, 1.0 + 1e-6);
            EXPECT_TRUE(p.radius == 5 && p.maxLifetime == 15 && p.color.g == 228 && p.color.a == 255);
        }
    }
}

TEST(HealingRing, SixDotsSitAtOneEightyThenClockwiseOnScreen)
{
    SetRandomSeed(seedForCount(6));
    HealthPotionEffect effect(100, 100);
    ASSERT_EQ(effect.particles.size(), 6u);
    const double degrees[] = {180, 240, 300, 0, 60, 120};
    for (int i = 0; i < 6; ++i) {
        const double dx = effect.particles[i].x - 100, dy = effect.particles[i].y - 100;
        const double angle = std::fmod(std::atan2(dy, dx) * 180.0 / std::numbers::pi + 360.0, 360.0);
        const double off = std::abs(std::remainder(angle - degrees[i], 360.0));
        EXPECT_LT(off, 5.0) << "dot " << i << " at " << angle;
    }
    EXPECT_EQ(effect.particles[0].y, 100);  // straight left
    EXPECT_EQ(effect.particles[3].y, 100);  // straight right
}

}  // namespace
