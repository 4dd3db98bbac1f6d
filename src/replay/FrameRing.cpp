#include "replay/FrameRing.h"

#include <cmath>

FrameRing::FrameRing(int w, int h, int c) : width(w), height(h), capacity(c > 0 ? c : 1) {}

unsigned char *FrameRing::add(double time)
{
    int at;
    if (count < capacity) {
        at = slot(count);
        count += 1;
    } else {
        at = first;
        first = (first + 1) % capacity;
    }
    if (int(slots.size()) <= at) {
        slots.resize(at + 1);
        times.resize(at + 1);
    }
    slots[at].resize(std::size_t(width) * height);
    times[at] = time;
    return slots[at].data();
}

void FrameRing::clear()
{
    first = 0;
    count = 0;
}

std::vector<int> FrameRing::delays(int lastDelay) const
{
    std::vector<int> out;
    if (count == 0) return out;
    // Rounded on the running total, so 60-Hz steps come out as 3, 4, 3 ...
    // and the clip keeps the pace it was played at.
    long shown = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const long until = std::lround((time(i + 1) - time(0)) * 100.0);
        const long delay = until - shown;
        out.push_back(int(delay > 0 ? delay : 1));
        shown += out.back();
    }
    out.push_back(lastDelay);
    return out;
}

int FrameRing::pictureAt(double seconds, int lastDelay) const
{
    if (count == 0) return -1;
    const double length = time(count - 1) - time(0) + lastDelay / 100.0;
    double t = std::fmod(seconds, length);
    if (t < 0) t += length;
    int i = 0;
    while (i + 1 < count && time(i + 1) - time(0) <= t)
        i += 1;
    return i;
}
