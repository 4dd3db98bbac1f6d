#include "replay/FrameRing.h"

#include <algorithm>
#include <cmath>

FrameRing::FrameRing(int w, int h, int c) : width(w), height(h), capacity(c > 0 ? c : 1) {}

namespace {

enum : unsigned char {
    kRuns = 0,
    kPlain = 1
};
constexpr int kLongestRun = 255;

}  // namespace

void FrameRing::add(double time, const unsigned char *picture)
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
    times[at] = time;
    const std::size_t area = std::size_t(width) * height;
    std::vector<unsigned char> &packed = slots[at];
    packed.clear();
    packed.push_back(kRuns);
    for (std::size_t i = 0; i < area && packed.size() <= area;) {
        std::size_t run = 1;
        while (i + run < area && run < kLongestRun && picture[i + run] == picture[i])
            run += 1;
        packed.push_back((unsigned char)run);
        packed.push_back(picture[i]);
        i += run;
    }
    if (packed.size() > area) {  // noise packs worse than it is
        packed.assign(1, kPlain);
        packed.insert(packed.end(), picture, picture + area);
    }
    packed.shrink_to_fit();
}

void FrameRing::unpack(int i, unsigned char *out) const
{
    const std::vector<unsigned char> &packed = slots[slot(i)];
    const std::size_t area = std::size_t(width) * height;
    if (packed[0] == kPlain) {
        std::copy(packed.begin() + 1, packed.end(), out);
        return;
    }
    std::size_t at = 0;
    for (std::size_t p = 1; p + 1 < packed.size() && at < area; p += 2) {
        const std::size_t run = std::min<std::size_t>(packed[p], area - at);
        std::fill_n(out + at, run, packed[p + 1]);
        at += run;
    }
}

std::vector<unsigned char> FrameRing::picture(int i) const
{
    std::vector<unsigned char> out(std::size_t(width) * height);
    unpack(i, out.data());
    return out;
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
