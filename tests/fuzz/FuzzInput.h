// Hands a fuzz input to readers that only take a file name: one private
// directory a process and one file a target, rewritten on every input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzz {

inline const std::string &TempDir()
{
    // Never destroyed, so the exit handler below can still read it.
    static const std::string &dir = *new std::string([] {
        // Memory-backed when the machine has it: every input is written out.
        const char *base = std::getenv("TMPDIR");
        if (base == nullptr || base[0] == '\0') base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/tallowfen-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        // A crash leaves the directory behind with the input that did it.
        std::atexit([] { std::filesystem::remove_all(TempDir()); });
        return pattern;
    }());
    return dir;
}

// Writes the bytes to TempDir()/name and returns its path.
inline const char *WriteInput(const std::string &name, const std::uint8_t *data, std::size_t size)
{
    static std::string path;
    path = TempDir() + "/" + name;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path.c_str();
}

}  // namespace fuzz
