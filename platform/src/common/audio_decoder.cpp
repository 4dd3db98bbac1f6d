// Opening audio files for the system's decoder, with the warnings raylib
// gives for files it cannot use.
#include "backend/audio_decoder.h"

#include "backend/files.h"
#include "raylib.h"

namespace rlp::audio {

void WarnUndecodable(const char *path, DecodeFor purpose, const char *reason)
{
    if (purpose == DecodeFor::Sound) {
        TraceLog(LOG_WARNING, "SOUND: [%s] Failed to load sound data (%s)", path, reason);
    } else {
        TraceLog(LOG_WARNING, "STREAM: [%s] Music file could not be opened (%s)", path, reason);
    }
}

std::unique_ptr<Decoder> Decoder::Open(const char *path, DecodeFor purpose)
{
    if (path == nullptr || path[0] == '\0') {
        TraceLog(LOG_WARNING, "FILEIO: File name provided is not valid");
        return nullptr;
    }
    // Opening the file ourselves separates "no such file" from "not audio",
    // which a decoder may report alike.
    const int descriptor = files::OpenToRead(path);
    if (descriptor < 0) return nullptr;
    return OpenDecoder(descriptor, path, purpose);
}

}  // namespace rlp::audio
