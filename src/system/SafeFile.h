#pragma once

#include <cstddef>
#include <string>

// Crash-safe replacement of a small file, and reading one without trusting it: the bytes go to a locked temporary
// file beside it, are synced, and are renamed over the old file, so a reader
// only ever sees the old content or the whole new one.
//
// Creates the parent directories when needed. Returns false and sets *why
// (when given) to a one-line reason when the file could not be written; the
// caller decides how to report it. Prints nothing. With `ownerOnly` the file
// is readable and writable by its owner alone, from before its first byte.
bool WriteFileSafely(const char *path, const std::string &bytes, std::string *why, bool ownerOnly = false);

// Makes a folder and its parents when missing: "" when it is there, else why
// not (a file standing in the way counts as "Not a directory").
std::string MakeFolder(const std::string &dir);

// Reads the plain file at `path` into *text, at most `limit` + 1 bytes, so a
// caller sees that a file is too long without reading all of it. A missing
// file is false with *problem (when given) cleared; anything but a plain file
// (a pipe, which would block the read, a device, a folder) or a file that
// cannot be read is false with a one-line reason.
bool ReadPlainFile(const char *path, std::size_t limit, std::string *text, std::string *problem);

// Makes `path` an empty file only when nothing has that name yet, so two
// savers racing for one name never share it: "" when made, "taken" when the
// name is in use, else why it could not be made.
std::string ClaimNewFile(const std::string &path);

// Moves the file `from` onto `to`, replacing what is there: "" or why not.
std::string MoveOver(const std::string &from, const std::string &to);
