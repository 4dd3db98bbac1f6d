// Where the mixer's periods go: a playback stream on a sound server, a device
// or a web page's audio context, behind one interface so the mixer does not
// care which. Each backend folder opens its outputs and feeds them.
#pragma once

#include <memory>

namespace rlp::audio {

// The rate and layout every voice is mixed to and every output plays.
constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;

// The mixer's period, and how many of them the output holds ahead of the
// speakers: together the latency a sound has from PlaySound to being heard.
constexpr int kPeriodFrames = kDeviceRate / 100;
constexpr int kAheadPeriods = 4;

// One open playback stream at kDeviceRate and kDeviceChannels. A desktop's
// Write blocks while the output holds enough, which is what paces the mixer.
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

// Shared: one period of every playing voice (kPeriodFrames x
// kDeviceChannels floats), clamped to what an output takes.
void MixPeriod(float *period);

// Backend: the system's output, or nullptr when none answers (the caller
// warns).
std::unique_ptr<Output> OpenOutput();
// Backend: starts handing `output` a MixPeriod at a time, at the pace it
// plays; StopFeeding returns once nothing feeds it any more.
void StartFeeding(Output &output);
void StopFeeding();
// Backend: how many chunks a music stream keeps decoded ahead of the mixer;
// more where the mixer runs once a frame than where it has a thread.
int StreamChunks();

}  // namespace rlp::audio
