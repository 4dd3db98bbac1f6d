#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tic/InputTic.h"

// Something that happened between two tics of a run, at the tic it precedes.
struct DemoMark {
    enum Kind : uint8_t {
        kLevelStart = 1,  // a level began: its number, seeds and what the draw had counted
        kLevelEnd = 2,    // a level ended (won, lost or left)
        kResume = 3,      // NEW GAME continued a kept run; `restarted`: in a new program, from `run`
        kKept = 4,        // the player left with the run kept
        kDeath = 5,       // the run ended on the death screen
    };
    Kind kind = kLevelStart;
    uint32_t at = 0;  // tics before it
    int32_t level = 0;
    uint32_t seedRand = 0;
    uint32_t seedRaylib = 0;
    uint8_t screenshake = 0;
    int8_t animTick = 0;
    int8_t animFrame = 0;
    int32_t stuck = 0;        // the birds' shared stuck count
    uint8_t shopUpgrade = 0;  // the upgrade the shop shows, in the catalogue's order
    uint64_t digest = 0;      // the state's, after the mark
    uint8_t restarted = 0;    // kResume
    std::string run;          // kResume: the kept run as its file holds it

    bool operator==(const DemoMark &) const = default;
};

// A whole run as the input that made it, and the file that keeps it: a short
// text header anyone can read, then the marks and the tics, the tics through
// a range coder that knows what each field tends to do.
//
//   tallowfen demo 4
//   game Tallowfen 1.0.0
//   platform bundled x86_64  the build that recorded it (every build plays it)
//   start 1              the level the run began at
//   daily 2026-12-08     "-" for none; "practice" after it for a second try
//   result death         death, kept or unfinished
//   level 7              level reached, gold and kills of the run,
//   gold 143             and the digest of its last state
//   kills 28
//   digest 0123456789abcdef
//   body 4711 36000      bytes of body after the "end" line, and the tics in it
//   crc 89abcdef         CRC-32 of the lines above and the body
//   end
//
// The body is a run of chunks, each a little-endian u32 of the bytes after
// it, then u32 tics, u32 marks, the marks (MarkCodec) and the tics (TicCodec).
class DemoFile {
public:
    static constexpr int kFormat = 4;
    static constexpr std::size_t kMaxFileBytes = 8u << 20;
    static constexpr std::size_t kMaxTics = 2u << 20;  // past 9 hours of play

    std::string game;      // the game's version that recorded it
    std::string platform;  // the library and the machine
    int start = 1;
    std::string daily = "-";
    bool practice = false;
    std::string result = "unfinished";
    int level = 0;
    int gold = 0;
    int kills = 0;
    uint64_t digest = 0;
    std::vector<InputTic> tics;
    std::vector<DemoMark> marks;

    // This build's names, written into the demos it records.
    static std::string thisGame();
    static std::string thisPlatform();

    std::string encode() const;
    // True when `bytes` are a whole demo this build can read; otherwise *problem
    // says why in one line and this is left unchanged. With `headerOnly` the
    // body is not read (listing and pruning read only headers).
    bool decode(const std::string &bytes, std::string *problem, bool headerOnly = false);
    bool load(const std::string &path, std::string *problem, bool headerOnly = false);
    bool save(const std::string &path, std::string *problem) const;

    // The same run and header; how the body happens to be chunked aside.
    bool operator==(const DemoFile &other) const;

private:
    // The body is a run of chunks, one for each time the demo was saved, so
    // a save packs only the tics and marks that came since.
    struct Chunk {
        std::string bytes;  // as written: its size, then what it holds
        std::size_t tics = 0;
        std::size_t marks = 0;
    };
    mutable std::vector<Chunk> chunks;
    // Where the body starts, how large the header says it is, the tics it
    // holds and its check sum.
    struct BodySizes {
        std::size_t at = 0;
        std::size_t packed = 0;
        std::size_t tics = 0;
        unsigned long crc = 0;
    };

    // The two halves of decode, reading into this fresh demo.
    bool readHeader(const std::string &bytes, BodySizes *sizes, std::string *problem);
    bool readBody(const std::string &bytes, const BodySizes &sizes, std::string *problem);

    std::string packChunk(std::size_t firstTic, std::size_t firstMark) const;
    // Reads a chunk as written, its size first; `allTics`: what the header says the body holds.
    bool unpackChunk(const std::string &chunk, std::size_t allTics, int *expectLevel);
};

// The digest in the form the header and --verify print it.
std::string DigestText(uint64_t digest);
