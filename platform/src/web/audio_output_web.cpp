// Sound out through the page's Web Audio context. The mixer's periods queue
// in the page, which plays them as the context asks; until the player's first
// click or key the browser keeps the context suspended, nothing is taken and
// the mixer waits, as it would behind a blocking device.
#include <memory>

#include "../audio_output.h"
#include "web.h"

namespace rlp::audio {

namespace {

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

}  // namespace

std::unique_ptr<Output> OpenWebOutput()
{
    if (!rlp_web_audio_open(kDeviceRate)) return nullptr;
    return std::make_unique<WebOutput>();
}

int WebQueuedFrames() { return rlp_web_audio_queued(); }

}  // namespace rlp::audio
