#pragma once

// Whether the display the environment names can be reached, asked before
// the window is opened: some builds of the window library crash instead of
// failing when there is no display, so the game looks first. An X display
// is reached when its socket accepts a connection; a Wayland display when
// its socket does.
bool DisplayReachable();
