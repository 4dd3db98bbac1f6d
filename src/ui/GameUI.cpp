#include "ui/GameUI.h"

#include <algorithm>
#include <cmath>

#include "ui/GrainPass.h"

void GameUI::setRunner(GameRunner *runner) { this->runner = runner; }

void GameUI::update()
{
    levelString = "Level " + std::to_string(runner->level);
    levelText.setValue(levelString.c_str());
    healthString = std::to_string(runner->player.health);
    healthText.setValue(healthString.c_str());
    goldString = std::to_string(runner->inventory.getGold());
    goldText.setValue(goldString.c_str());
    potionString =
        std::to_string(runner->inventory.gethPotions()) + "\n(" + runner->bindings->keyName(ACTION_DRINK) + ")";
    potionText.setValue(potionString.c_str());
}

void GameUI::draw(GameAssets *assets, int animFrame, GameMap &map)
{
    drawBg(assets, animFrame);
    levelText.draw();
    draw_health_bar();
    draw_gun_cooldown();
    goldText.draw();
    potionText.draw();
    draw_minimap(map);
    if (runLabel[0] != '\0') GUIText(280, 226, 10, runLabel, practice ? WHITE : GOLD, true).draw();
    DrawTexturePro(assets->fetchTexture("gold"), Rectangle{0, 0, 8, 8}, Rectangle{275, 55, 16, 16}, Vector2{0, 0}, 0.0f,
                   WHITE);
    DrawTexturePro(assets->fetchTexture("hpotion"), Rectangle{0, 0, 8, 8}, Rectangle{275, 75, 16, 16}, Vector2{0, 0},
                   0.0f, WHITE);
}

void GameUI::drawBg(GameAssets *assets, int animFrame)
{
    BeginGrainPass(*assets, float(std::floor(animFrame * 5)));
    DrawRectangle(240, 0, 80, 240, BLUE);
    EndGrainPass();
}

void GameUI::draw_health_bar()
{
    DrawRectangle(250, 40, 20, 108, BLACK);
    DrawRectangle(254, 44, 12, 100, RED);
    // Health dips below zero before the death screen shows; the fill stays
    // inside the bar while the number tells the truth.
    DrawRectangle(254, 44, 12, std::clamp(runner->player.health, 0, 100), GREEN);
    healthText.draw();
}

void GameUI::draw_gun_cooldown()
{
    const Gun &gun = runner->gun;
    DrawRectangle(275, 40, 40, 10, BLACK);
    DrawRectangle(277, 42, 36, 6, GREEN);
    if (gun.cooldownFrames <= 0) return;  // a gun without reload is always ready
    const int red = int(36.0f * (float(gun.cooldown) / float(gun.cooldownFrames)));
    DrawRectangle(277, 42, red, 6, RED);
}

void GameUI::draw_minimap(GameMap &map)
{
    DrawRectangle(250, 160, 60, 60, DARKBLUE);
    for (int i = 0; i < map.size; ++i)
        for (int j = 0; j < map.size; ++j)
            if (map.renderTiles[j][i].srcX != -1) DrawRectangle(250 + 3 * i, 160 + 3 * j, 3, 3, WHITE);

    const Player &player = runner->player;
    DrawRectangle(250 + 3 * (player.x / map.tileSize), 160 + 3 * (player.y / map.tileSize), 3, 3, RED);
    for (Gold &coin : runner->goldManager.coins) {
        const Rectangle rect = coin.getRect();
        DrawRectangle(250 + 3 * (int(rect.x) / map.tileSize), 160 + 3 * (int(rect.y) / map.tileSize), 3, 3, GOLD);
    }
}
