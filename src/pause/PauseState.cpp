#include "pause/PauseState.h"

#include "core/VirtualScreen.h"
#include "options/ActionInput.h"

bool PauseState::togglePressed() const { return ActionInput::pressed(*bindings, ACTION_PAUSE); }

bool PauseState::update(GameState state, Music &music)
{
    const bool focused = windowFocused();
    const bool focusLost = wasFocused && !focused;
    wasFocused = focused;
    if (state != STATE_INGAME) {
        resume();
        return false;
    }
    // Regaining the focus does not resume: the player does, when ready.
    const bool toggle = togglePressed();
    if (paused && toggle) {
        resume();
        return false;
    }
    if (!paused && (toggle || focusLost)) {
        paused = true;
        lowered = music;
        turnedDown = true;
        SetMusicVolume(lowered, kPausedVolume * musicVolume);
    }
    return paused;
}

void PauseState::resume()
{
    paused = false;
    // The track that was turned down, even when play has moved on to another.
    if (turnedDown) SetMusicVolume(lowered, musicVolume);
    turnedDown = false;
}

void PauseState::beginDraw(const GameRunner &runner)
{
    if (!paused) return;
    heldCamera = runner.camera;
    heldDeathFrames.clear();
    for (const EnemyDeath &death : runner.enemyDeaths)
        heldDeathFrames.push_back(death.frame);
}

void PauseState::endDraw(GameRunner &runner)
{
    if (!paused) return;
    runner.camera = heldCamera;
    for (size_t i = 0; i < runner.enemyDeaths.size() && i < heldDeathFrames.size(); ++i)
        runner.enemyDeaths[i].frame = heldDeathFrames[i];
}

void PauseState::drawOverWindow(GameState state) const
{
    if (!paused || state != STATE_INGAME) return;
    const Letterbox box = ComputeLetterbox(GetScreenWidth(), GetScreenHeight(), kVirtualWidth, kVirtualHeight);
    // The level's 240 x 240 view at the picture's left.
    const int viewWidth = int(240.0f * box.scale);
    DrawRectangle(box.x, box.y, viewWidth, box.height, dim);
    const int size = int(30.0f * box.scale);
    const int width = MeasureText("Paused", size);
    DrawText("Paused", box.x + (viewWidth - width) / 2, box.y + int(105.0f * box.scale), size, labelColor);
}
