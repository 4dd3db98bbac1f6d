#include "economy/UpgradeBulletSpeed.h"

Upgrade_Bullet_Speed::Upgrade_Bullet_Speed()
{
    current = 5.0f;
    cost = 1;
    id = "bulletspeed";
    name = "Bullet Speed";
    texID = "u_bulletspeed";
}

void Upgrade_Bullet_Speed::buy(Inventory &inventory)
{
    current = current * 1.5f;
    inventory.removeGold(cost);
    bought += 1;
    cost = cost + 2;
}
