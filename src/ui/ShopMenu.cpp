#include "ui/ShopMenu.h"

#include <cstdio>

#include "core/VirtualScreen.h"

namespace {

constexpr int kPotionPrice = 5;

// "%f" gives six decimals; the panel shows three.
std::string currentValueText(float value)
{
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%f", double(value));
    std::string text = (length > 0 && length < int(sizeof buffer)) ? std::string(buffer, length) : std::string();
    text.resize(text.size() >= 3 ? text.size() - 3 : 0);
    return "Current: " + text;
}

}  // namespace

ShopMenu::ShopMenu()
{
    selected.id = "goldmultiplier";
    selected.texID = "u_goldmultiplier";
}

void ShopMenu::restart() { highlight = MenuHighlight{}; }

void ShopMenu::select(const Upgrades &upgrades, const std::string &id)
{
    if (const Upgrade *upgrade = upgrades.get(id)) {
        selected.id = id;
        selected.texID = upgrade->getTexID();
    }
}

void ShopMenu::setRunner(GameRunner *runner) { this->runner = runner; }

void ShopMenu::update(SoundManager &sound, Inventory &inventory, Upgrades &upgrades, GameState &state)
{
    goldString = std::to_string(inventory.getGold());
    goldText.setValue(goldString.c_str());
    potionString = std::to_string(inventory.gethPotions());
    potionText.setValue(potionString.c_str());

    Upgrade *upgrade = upgrades.get(selected.id);
    if (upgrade == nullptr) return;

    upgradeNameString = upgrade->getName();
    selected.nameText.setValue(upgradeNameString.c_str());
    upgradeCostString = "Cost: " + std::to_string(upgrade->getCost());
    selected.costText.setValue(upgradeCostString.c_str());
    upgradeCurrentString = currentValueText(upgrade->getCurrent());
    selected.currentText.setValue(upgradeCurrentString.c_str());

    const int gold = inventory.getGold();
    if (upgrade->getCost() > gold) {
        upgradeBuyButton.setColor(RED);
        upgradeBuyButton.setHoverColor(RED);
    } else {
        upgradeBuyButton.setColor(GREEN);
        upgradeBuyButton.setHoverColor(DARKGREEN);
    }
    if (gold < kPotionPrice) {
        potionBuyButton.setColor(RED);
        potionBuyButton.setHoverColor(RED);
    } else {
        potionBuyButton.setColor(GREEN);
        potionBuyButton.setHoverColor(GREEN);
    }

    const int chosen =
        highlight.update({ControlRect(finishButton), ControlRect(menuButton), ControlRect(prevButton),
                          ControlRect(nextButton), ControlRect(potionBuyButton), ControlRect(upgradeBuyButton)});
    const bool pressed = IsVirtualClick();
    if (!pressed && chosen < 0) return;

    const bool prev = (pressed && prevButton.isMouseOn()) || chosen == 2;
    const bool next = (pressed && nextButton.isMouseOn()) || chosen == 3;
    if (prev || next) {
        sound.play("select");
        const std::string id = prev ? upgrades.getPrev(selected.id) : upgrades.getNext(selected.id);
        Upgrade *next = upgrades.get(id);
        if (next == nullptr) return;
        selected.id = next->getId();
        selected.texID = next->getTexID();
        upgradeNameString = next->getName();
        selected.nameText.setValue(upgradeNameString.c_str());
    }
    if (((pressed && upgradeBuyButton.isMouseOn()) || chosen == 5) && upgrade->getCost() <= inventory.getGold()) {
        sound.play("select");
        upgrade->buy(inventory);
    }
    if (((pressed && potionBuyButton.isMouseOn()) || chosen == 4) && inventory.getGold() >= kPotionPrice) {
        sound.play("select");
        inventory.removeGold(kPotionPrice);
        inventory.addHPotions(1);
    }
    if ((pressed && finishButton.isMouseOn()) || chosen == 0) {
        sound.play("select");
        state = STATE_INGAME;
    }
    if ((pressed && menuButton.isMouseOn()) || chosen == 1) {
        sound.play("select");
        state = STATE_MENU;
    }
}
