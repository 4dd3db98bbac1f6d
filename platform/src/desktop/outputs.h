// The desktop's two outputs, tried in turn by OpenOutput.
#pragma once

#include <memory>

#include "backend/audio_output.h"

namespace rlp::audio {

// Each returns nullptr when its server or device does not answer, quickly
// and without a word: the caller tries the next and warns if none opens.
std::unique_ptr<Output> OpenPulseOutput();
std::unique_ptr<Output> OpenAlsaOutput();

}  // namespace rlp::audio
