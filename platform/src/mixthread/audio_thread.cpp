// Sound out on the desktops (Linux, Windows): the output, which the system's
// own folder opens, fed by a mixer thread of its own.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "backend/audio_output.h"

namespace rlp::audio {

namespace {

// How far ahead of the clock the mixer may run when the output does not hold
// it back: twice what a blocking output holds, so that one always blocks
// first and keeps its own time.
constexpr auto kPeriodTime = std::chrono::microseconds(1'000'000LL * kPeriodFrames / kDeviceRate);
constexpr auto kClockAhead = 2 * kAheadPeriods * kPeriodTime;

std::thread g_mixer;
std::atomic<bool> g_running{false};

// Mixes a period at a time and hands it to the output, which blocks while it
// holds enough and so paces the mixer. An output that takes samples faster
// than they play (ALSA's null device) or has gone away is paced by the clock
// instead, so the mixer neither spins nor drains the streams faster than
// they are heard, and sounds end as if heard.
void RunMixer(Output *output)
{
    using Clock = std::chrono::steady_clock;
    std::vector<float> period(std::size_t(kPeriodFrames) * kDeviceChannels);
    bool writing = true;
    auto heardBy = Clock::now();  // when, by the clock, what was written has played
    while (g_running.load(std::memory_order_relaxed)) {
        MixPeriod(period.data());
        const auto before = Clock::now();
        if (writing) writing = output->Write(period.data());
        const auto now = Clock::now();
        // A write that waited shows the output keeping time itself.
        const bool waited = writing && now - before >= kPeriodTime / 4;
        heardBy = waited ? now : std::max(heardBy, now) + kPeriodTime;
        if (heardBy - now > kClockAhead) std::this_thread::sleep_until(heardBy - kClockAhead);
    }
}

}  // namespace

void StartFeeding(Output &output)
{
    g_running = true;
    g_mixer = std::thread(RunMixer, &output);
}

void StopFeeding()
{
    g_running = false;
    if (g_mixer.joinable()) g_mixer.join();
}

int StreamChunks() { return 3; }

}  // namespace rlp::audio
