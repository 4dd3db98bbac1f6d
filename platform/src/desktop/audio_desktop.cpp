// Sound out on Linux: a PulseAudio stream, or ALSA's default device when no
// server answers.
#include "backend/audio_output.h"
#include "outputs.h"

namespace rlp::audio {

std::unique_ptr<Output> OpenOutput()
{
    std::unique_ptr<Output> output = OpenPulseOutput();
    if (output == nullptr) output = OpenAlsaOutput();
    return output;
}

}  // namespace rlp::audio
