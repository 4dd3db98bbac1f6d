#include "PlayerRules.h"

#include <unicode/localpointer.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uspoof.h>
#include <unicode/ustring.h>
#include <unicode/uversion.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <unordered_set>

namespace {

// ICU's normal forms and spoof checker, opened once. Normalizer2 instances
// are ICU's shared singletons, and a spoof checker's checks and skeletons
// take it const, which ICU makes safe from many threads at once.
struct Unicode {
    const icu::Normalizer2 *nfc = nullptr;
    const icu::Normalizer2 *nfkcCasefold = nullptr;
    icu::LocalUSpoofCheckerPointer spoof;

    Unicode()
    {
        UErrorCode status = U_ZERO_ERROR;
        nfc = icu::Normalizer2::getNFCInstance(status);
        nfkcCasefold = icu::Normalizer2::getNFKCCasefoldInstance(status);
        spoof.adoptInstead(uspoof_open(&status));
        // Only what one name shows of itself: the same mark twice on a
        // letter draws as one, and digits of two scripts read as one number.
        // Names in any script, or two, are welcome; their look-alikes are
        // caught by the fold instead.
        uspoof_setChecks(spoof.getAlias(), USPOOF_INVISIBLE | USPOOF_MIXED_NUMBERS, &status);
        if (U_FAILURE(status)) throw std::runtime_error(std::string("ICU cannot start: ") + u_errorName(status));
    }
};

const Unicode &unicode()
{
    static const Unicode opened;
    return opened;
}

// The text as UTF-16, or false when it is not well-formed UTF-8 (overlong
// forms, surrogates and values past U+10FFFF included).
bool fromUtf8(const std::string &text, icu::UnicodeString *out)
{
    std::u16string units(text.size(), u'\0');  // never more units than bytes
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(units.data(), int32_t(units.size()), &length, text.data(), int32_t(text.size()), &status);
    if (U_FAILURE(status)) return false;
    *out = icu::UnicodeString(units.data(), length);
    return true;
}

std::string toUtf8(const icu::UnicodeString &text)
{
    std::string out;
    return text.toUTF8String(out);
}

std::string codePoint(UChar32 c)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", unsigned(c));
    return text;
}

// Why `c` may not stand in a name, or nullptr. What draws nothing, or draws
// like nothing, would let two names look alike; what Unicode leaves
// undefined draws as a box today and as anything later.
const char *refusal(UChar32 c)
{
    const int8_t type = u_charType(c);
    if (type == U_UNASSIGNED) return "the name has a character Unicode does not define";
    if (type == U_PRIVATE_USE_CHAR) return "the name has a private-use character";
    // Default_Ignorable_Code_Point holds the joiners, variation selectors,
    // tags and the Hangul fillers (U+115F, U+1160, U+3164, U+FFA0); the
    // braille blank draws nothing and is not among them.
    if (type == U_CONTROL_CHAR || type == U_FORMAT_CHAR || type == U_SURROGATE || type == U_LINE_SEPARATOR ||
        type == U_PARAGRAPH_SEPARATOR || u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT) || c == 0x2800)
        return "the name has a character that cannot be shown";
    if (type == U_SPACE_SEPARATOR && c != ' ') return "the name has a space other than a plain one";
    return nullptr;
}

// True for what shows of itself: letters, digits, punctuation and symbols.
bool visible(UChar32 c) { return (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK | U_GC_P_MASK | U_GC_S_MASK)) != 0; }

}  // namespace

