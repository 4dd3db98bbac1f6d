#pragma once

#include "economy/Upgrade.h"

// Number of wall bounces each new bullet gets.
class Upgrade_Bullet_Ricochet : public Upgrade {
public:
    Upgrade_Bullet_Ricochet();

    void buy(Inventory &inventory) override;
};
