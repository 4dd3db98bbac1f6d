#pragma once

#include <vector>

// The last pictures of the level's view, oldest overwritten first: each one
// palette index a pixel, with the time it was taken. A picture is kept as
// runs of equal pixels (the game's art is drawn in blocks of 4 by 4 and
// more), or as it is when that would be smaller, so eight seconds of play
// cost a few megabytes instead of fourteen. Slots are made as they are
// first needed, so a short level holds only what it recorded.
class FrameRing {
public:
    int width = 0;
    int height = 0;
    int capacity = 0;
    std::vector<std::vector<unsigned char>> slots;  // packed pictures
    std::vector<double> times;
    int first = 0;  // the oldest picture's slot
    int count = 0;

    FrameRing(int width, int height, int capacity);

    // Keeps a picture of width x height indices taken at `time`; when full,
    // the oldest picture gives up its slot.
    void add(double time, const unsigned char *picture);
    void clear();
    int size() const { return count; }
    // Unpacks picture i (0 the oldest) into width x height indices.
    void unpack(int i, unsigned char *out) const;
    std::vector<unsigned char> picture(int i) const;
    double time(int i) const { return times[slot(i)]; }
    // How long each picture stayed, in hundredths of a second, rounded so the
    // whole adds up to the time recorded; the last one stays `lastDelay`.
    std::vector<int> delays(int lastDelay) const;
    // The picture shown `seconds` after the oldest one, looping over the whole.
    int pictureAt(double seconds, int lastDelay) const;

private:
    int slot(int i) const { return (first + i) % capacity; }
};
