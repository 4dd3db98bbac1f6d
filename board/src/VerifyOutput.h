#pragma once

#include <string>

// What `tallowfen --verify` said about a demo, read from its exit status and
// its lines:
//   level 5, gold 7, kills 14, digest f94965e59811789a
//   matches the recording                      (exit 0)
//   differs: <where and how>                   (exit 1)
//   tallowfen: cannot verify FILE: <reason>    (exit 2)
// Anything else (another status, a signal, lines missing or out of shape)
// is a verifier that failed, and says nothing about the run.
class VerifyOutput {
public:
    enum Kind {
        kMatches,
        kDiffers,
        kCannot,
        kFailed,
    };
    Kind kind = kFailed;
    int level = 0;
    int gold = 0;
    int kills = 0;
    std::string digest;
    std::string words;  // differs: the game's words; cannot: its reason; failed: what went wrong

    // `exitCode` is the status of a normal exit; `path` the file it was given.
    static VerifyOutput parse(const std::string &output, int exitCode, const std::string &path);
    static VerifyOutput failed(const std::string &why);
};
