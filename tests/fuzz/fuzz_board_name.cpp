// Feeds arbitrary bytes to the board's name rules. A name it takes is
// well-formed UTF-8 in NFC, 1 to 16 characters with no space at either end,
// and cleaning it again gives it back; a refusal says why and changes
// nothing. Any text folds (the table may hold names from before the rules)
// and folding its key gives the key; a name it takes folds to something.
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PlayerRules.h"

namespace {

void fail(const char *what, const std::string &text)
{
    std::fprintf(stderr, "%s: \"", what);
    for (const unsigned char c : text)
        std::fprintf(stderr, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c);
    std::fprintf(stderr, "\"\n");
    std::abort();
}

// The code points of well-formed UTF-8, or -1.
int32_t codePoints(const std::string &text)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t units = 0;
    u_strFromUTF8(nullptr, 0, &units, text.data(), int32_t(text.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return -1;
    const icu::UnicodeString wide = icu::UnicodeString::fromUTF8(text);
    return wide.countChar32();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string raw(reinterpret_cast<const char *>(data), size);
    const std::string key = PlayerRules::foldName(raw);
    if (PlayerRules::foldName(key) != key) fail("folding a key changes it", raw);

    std::string name = "unchanged", problem;
    if (!PlayerRules::cleanName(raw, &name, &problem)) {
        if (problem.empty() || problem.find('\n') != std::string::npos || name != "unchanged")
            fail("a refusal without its reason, or with a name", raw);
        return 0;
    }
    const int32_t characters = codePoints(name);
    if (characters < 1 || characters > PlayerRules::kMaxNameCharacters) fail("a name out of bounds or not UTF-8", raw);
    if (name.front() == ' ' || name.back() == ' ' || name.find("  ") != std::string::npos)
        fail("a name with spaces the page would not show", raw);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || !nfc->isNormalized(icu::UnicodeString::fromUTF8(name), status) || U_FAILURE(status))
        fail("a name not in NFC", raw);
    std::string again, why;
    if (!PlayerRules::cleanName(name, &again, &why) || again != name) fail("cleaning a name changes it", raw);
    if (PlayerRules::foldName(name).empty()) fail("a name that folds to nothing", raw);
    return 0;
}