bool PlayerRules::cleanName(const std::string &raw, std::string *name, std::string *problem)
{
    const auto refuse = [&](const std::string &why) {
        *problem = why;
        return false;
    };
    if (raw.size() > kMaxNameBytes) return refuse("the name is longer than 16 characters");
    icu::UnicodeString text;
    if (!fromUtf8(raw, &text)) return refuse("the name is not UTF-8");
    const Unicode &u = unicode();
    UErrorCode status = U_ZERO_ERROR;
    text = u.nfc->normalize(text, status);
    if (U_FAILURE(status)) return refuse("the name is not UTF-8");

    // Trimmed of every kind of space at its ends, with the plain spaces
    // inside made one each, as the page shows them.
    std::vector<UChar32> points;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        if ((points.empty() && u_isUWhiteSpace(c)) || (c == ' ' && !points.empty() && points.back() == ' ')) continue;
        points.push_back(c);
    }
    while (!points.empty() && u_isUWhiteSpace(points.back()))
        points.pop_back();
    if (points.empty()) return refuse("the name is empty");
    if (points.size() > std::size_t(kMaxNameCharacters)) return refuse("the name is longer than 16 characters");
    for (const UChar32 c : points)
        if (const char *why = refusal(c)) return refuse(std::string(why) + " (" + codePoint(c) + ")");
    if (std::none_of(points.begin(), points.end(), visible))
        return refuse("the name has no letter, digit, punctuation or symbol");

    icu::UnicodeString cleaned;
    for (const UChar32 c : points)
        cleaned.append(c);
    const int32_t checks = uspoof_checkUnicodeString(u.spoof.getAlias(), cleaned, nullptr, &status);
    if (U_FAILURE(status)) return refuse("the name cannot be checked");
    if (checks & USPOOF_INVISIBLE) return refuse("the name has one mark twice on a letter, which shows as once");
    if (checks & USPOOF_MIXED_NUMBERS) return refuse("the name mixes the digits of two scripts");
    *name = toUtf8(cleaned);
    return true;
}

std::string PlayerRules::foldName(const std::string &name)
{
    icu::UnicodeString text;
    if (!fromUtf8(name, &text)) text = icu::UnicodeString::fromUTF8(name);  // a stored name from before the rules
    const Unicode &u = unicode();
    // Case folded with NFKC (which also drops what draws nothing), then
    // Unicode's confusable skeleton (UTS #39). The skeleton tells a capital
    // I from an i only before case folding, where it makes the I an l: so
    // "PayPaI" passes for "PayPal" unless every i is an l here too, which
    // costs "Kai" and "Kal" being one name. A skeleton may hold capitals
    // ("0" is an "O") and folding them may make another skeleton, so this
    // goes on until the text stays as it is: then folding a key gives the
    // key. Every character of Unicode settles within four rounds.
    for (int round = 0; round < 8; ++round) {
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString folded, skeleton;
        u.nfkcCasefold->normalize(text, folded, status);
        uspoof_getSkeletonUnicodeString(u.spoof.getAlias(), 0, folded, skeleton, &status);
        if (U_FAILURE(status)) throw std::runtime_error(std::string("ICU cannot fold a name: ") + u_errorName(status));
        skeleton.findAndReplace(icu::UnicodeString(u"i"), icu::UnicodeString(u"l"));
        if (skeleton == text) break;
        text = skeleton;
    }
    return toUtf8(text);
}

std::string PlayerRules::foldVersion()
{
    UVersionInfo icu;
    u_getVersion(icu);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(icu, text);
    return std::string("1 icu ") + text;
}

bool PlayerRules::validKey(const std::string &key)
{
    if (key.size() != 32) return false;
    for (char c : key)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

std::vector<PlayerRules::Claim> PlayerRules::refold(std::vector<Claim> claims)
{
    std::stable_sort(claims.begin(), claims.end(), [](const Claim &a, const Claim &b) {
        return a.claimedAt != b.claimedAt ? a.claimedAt < b.claimedAt : a.name < b.name;
    });
    std::unordered_set<std::string> taken;
    std::vector<Claim> kept;
    for (Claim &claim : claims) {
        claim.folded = foldName(claim.name);
        if (taken.insert(claim.folded).second) kept.push_back(std::move(claim));
    }
    return kept;
}
