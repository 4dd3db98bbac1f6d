#include "system/DisplayProbe.h"

// Windows: a program started in the player's session always has its
// desktop, and GLFW fails cleanly without one, so there is nothing to ask.
bool DisplayReachable() { return true; }
