#pragma once

#include "economy/Upgrade.h"

// Radius in world pixels within which coins are pulled toward the player.
class Upgrade_Gold_Magnet : public Upgrade {
public:
    Upgrade_Gold_Magnet();

    void buy(Inventory &inventory) override;
};
