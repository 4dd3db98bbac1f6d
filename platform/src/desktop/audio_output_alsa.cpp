// Playback straight to ALSA's default device, for systems where no sound
// server answers.
#include <alsa/asoundlib.h>

#include <cmath>
#include <vector>

#include "outputs.h"
#include "raylib.h"

namespace {

using namespace rlp::audio;

// A blocking PCM of kAheadPeriods periods. Samples go out as floats, or as
// 16-bit integers to a device that refuses floats.
class AlsaOutput final : public Output {
public:
    AlsaOutput(snd_pcm_t *opened, bool floats) : pcm(opened)
    {
        backend = "ALSA";
        if (!floats) {
            format = "16-bit integer";
            shorts.resize(std::size_t(kPeriodFrames) * kDeviceChannels);
        }
    }
    ~AlsaOutput() override { snd_pcm_close(pcm); }

    bool Write(const float *period) override
    {
        const char *bytes = reinterpret_cast<const char *>(period);
        std::size_t frameBytes = sizeof(float) * kDeviceChannels;
        if (!shorts.empty()) {
            for (std::size_t i = 0; i < shorts.size(); ++i)
                shorts[i] = static_cast<short>(std::lrint(period[i] * 32767.0f));
            bytes = reinterpret_cast<const char *>(shorts.data());
            frameBytes = sizeof(short) * kDeviceChannels;
        }
        for (snd_pcm_uframes_t done = 0; done < kPeriodFrames;) {
            snd_pcm_sframes_t written = snd_pcm_writei(pcm, bytes + done * frameBytes, kPeriodFrames - done);
            // An underrun or a suspend only needs the PCM restarted; a device
            // that was unplugged cannot be.
            if (written < 0) written = snd_pcm_recover(pcm, static_cast<int>(written), 1);
            if (written < 0) {
                TraceLog(LOG_WARNING, "AUDIO: Playback stopped: %s", snd_strerror(static_cast<int>(written)));
                return false;
            }
            done += static_cast<snd_pcm_uframes_t>(written);
        }
        return true;
    }

    snd_pcm_t *pcm;
    std::vector<short> shorts;  // one period converted, for a 16-bit device
};

bool Configure(snd_pcm_t *pcm, snd_pcm_format_t format)
{
    snd_pcm_hw_params_t *hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    snd_pcm_uframes_t period = kPeriodFrames;
    unsigned int periods = kAheadPeriods;
    if (snd_pcm_hw_params_any(pcm, hw) < 0 ||
        snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw, format) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw, kDeviceChannels) < 0 ||
        snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw, kDeviceRate, 0) < 0 ||
        snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr) < 0 ||
        snd_pcm_hw_params_set_periods_near(pcm, hw, &periods, nullptr) < 0 || snd_pcm_hw_params(pcm, hw) < 0)
        return false;
    // Playback starts once the buffer is full rather than at the first frame,
    // so that a start or a restart after an underrun has the latency to spare.
    snd_pcm_uframes_t buffer = 0;
    snd_pcm_sw_params_t *sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    return snd_pcm_get_params(pcm, &buffer, &period) >= 0 && snd_pcm_sw_params_current(pcm, sw) >= 0 &&
           snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer) >= 0 && snd_pcm_sw_params(pcm, sw) >= 0;
}

// ALSA prints its own complaints, such as a missing sound card, to standard
// error; the layer's one warning already says that no device opened.
void Quiet(const char *, int, const char *, int, const char *, ...) {}

}  // namespace

namespace rlp::audio {

std::unique_ptr<Output> OpenAlsaOutput()
{
    snd_lib_error_set_handler(Quiet);
    std::unique_ptr<Output> output;
    snd_pcm_t *pcm = nullptr;
    // Opened non-blocking, since a busy device would otherwise hold the game
    // at start-up until it is free; the writes then block to pace the mixer.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) >= 0) {
        for (const snd_pcm_format_t format : {SND_PCM_FORMAT_FLOAT, SND_PCM_FORMAT_S16}) {
            if (Configure(pcm, format) && snd_pcm_nonblock(pcm, 0) >= 0) {
                output = std::make_unique<AlsaOutput>(pcm, format == SND_PCM_FORMAT_FLOAT);
                break;
            }
        }
        if (output == nullptr) snd_pcm_close(pcm);
    }
    snd_lib_error_set_handler(nullptr);
    return output;
}

}  // namespace rlp::audio
