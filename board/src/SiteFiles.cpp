#include "SiteFiles.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

namespace fs = std::filesystem;

SiteFiles::SiteFiles(const std::string &folder)
{
    std::error_code error;
    root = fs::canonical(folder, error);
    if (error || !fs::is_directory(root, error)) root.clear();
}

const char *SiteFiles::contentType(const fs::path &file)
{
    // What the browser build (scripts/web.sh) and its page are made of, and
    // what a site beside it commonly holds. A wasm module must be served as
    // application/wasm for the browser to compile it while it downloads.
    static const std::pair<std::string_view, const char *> types[] = {
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json; charset=utf-8"},
        {".txt", "text/plain; charset=utf-8"},
        {".wasm", "application/wasm"},
        {".data", "application/octet-stream"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},
        {".webp", "image/webp"},
        {".svg", "image/svg+xml"},
        {".ico", "image/vnd.microsoft.icon"},
        {".webmanifest", "application/manifest+json"},
        {".woff2", "font/woff2"},
        {".ogg", "audio/ogg"},
        {".wav", "audio/wav"},
        {".mp3", "audio/mpeg"},
        {".map", "application/json; charset=utf-8"},
    };
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const auto &[known, type] : types)
        if (extension == known) return type;
    return "application/octet-stream";
}

std::optional<SiteFiles::Found> SiteFiles::find(const std::string &path) const
{
    if (root.empty() || path.empty() || path[0] != '/' || path.find('\0') != std::string::npos ||
        path.find('\\') != std::string::npos)
        return std::nullopt;
    // Every step of the path must name something inside; "." and ".." none.
    fs::path file = root;
    for (const fs::path &step : fs::path(path).relative_path()) {
        if (step == "." || step == "..") return std::nullopt;
        if (!step.empty()) file /= step;
    }
    std::error_code error;
    fs::path real = fs::canonical(file, error);
    if (error) return std::nullopt;
    // A symbolic link may lead anywhere: what it leads to must be inside too.
    const auto inside = [this](const fs::path &p) {
        return std::mismatch(root.begin(), root.end(), p.begin(), p.end()).first == root.end();
    };
    if (!inside(real)) return std::nullopt;
    if (fs::is_directory(real, error)) {
        if (path.back() != '/') return Found{};
        real = fs::canonical(real / "index.html", error);
        if (error || !inside(real)) return std::nullopt;
    }
    if (!fs::is_regular_file(real, error)) return std::nullopt;
    const std::uintmax_t size = fs::file_size(real, error);
    if (error) return std::nullopt;
    return Found{real.string(), contentType(real), size};
}
