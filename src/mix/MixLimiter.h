#pragma once

#include <array>
#include <string>
#include <vector>

// Keeps the game's whole mix at or under -1 dBFS, however many effects land
// together on the music. A look-ahead peak limiter: it sees each peak a short
// delay before it is heard, turns the mix down smoothly to meet it and lets it
// back up slowly, so a loud moment is held under the ceiling without a click
// and ordinary play passes untouched. It runs on the audio thread as raylib's
// mixed processor (attach), on interleaved stereo float frames.
class MixLimiter {
public:
    // The delay, in frames: about 2 ms, long enough for a smooth turn-down.
    static constexpr int kLookahead = 96;
    // The time constant, in frames, with which the gain recovers after a peak
    // (about 0.1 s). raylib does not tell a processor the device's rate, so
    // both are in frames: 44.1 and 48 kHz give nearly the same times.
    static constexpr float kReleaseFrames = 4800.0f;
    // How many frames each entry of the reduction record covers.
    static constexpr int kRecordFrames = 480;

    static const float kCeiling;  // -1 dBFS

    MixLimiter();

    // Limits `frames` interleaved stereo frames in place; the output is the
    // input delayed by kLookahead frames.
    void process(float *samples, unsigned int frames);

    // Keeps, for every kRecordFrames frames, the mix's peak as it came in
    // (dBFS) and the deepest gain reduction (dB), up to `seconds` of mix at
    // 48 kHz; writeRecord saves them as "peak reduction" lines.
    void keepRecord(double seconds);
    bool writeRecord(const std::string &path) const;

    // Puts this limiter on the mix, or takes it off; it must stay alive while
    // attached. Only one limiter is attached at a time.
    void attach();
    static void detach();

    std::array<float, 2 * kLookahead> delayed{};  // the last kLookahead frames, a ring
    // The gains the last kLookahead + 1 frames need, as a queue rising from
    // its head, so the head is the lowest: what the next kLookahead frames
    // heard must not exceed.
    struct Need {
        long long frame;
        float gain;
    };
    std::array<Need, kLookahead + 1> needs{};
    int needHead = 0, needCount = 0;
    std::array<float, kLookahead> held{};  // the held gain of the last kLookahead frames
    double heldSum = kLookahead;
    float gain = 1.0f;  // the held gain, released toward 1
    long long frame = 0;

    struct Moment {
        float peakDb, reductionDb;
    };
    std::vector<Moment> record;  // newest last
    std::size_t recordLimit = 0;
    float recordPeak = 0.0f, recordLow = 1.0f;
};
