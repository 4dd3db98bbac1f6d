#include "world/GameMapRenderTile.h"

GameMapRenderTile::GameMapRenderTile(int srcX, int srcY) : srcX(srcX), srcY(srcY) {}

GameMapRenderTile GameMapRenderTile::fromChar(char c)
{
    const int n = (c == ' ' || c == '\0') ? -1 : c - 48;
    if (n == -1) return GameMapRenderTile(-1, -1);
    // The nine digits pick the cells of a 3x3 block in reading order; any
    // other block position falls back to the first column or row.
    const int column = n % 3;
    const int row = n / 3;
    const auto cell = [](int i) { return (i >= 0 && i <= 2) ? 8 * i : 0; };
    return GameMapRenderTile(cell(column), cell(row));
}

void GameMapRenderTile::draw(Texture *texture, int x, int y) const
{
    if (srcX == -1) return;
    DrawTexturePro(*texture, Rectangle{float(srcX), float(srcY), 8.0f, 8.0f},
                   Rectangle{float(x), float(y), float(width), float(height)}, Vector2{0.0f, 0.0f}, 0.0f, WHITE);
}
