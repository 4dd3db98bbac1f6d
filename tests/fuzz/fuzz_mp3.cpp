// Feeds arbitrary bytes to the audio decoder as LoadMusicStream would
// (the part before the audio device is needed).
#include <cstdint>

#include "AudioFuzz.h"
#include "FuzzInput.h"
#include "raylib.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    SetTraceLogLevel(LOG_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::DecodeAudio(fuzz::WriteInput("audio.mp3", data, size), rlp::audio::DecodeFor::Music);
    return 0;
}
