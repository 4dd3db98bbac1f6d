// Sound out on Windows through waveOut, which every Windows since XP and
// Wine play reliably: kAheadPeriods buffers queued on the default device,
// each refilled once the device has played it, so a write waits for the
// oldest one and that paces the mixer thread.
#include "wide.h"
// After windows.h: the multimedia part, which the lean windows.h leaves out.
#include <mmsystem.h>
#undef PlaySound  // mmsystem's, which would rename raylib's

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "backend/audio_output.h"
#include "raylib.h"

namespace rlp::audio {

namespace {

// One device and its ring of buffers, each a period of interleaved samples
// in the format the device took (32-bit float, or 16-bit integer).
class WaveOutput final : public Output {
public:
    WaveOutput(HWAVEOUT device, HANDLE done, bool floats) : device_(device), done_(done), floats_(floats)
    {
        backend = "waveOut";
        if (!floats_) format = "16-bit integer";
        const std::size_t bytes = std::size_t(kPeriodFrames) * kDeviceChannels * (floats_ ? sizeof(float) : 2);
        for (Buffer &buffer : buffers_) {
            buffer.bytes.resize(bytes);
            buffer.header.lpData = buffer.bytes.data();
            buffer.header.dwBufferLength = DWORD(bytes);
            waveOutPrepareHeader(device_, &buffer.header, sizeof(WAVEHDR));
            buffer.header.dwFlags |= WHDR_DONE;  // free to fill
        }
    }

    ~WaveOutput() override
    {
        waveOutReset(device_);  // hands every queued buffer back
        for (Buffer &buffer : buffers_)
            waveOutUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR));
        waveOutClose(device_);
        CloseHandle(done_);
    }

    bool Write(const float *period) override
    {
        Buffer &buffer = buffers_[next_];
        // The device signals the event each time it finishes a buffer.
        while ((buffer.header.dwFlags & WHDR_DONE) == 0)
            WaitForSingleObject(done_, INFINITE);
        const std::size_t samples = std::size_t(kPeriodFrames) * kDeviceChannels;
        if (floats_) {
            std::memcpy(buffer.bytes.data(), period, samples * sizeof(float));
        } else {
            auto *shorts = reinterpret_cast<short *>(buffer.bytes.data());
            for (std::size_t i = 0; i < samples; ++i)
                shorts[i] = static_cast<short>(std::lrint(period[i] * 32767.0f));
        }
        buffer.header.dwFlags &= ~DWORD(WHDR_DONE);
        const MMRESULT result = waveOutWrite(device_, &buffer.header, sizeof(WAVEHDR));
        if (result != MMSYSERR_NOERROR) {
            TraceLog(LOG_WARNING, "AUDIO: Playback stopped: waveOut error %u", unsigned(result));
            return false;
        }
        next_ = (next_ + 1) % buffers_.size();
        return true;
    }

private:
    struct Buffer {
        WAVEHDR header{};
        std::vector<char> bytes;
    };
    HWAVEOUT device_;
    HANDLE done_;
    bool floats_;
    std::array<Buffer, kAheadPeriods> buffers_;
    std::size_t next_ = 0;
};

// WAVE_FORMAT_IEEE_FLOAT, from mmreg.h, which needs the GDI types left out above.
constexpr WORD kFloatFormat = 3;

WAVEFORMATEX Format(bool floats)
{
    WAVEFORMATEX format{};
    format.wFormatTag = floats ? kFloatFormat : WORD(WAVE_FORMAT_PCM);
    format.nChannels = kDeviceChannels;
    format.nSamplesPerSec = kDeviceRate;
    format.wBitsPerSample = floats ? 32 : 16;
    format.nBlockAlign = WORD(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}

}  // namespace

std::unique_ptr<Output> OpenOutput()
{
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (done == nullptr) return nullptr;
    for (const bool floats : {true, false}) {
        const WAVEFORMATEX format = Format(floats);
        HWAVEOUT device = nullptr;
        if (waveOutOpen(&device, WAVE_MAPPER, &format, DWORD_PTR(done), 0, CALLBACK_EVENT) == MMSYSERR_NOERROR)
            return std::make_unique<WaveOutput>(device, done, floats);
    }
    CloseHandle(done);
    return nullptr;
}

}  // namespace rlp::audio
