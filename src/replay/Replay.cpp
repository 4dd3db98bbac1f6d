#include "replay/Replay.h"

#include "system/BrowserPage.h"

#include <ctime>
#include <iostream>

std::string Replay::nameNow(int level, const char *extension)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ClipName(local, level, extension);
}

bool Replay::updateOnDeathScreen(int level)
{
    const double now = GetTime();
    if (!viewer.showing) {
        if (recorder.ring.size() == 0 || !ReplayViewer::startPressed()) return false;
        viewer.start(now);
        viewer.step(recorder, now);
        return true;  // the R that started it must not also leave it
    }
    switch (ReplayViewer::input()) {
        case ReplayViewer::Action::Leave: viewer.showing = false; return true;
        case ReplayViewer::Action::Save: viewer.save(recorder, pictures, nameNow(level, ".gif")); break;
        case ReplayViewer::Action::None: break;
    }
    viewer.step(recorder, now);
    return true;
}

void Replay::drawOnDeathScreen() const
{
    if (viewer.showing)
        viewer.draw();
    else if (recorder.ring.size() > 0)
        ReplayViewer::drawHint();
}

void Replay::afterDraw(const RenderTexture2D &screen, bool recording, bool paused, int level)
{
    noted = NotedPicture{recording, GetTime(), paused};
    if (!IsKeyPressed(KEY_F9)) return;
    std::string why;
    const std::string name = pictures.keep(
        nameNow(level, ".png"),
        [&screen](const std::string &path, std::string *problem) { return saveScreenshot(screen, path, problem); },
        &why);
    if (name.empty())
        note = "Screenshot not saved: " + why;
    else
        note = BrowserPage::inBrowser() ? "Screenshot downloaded: " + name : "Screenshot saved: " + pictures.file(name);
    std::cout << note << std::endl;
    if (!name.empty()) BrowserPage::offerDownload(pictures.file(name));
    noteUntil = GetTime() + kNoteSeconds;
}

void Replay::readNotedPicture(const RenderTexture2D &screen)
{
    if (noted.due) recorder.capture(screen, noted.time, noted.paused);
    noted.due = false;
}

void Replay::drawOverWindow() const
{
    if (note.empty() || GetTime() > noteUntil) return;
    const int size = 10;
    const int y = GetScreenHeight() - size - 6;
    DrawRectangle(0, y - 3, GetScreenWidth(), size + 6, BLACK);
    DrawText(note.c_str(), 4, y, size, Color{245, 245, 245, 255});
}

bool Replay::saveScreenshot(const RenderTexture2D &screen, const std::string &path, std::string *problem)
{
    Image image = LoadImageFromTexture(screen.texture);
    if (image.data == nullptr) {
        if (problem) *problem = "the screen could not be read";
        return false;
    }
    ImageFlipVertical(&image);
    ImageResizeNN(&image, image.width * kShotScale, image.height * kShotScale);
    const bool written = ExportImage(image, path.c_str());
    UnloadImage(image);
    if (!written && problem) *problem = "could not write " + path;
    return written;
}
