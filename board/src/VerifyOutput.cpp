#include "VerifyOutput.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace {

bool readNumbers(const std::string &line, VerifyOutput *out)
{
    int level = 0, gold = 0, kills = 0, used = 0;
    char digest[17] = {};
    if (std::sscanf(line.c_str(), "level %d, gold %d, kills %d, digest %16[0-9a-f]%n", &level, &gold, &kills, digest,
                    &used) != 4)
        return false;
    if (std::size_t(used) != line.size() || std::string(digest).size() != 16 || level < 0 || gold < 0 || kills < 0)
        return false;
    // The game prints exactly these forms; "level 05" or "level +5" is not it.
    char again[96];
    std::snprintf(again, sizeof again, "level %d, gold %d, kills %d, digest %s", level, gold, kills, digest);
    if (line != again) return false;
    out->level = level, out->gold = gold, out->kills = kills, out->digest = digest;
    return true;
}

}  // namespace

VerifyOutput VerifyOutput::failed(const std::string &why)
{
    VerifyOutput out;
    out.kind = kFailed;
    out.words = why;
    return out;
}

VerifyOutput VerifyOutput::parse(const std::string &output, int exitCode, const std::string &path)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    if (exitCode == 2) {
        const std::string prefix = "tallowfen: cannot verify " + path + ": ";
        if (lines.size() == 1 && lines[0].rfind(prefix, 0) == 0 && lines[0].size() > prefix.size()) {
            VerifyOutput out;
            out.kind = kCannot;
            out.words = lines[0].substr(prefix.size());
            return out;
        }
        return failed("the verifier refused the run without saying why");
    }
    if (exitCode != 0 && exitCode != 1) return failed("the verifier stopped with status " + std::to_string(exitCode));
    // A demo from another version adds a line before the numbers.
    if (lines.size() < 2 || lines.size() > 3) return failed("the verifier's output is not what it prints");
    VerifyOutput out;
    if (!readNumbers(lines[lines.size() - 2], &out)) return failed("the verifier's output is not what it prints");
    const std::string &verdict = lines.back();
    const std::string differs = "differs: ";
    if (exitCode == 0 && verdict == "matches the recording") {
        out.kind = kMatches;
    } else if (exitCode == 1 && verdict.rfind(differs, 0) == 0 && verdict.size() > differs.size()) {
        out.kind = kDiffers;
        out.words = verdict.substr(differs.size());
    } else {
        return failed("the verifier's output is not what it prints");
    }
    return out;
}
