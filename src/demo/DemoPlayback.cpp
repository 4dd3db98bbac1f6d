#include "demo/DemoPlayback.h"

const DemoMark *DemoPlayback::due() const
{
    if (nextMark >= demo.marks.size() || demo.marks[nextMark].at > nextTic) return nullptr;
    return &demo.marks[nextMark];
}

const DemoMark *DemoPlayback::take(DemoMark::Kind kind, const char *what)
{
    const DemoMark *mark = due();
    if (mark == nullptr || mark->kind != kind) {
        if (differs.empty())
            differs = std::string("the recording has no ") + what + " at update " + std::to_string(nextTic);
        finished = true;
        return nullptr;
    }
    ++nextMark;
    return mark;
}

void DemoPlayback::check(const DemoMark &mark, uint64_t digest)
{
    lastDigest = digest;
    if (digest == mark.digest || !differs.empty()) return;
    differs = "level " + std::to_string(mark.level) + " differs from the recording by update " +
              std::to_string(mark.at) + " (digest " + DigestText(digest) + ", recorded " + DigestText(mark.digest) +
              ")";
    // Nothing after it can match: a demo that went otherwise costs no more playing.
    finished = true;
}

const InputTic *DemoPlayback::nextInput()
{
    if (finished || nextTic >= demo.tics.size() || due() != nullptr) return nullptr;
    return &demo.tics[nextTic++];
}

bool DemoPlayback::stalled()
{
    still = nextTic == seenTic && nextMark == seenMark ? still + 1 : 0;
    seenTic = nextTic, seenMark = nextMark;
    return still > kMaxStill;
}

void DemoPlayback::nextSpeed()
{
    int i = 0;
    while (kSpeeds[i] != speed && i < 2)
        ++i;
    speed = kSpeeds[(i + 1) % 3];
}

void DemoPlayback::drawOverWindow() const
{
    const std::string label = speed == 1 ? "DEMO" : "DEMO " + std::to_string(speed) + "x";
    const int size = 20;
    const int width = MeasureText(label.c_str(), size);
    const int x = GetScreenWidth() - width - 8;
    DrawRectangle(x - 4, 4, width + 8, size + 4, Color{0, 0, 0, 170});
    DrawText(label.c_str(), x, 6, size, Color{230, 41, 55, 255});
}

void DemoPlayback::drawDeathHint() { DrawText("D: watch the whole run", 10, 216, 10, Color{130, 130, 130, 255}); }
