#include "world/EnemyDeath.h"

#include <algorithm>

namespace {

// The sheet's death row has six cells. The texture repeats, so a cell past
// the last (asked for while a long freeze holds the animation) would show
// the bird in flight again: it stays on the last cell instead.
constexpr int kLastCell = 5;

}  // namespace

EnemyDeath::EnemyDeath(int x, int y) : x(x), y(y) {}

void EnemyDeath::draw(GameAssets *assets) const
{
    const int cell = std::clamp(frame, 0, kLastCell);
    DrawTexturePro(assets->fetchTexture("enemy"), Rectangle{float(cell * 16), 32.0f, 16.0f, 16.0f},
                   Rectangle{float(x), float(y), float(w), float(h)}, Vector2{0.0f, 0.0f}, 0.0f, WHITE);
}
