#include "economy/UpgradeBulletRicochet.h"

Upgrade_Bullet_Ricochet::Upgrade_Bullet_Ricochet()
{
    current = 0.0f;
    cost = 5;
    id = "bulletricochet";
    name = "Ricochet";
    texID = "u_bulletricochet";
}

void Upgrade_Bullet_Ricochet::buy(Inventory &inventory)
{
    current = current + 1.0f;
    inventory.removeGold(cost);
    bought += 1;
    cost = cost * 2;
}
