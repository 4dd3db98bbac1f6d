// Where the mixer's periods go: a playback stream on a sound server or a
// device, behind one interface so the mixer does not care which.
#pragma once

#include <memory>

#include "audio_internal.h"

namespace rlp::audio {

// The mixer's period, and how many of them the output holds ahead of the
// speakers: together the latency a sound has from PlaySound to being heard.
constexpr int kPeriodFrames = kDeviceRate / 100;
constexpr int kAheadPeriods = 4;

// One open playback stream at kDeviceRate and kDeviceChannels. Write blocks
// while the output holds enough, which is what paces the mixer.
class Output {
public:
    Output() = default;
    Output(const Output &) = delete;
    Output &operator=(const Output &) = delete;
    virtual ~Output() = default;
    // Plays one period of kPeriodFrames interleaved frames in [-1, 1]; false
    // once the output has gone away, after saying why in a warning.
    virtual bool Write(const float *period) = 0;
    const char *backend = "";
    const char *format = "32-bit float";  // what the output was given the samples as
};

// Each returns nullptr when its server or device does not answer, quickly
// and without a word: the caller tries the next and warns if none opens.
std::unique_ptr<Output> OpenPulseOutput();
std::unique_ptr<Output> OpenAlsaOutput();
#ifdef __EMSCRIPTEN__
// The page's Web Audio context; its Write never blocks, and the frames it
// holds unplayed are counted for PumpMixer.
std::unique_ptr<Output> OpenWebOutput();
int WebQueuedFrames();
#endif

}  // namespace rlp::audio
