#include "economy/UpgradeGoldMultiplier.h"

#include <cmath>

Upgrade_Gold_Multiplier::Upgrade_Gold_Multiplier()
{
    current = 1.0f;
    cost = 5;
    id = "goldmultiplier";
    name = "Gold Multiplier";
    texID = "u_goldmultiplier";
}

void Upgrade_Gold_Multiplier::buy(Inventory &inventory)
{
    current = current + 1.0f;
    inventory.removeGold(cost);
    bought += 1;
    cost = static_cast<int>(std::floor(cost * 1.5));
}
