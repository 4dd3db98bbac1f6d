#pragma once

#include <vector>

// The last pictures of the level's view, oldest overwritten first: each one
// palette index a pixel, with the time it was taken. Slots are made as they
// are first needed, so a short level holds only what it recorded.
class FrameRing {
public:
    int width = 0;
    int height = 0;
    int capacity = 0;
    std::vector<std::vector<unsigned char>> slots;
    std::vector<double> times;
    int first = 0;  // the oldest picture's slot
    int count = 0;

    FrameRing(int width, int height, int capacity);

    // The slot for a picture taken at `time`, to be filled by the caller;
    // when full, the oldest picture gives up its slot.
    unsigned char *add(double time);
    void clear();
    int size() const { return count; }
    // 0 is the oldest picture.
    const unsigned char *picture(int i) const { return slots[slot(i)].data(); }
    double time(int i) const { return times[slot(i)]; }
    // How long each picture stayed, in hundredths of a second, rounded so the
    // whole adds up to the time recorded; the last one stays `lastDelay`.
    std::vector<int> delays(int lastDelay) const;
    // The picture shown `seconds` after the oldest one, looping over the whole.
    int pictureAt(double seconds, int lastDelay) const;

private:
    int slot(int i) const { return (first + i) % capacity; }
};
