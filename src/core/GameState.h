#pragma once

// The screen being shown; screens leave by writing a new value into it.
enum GameState : int {
    STATE_MENU = 0,
    STATE_INGAME = 1,
    STATE_DEAD = 2,
    STATE_SHOP = 3,
    STATE_SETTINGS = 4,
    STATE_CONTROLS = 5,
};
