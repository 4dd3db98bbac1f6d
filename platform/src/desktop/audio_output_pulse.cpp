// Playback on a PulseAudio server (or PipeWire's), through its simple API.
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>

#include <cerrno>

#include "outputs.h"
#include "raylib.h"

namespace {

using namespace rlp::audio;

// A stream whose writes block while the server holds kAheadPeriods.
class PulseOutput final : public Output {
public:
    explicit PulseOutput(pa_simple *opened) : stream(opened) { backend = "PulseAudio"; }
    ~PulseOutput() override { pa_simple_free(stream); }

    bool Write(const float *period) override
    {
        int error = 0;
        if (pa_simple_write(stream, period, std::size_t(kPeriodFrames) * kDeviceChannels * sizeof(float), &error) >= 0)
            return true;
        TraceLog(LOG_WARNING, "AUDIO: Playback stopped: %s", pa_strerror(error));
        return false;
    }

    pa_simple *stream;
};

// pa_simple_new starts a server itself when none runs (autospawn), which
// takes seconds or hangs on a broken setup, and leaves a daemon behind the
// game. Like raylib's own audio, only a server that is already there is used,
// and anything else falls through to ALSA, so one is asked for first.
bool ServerAnswers()
{
    pa_mainloop *loop = pa_mainloop_new();
    if (loop == nullptr) return false;
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), program_invocation_short_name);
    bool ready = false;
    if (context != nullptr && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            ready = state == PA_CONTEXT_READY;
            if (ready || !PA_CONTEXT_IS_GOOD(state) || pa_mainloop_iterate(loop, 1, nullptr) < 0) break;
        }
        pa_context_disconnect(context);
    }
    if (context != nullptr) pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

}  // namespace

namespace rlp::audio {

std::unique_ptr<Output> OpenPulseOutput()
{
    if (!ServerAnswers()) return nullptr;
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kDeviceRate, kDeviceChannels};
    const std::uint32_t period = kPeriodFrames * kDeviceChannels * sizeof(float);
    const std::uint32_t unset = static_cast<std::uint32_t>(-1);
    const pa_buffer_attr attr{unset, period * kAheadPeriods, unset, period, unset};
    int error = 0;
    pa_simple *stream = pa_simple_new(nullptr, program_invocation_short_name, PA_STREAM_PLAYBACK, nullptr, "Playback",
                                      &format, nullptr, &attr, &error);
    if (stream == nullptr) return nullptr;
    return std::make_unique<PulseOutput>(stream);
}

}  // namespace rlp::audio
