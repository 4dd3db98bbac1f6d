#include "record/SaveText.h"

#include <charconv>
#include <system_error>

#include "system/SafeFile.h"

namespace savetext {

namespace {

// A real save is well under a hundred bytes; anything far bigger is not ours.
constexpr std::size_t kMaxBytes = 4096;

}  // namespace

bool fail(std::string *problem, const std::string &why)
{
    if (problem) *problem = why;
    return false;
}

bool readSmallFile(const char *path, std::string *text, std::string *problem)
{
    if (!ReadPlainFile(path, kMaxBytes, text, problem)) return false;
    if (text->size() > kMaxBytes) return fail(problem, "it is far too large");
    return true;
}

bool splitLines(const std::string &text, std::vector<std::string> *lines)
{
    lines->clear();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) return false;
        lines->push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

bool readNumber(const std::string &line, const std::string &name, int *value)
{
    const std::string prefix = name + " ";
    if (line.size() <= prefix.size() || line.compare(0, prefix.size(), prefix) != 0) return false;
    const char *first = line.data() + prefix.size();
    const char *last = line.data() + line.size();
    long long number = -1;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || *first == '-' || *first == '+') return false;
    if (number > kMaxValue) return false;
    *value = int(number);
    return true;
}

}  // namespace savetext
