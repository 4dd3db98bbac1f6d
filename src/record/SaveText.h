#pragma once

#include <string>
#include <vector>

// What the run's small save files share: a file read whole without trusting
// it, and lines of a name and a number.
namespace savetext {

// The largest number a save holds; anything bigger is damage.
constexpr int kMaxValue = 1000000000;

// True when the file at `path` was read whole into *text. A missing file is
// false with *problem cleared; a pipe, a directory, an unreadable or a huge
// file is false with *problem set to one line.
bool readSmallFile(const char *path, std::string *text, std::string *problem);
// The lines of `text`, each ended by '\n'; false when the last one is not,
// the sign of a cut write.
bool splitLines(const std::string &text, std::vector<std::string> *lines);
// Reads "name N" where N is a plain whole number from 0 to kMaxValue.
bool readNumber(const std::string &line, const std::string &name, int *value);
bool fail(std::string *problem, const std::string &why);

}  // namespace savetext
