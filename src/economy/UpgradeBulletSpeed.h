#pragma once

#include "economy/Upgrade.h"

// Speed of new bullets, in pixels per frame.
class Upgrade_Bullet_Speed : public Upgrade {
public:
    Upgrade_Bullet_Speed();

    void buy(Inventory &inventory) override;
};
