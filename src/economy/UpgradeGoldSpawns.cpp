#include "economy/UpgradeGoldSpawns.h"

#include <cmath>

Upgrade_Gold_Spawns::Upgrade_Gold_Spawns()
{
    current = 0.5f;
    cost = 1;
    id = "goldspawns";
    name = "Gold Spawns";
    texID = "u_goldspawns";
}

void Upgrade_Gold_Spawns::buy(Inventory &inventory)
{
    current = current + (1.0f - current) / 10.0f;
    inventory.removeGold(cost);
    bought += 1;
    cost = static_cast<int>(std::floor((cost + 1) * 1.5));
}
