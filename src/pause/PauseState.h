#pragma once

#include <vector>

#include "core/GameState.h"
#include "level/GameRunner.h"
#include "options/Bindings.h"
#include "raylib.h"

// Play held still: the pause key or button (P, a pad's Start) toggles it, losing the window's focus
// starts it. While it holds, Game skips every update of the level, and the
// level is drawn exactly as it stood, dimmed under "Paused", with its music
// turned down. The dimming is drawn over the window, not into the virtual
// screen: translucent black there would lower that picture's alpha and let
// the window's white show through, lightening the level instead.
class PauseState {
public:
    static constexpr float kPausedVolume = 0.3f;

    bool paused = false;
    float musicVolume = 1.0f;                       // the player's music volume, which a resume gives back
    const Bindings *bindings = &DefaultBindings();  // not owned
    // Where the focus comes from; tests put their own here.
    bool (*windowFocused)() = IsWindowFocused;
    bool wasFocused = true;
    Color dim{0, 0, 0, 150};
    Color labelColor{255, 203, 0, 255};

    // Reads the toggle and the focus; true when this update of play must be
    // skipped. `music` is the current track, turned down while paused. Any
    // state but play clears the pause.
    bool update(GameState state, Music &music);
    void resume();

    // Around the level's draw: the draw points the camera and steps the death
    // animations, so a paused picture keeps both as they were.
    void beginDraw(const GameRunner &runner);
    void endDraw(GameRunner &runner);
    // After the virtual screen is in the window: the level's view dimmed,
    // "Paused" over it, at the letterbox's scale.
    void drawOverWindow(GameState state) const;

private:
    Music lowered{};
    bool turnedDown = false;
    Camera2D heldCamera{};
    std::vector<int> heldDeathFrames;

    bool togglePressed() const;
};
