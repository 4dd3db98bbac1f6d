#include "replay/ReplayViewer.h"

#include "system/BrowserPage.h"

#include <cstdio>
#include <iostream>

#include "input/GamepadInput.h"
#include "replay/GifClip.h"

namespace {

constexpr int kPictureX = (320 - ReplayRecorder::kSize) / 2;
constexpr int kFontSize = 10;
constexpr int kLineHeight = 12;
constexpr Color kMarkColor{230, 41, 55, 255};
constexpr Color kTextColor{245, 245, 245, 255};
constexpr Color kSavedColor{0, 228, 48, 255};
constexpr Color kBar{0, 0, 0, 255};  // opaque: translucency would thin the picture's alpha

// Keys that never leave the replay: the modifiers, and the keys that act
// anywhere in the game (F9's screenshot, F11's fullscreen, the library's F12).
bool keepsReplay(int key)
{
    return key == KEY_F9 || key == KEY_F11 || key == KEY_F12 || (key >= KEY_LEFT_SHIFT && key <= KEY_RIGHT_SUPER);
}

bool padPressed(int button)
{
    const int pad = GamepadInput::activePad();
    return pad >= 0 && IsGamepadButtonPressed(pad, button);
}

// The text's tail that fits in `width` pixels, "..." standing for the rest.
std::string fitted(const std::string &text, int width)
{
    if (MeasureText(text.c_str(), kFontSize) <= width) return text;
    for (std::size_t cut = 1; cut < text.size(); ++cut) {
        const std::string tail = "..." + text.substr(cut);
        if (MeasureText(tail.c_str(), kFontSize) <= width) return tail;
    }
    return "";
}

}  // namespace

bool ReplayViewer::startPressed() { return IsKeyPressed(KEY_R) || padPressed(GAMEPAD_BUTTON_RIGHT_FACE_LEFT); }

ReplayViewer::Action ReplayViewer::input()
{
    if (IsKeyPressed(KEY_S) || padPressed(GAMEPAD_BUTTON_RIGHT_FACE_UP)) return Action::Save;
    for (int key = KEY_SPACE; key <= KEY_KB_MENU; ++key)
        if (key != KEY_S && !keepsReplay(key) && IsKeyPressed(key)) return Action::Leave;
    for (int button = MOUSE_BUTTON_LEFT; button <= MOUSE_BUTTON_MIDDLE; ++button)
        if (IsMouseButtonPressed(button)) return Action::Leave;
    for (int button = GAMEPAD_BUTTON_LEFT_FACE_UP; button <= GAMEPAD_BUTTON_RIGHT_THUMB; ++button)
        if (button != GAMEPAD_BUTTON_RIGHT_FACE_UP && padPressed(button)) return Action::Leave;
    return Action::None;
}

void ReplayViewer::start(double now)
{
    showing = true;
    startedAt = now;
    shown = -1;
    savedFolder.clear();
    savedFile.clear();
    failure.clear();
}

void ReplayViewer::step(const ReplayRecorder &recorder, double now)
{
    const int index = recorder.ring.pictureAt(now - startedAt, ReplayRecorder::kLastDelay);
    if (index < 0 || index == shown) return;
    const int size = ReplayRecorder::kSize;
    if (texture.id == 0) {
        rgba.assign(std::size_t(size) * size * 4, 255);
        Image image{rgba.data(), size, size, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8};
        texture = LoadTextureFromImage(image);
    }
    indices.resize(std::size_t(size) * size);
    recorder.ring.unpack(index, indices.data());
    const unsigned char *picture = indices.data();
    for (int i = 0; i < size * size; ++i) {
        const Color c = recorder.palette.colors[picture[i]];
        rgba[4 * i] = c.r;
        rgba[4 * i + 1] = c.g;
        rgba[4 * i + 2] = c.b;
    }
    UpdateTexture(texture, rgba.data());
    shown = index;
}

void ReplayViewer::save(const ReplayRecorder &recorder, PicturesFolder &pictures, const std::string &name)
{
    savedFile.clear();
    GifClip clip;
    clip.width = clip.height = ReplayRecorder::kSize;
    clip.palette = recorder.palette.colors;
    // Unpacked only here, for the moment of writing.
    const std::size_t area = std::size_t(clip.width) * clip.height;
    std::vector<unsigned char> unpacked(area * recorder.ring.size());
    for (int i = 0; i < recorder.ring.size(); ++i) {
        recorder.ring.unpack(i, unpacked.data() + area * i);
        clip.pictures.push_back(unpacked.data() + area * i);
    }
    clip.delays = recorder.ring.delays(ReplayRecorder::kLastDelay);
    failure.clear();
    const std::string kept = pictures.keep(
        name, [&clip](const std::string &path, std::string *why) { return SaveGif(path, clip, kClipScale, why); },
        &failure);
    if (kept.empty()) {
        if (failure.empty()) failure = "the clip could not be written";
        std::cout << "Could not save the replay: " << failure << std::endl;
        return;
    }
    savedFolder = BrowserPage::inBrowser() ? "your downloads" : pictures.dir;
    savedFile = kept;
    std::cout << "Saved the replay to " << pictures.file(kept) << std::endl;
    BrowserPage::offerDownload(pictures.file(kept));
}

void ReplayViewer::draw() const
{
    if (!showing) return;
    DrawRectangle(0, 0, 320, 240, BLACK);
    if (texture.id != 0 && shown >= 0) {
        const float size = float(ReplayRecorder::kSize);
        DrawTexturePro(texture, Rectangle{0, 0, size, size}, Rectangle{float(kPictureX), 0, size, size}, Vector2{0, 0},
                       0.0f, WHITE);
    }
    // A blinking dot beside the mark, as a recorder shows it.
    if (int(GetTime() * 2.0) % 2 == 0) DrawCircle(kPictureX + 8, 9, 3, kMarkColor);
    DrawText("REPLAY", kPictureX + 14, 4, kFontSize, kMarkColor);

    std::vector<std::pair<std::string, Color>> lines;
    if (!failure.empty()) {
        lines.emplace_back("Not saved: " + failure, kMarkColor);
    } else if (!savedFile.empty()) {
        lines.emplace_back("Saved in " + savedFolder, kSavedColor);
        lines.emplace_back(savedFile, kSavedColor);
    }
    lines.emplace_back("S: save as GIF    any other key: back", kTextColor);
    const int top = 240 - int(lines.size()) * kLineHeight - 2;
    DrawRectangle(0, top, 320, 240 - top, kBar);
    for (std::size_t i = 0; i < lines.size(); ++i)
        DrawText(fitted(lines[i].first, 314).c_str(), 3, top + 2 + int(i) * kLineHeight, kFontSize, lines[i].second);
}

void ReplayViewer::drawHint()
{
    DrawText("R (pad X): watch the replay", 10, 204, kFontSize, Color{130, 130, 130, 255});
}

void ReplayViewer::release()
{
    if (texture.id != 0) UnloadTexture(texture);
    texture = Texture2D{};
    shown = -1;
}
