#include "economy/UpgradeGoldMagnet.h"

Upgrade_Gold_Magnet::Upgrade_Gold_Magnet()
{
    current = 25.0f;
    cost = 1;
    id = "goldmagnet";
    name = "Gold Magnet";
    texID = "u_goldmagnet";
}

void Upgrade_Gold_Magnet::buy(Inventory &inventory)
{
    current = current * 2.0f;
    inventory.removeGold(cost);
    bought += 1;
    cost = cost + 2;
}
