#include <algorithm>

#include "ui/GrainPass.h"
#include "ui/ShopMenu.h"

namespace {

void DrawIcon(GameAssets &assets, const char *key, Rectangle source, Rectangle dest, Color tint = WHITE)
{
    DrawTexturePro(assets.fetchTexture(key), source, dest, Vector2{0, 0}, 0.0f, tint);
}

}  // namespace

void ShopMenu::draw(GameAssets &assets, int animFrame, Upgrades &upgrades)
{
    BeginGrainPass(assets, MenuGrainTime());
    highlight.drawButton(finishButton, 0);
    highlight.drawButton(menuButton, 1);
    highlight.drawButton(upgradeBuyButton, 5);
    highlight.drawButton(potionBuyButton, 4);
    DrawRectangle(10, 110, 100, 115, DARKBLUE);
    EndGrainPass();

    draw_upgrades(assets, upgrades);
    draw_player_stuff(assets, animFrame);
    draw_inventory(assets);
}

void ShopMenu::draw_upgrades(GameAssets &assets, Upgrades &)
{
    selected.nameText.draw();
    selected.costText.draw();
    selected.currentText.draw();
    highlight.drawButton(prevButton, 2);
    highlight.drawButton(nextButton, 3);
    DrawIcon(assets, selected.texID.c_str(), Rectangle{0, 0, 16, 16}, Rectangle{208, 60, 64, 64});
}

void ShopMenu::draw_player_stuff(GameAssets &assets, int animFrame)
{
    DrawIcon(assets, "crab", Rectangle{16.0f * float(animFrame), 0, 16, 16}, Rectangle{15, 110, 90, 90}, RAYWHITE);
    draw_health_bar();
}

void ShopMenu::draw_health_bar()
{
    const int left = 15, top = 205, width = 90, height = 10, border = 2;
    const int inner = width - 2 * border;
    DrawRectangle(left, top, width, height, BLACK);
    DrawRectangle(left + border, top + border, inner, height - 2 * border, RED);
    // Health dips below zero before the death screen shows; keep the fill inside the bar.
    const int fill = std::clamp(int(float(runner->player.health) / 100.0f * float(inner)), 0, inner);
    DrawRectangle(left + border, top + border, fill, height - 2 * border, GREEN);
}

void ShopMenu::draw_inventory(GameAssets &assets)
{
    goldText.draw();
    DrawIcon(assets, "gold", Rectangle{0, 0, 8, 8}, Rectangle{120, 190, 16, 16});
    potionText.draw();
    DrawIcon(assets, "hpotion", Rectangle{0, 0, 8, 8}, Rectangle{120, 210, 16, 16});
    draw_hpotion_buy(assets);
}

void ShopMenu::draw_hpotion_buy(GameAssets &assets)
{
    DrawIcon(assets, "hpotion", Rectangle{0, 0, 8, 8}, Rectangle{120, 110, 16, 16});
    DrawText("=", 138, 110, 22, WHITE);
    // Five coins in a zigzag: the potion's price.
    int x = 150, y = 116;
    for (int i = 0; i < 5; ++i) {
        DrawIcon(assets, "gold", Rectangle{0, 0, 8, 8}, Rectangle{float(x), float(y), 8, 8});
        x += 8;
        y += (i % 2 == 1) ? 2 : -2;
    }
    // The tooltip goes with the hovered look: the highlight's while it shows.
    if (highlight.shown ? highlight.lit(4) : potionBuyButton.isMouseOn()) potionInfoText.draw();
}
