#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// The browser build's folder as the board serves it at /: a path finds a
// regular file inside the folder, never above it (no "..", no symbolic link
// leading out), a folder its index.html, and each file its Content-Type.
class SiteFiles {
public:
    explicit SiteFiles(const std::string &folder);

    // What a decoded request path finds.
    struct Found {
        std::string file;  // the file to send, or "" for a folder named without its '/'
        std::string contentType;
        std::uintmax_t size = 0;
    };
    std::optional<Found> find(const std::string &path) const;

    // By the name's extension; application/octet-stream for any other.
    static const char *contentType(const std::filesystem::path &file);

    std::filesystem::path root;  // canonical; empty when the folder is missing
};
