// Sound out through the page's Web Audio context. The mixer's periods queue
// in the page, which plays them as the context asks; until the player's first
// click or key the browser keeps the context suspended, nothing is taken and
// the mixer waits, as it would behind a blocking device. The page has no
// threads: PumpMixer does the mixing, once a frame.
#include <memory>
#include <vector>

#include "backend/audio_output.h"
#include "web.h"

namespace rlp::audio {

namespace {

// Its Write never blocks; the frames it holds unplayed are counted by the
// page for PumpMixer.
class WebOutput : public Output {
public:
    WebOutput() { backend = "Web Audio"; }
    ~WebOutput() override { rlp_web_audio_close(); }
    bool Write(const float *period) override
    {
        rlp_web_audio_write(period, kPeriodFrames);
        return true;
    }
};

// Ahead of the speakers by more than a frame at 60 Hz and a late frame or
// two, and less than a music stream keeps queued.
constexpr int kWebAheadPeriods = 8;

Output *g_fed = nullptr;  // the device's output while it is open

}  // namespace

std::unique_ptr<Output> OpenOutput()
{
    if (!rlp_web_audio_open(kDeviceRate)) return nullptr;
    return std::make_unique<WebOutput>();
}

void StartFeeding(Output &output) { g_fed = &output; }

void StopFeeding() { g_fed = nullptr; }

// The page mixes once a frame, further ahead than a thread would (see
// PumpMixer), so its streams keep more.
int StreamChunks() { return 5; }

void PumpMixer()
{
    if (g_fed == nullptr) return;
    static std::vector<float> period(std::size_t(kPeriodFrames) * kDeviceChannels);
    while (rlp_web_audio_queued() < kWebAheadPeriods * kPeriodFrames) {
        MixPeriod(period.data());
        if (!g_fed->Write(period.data())) break;
    }
}

}  // namespace rlp::audio
