#pragma once

#include <string>
#include <vector>

#include "demo/ByteStream.h"
#include "demo/DemoFile.h"

// The marks of a demo's chunk as bytes and back. Reading refuses any mark a
// game could not have recorded where it stands: a level skipped, a mark
// after the death, a mark before the one ahead of it, so that playback can
// take every mark in turn.
struct MarkCodec {
    static void pack(const DemoMark &mark, ByteWriter *out);
    // Reads one mark and appends it to *marks. `ticsAfter`: the tics the demo
    // holds once this chunk is read; *expectLevel: the next level to begin.
    static bool unpack(ByteReader *in, std::size_t ticsAfter, int *expectLevel, std::vector<DemoMark> *marks);
    // The fewest bytes a mark takes.
    static constexpr std::size_t kLeastBytes = 17;
};
