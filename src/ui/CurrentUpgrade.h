#pragma once

#include <string>

#include "raylib.h"
#include "ui/GUIText.h"

// The shop's panel for the upgrade being browsed: which one it is, its icon
// key and its name, price and current-value labels.
class CurrentUpgrade {
public:
    std::string id;
    std::string texID;
    GUIText nameText{240, 130, 18, "Gold Multiplier", WHITE, true};
    GUIText costText{240, 150, 18, "Cost: 0", WHITE, true};
    GUIText currentText{240, 170, 18, "Current: 1.00", WHITE, true};
};
