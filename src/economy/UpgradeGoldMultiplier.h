#pragma once

#include "economy/Upgrade.h"

// Number of gold drop attempts per killed enemy.
class Upgrade_Gold_Multiplier : public Upgrade {
public:
    Upgrade_Gold_Multiplier();

    void buy(Inventory &inventory) override;
};
