#include "assets/AssetLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "raylib.h"

namespace {

// The log's callback is a plain function, so it finds its collector here;
// the audio thread may log while loading starts or ends.
std::atomic<AssetLog *> g_active{nullptr};

// Long enough for the telling part of any driver's log; what is cut is marked.
constexpr std::size_t kMaxDetail = 400;

std::string formatted(const char *text, va_list args)
{
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, text, sizing);
    va_end(sizing);
    if (length < 0) return text;  // a format the C library rejects: keep it as it stands
    std::vector<char> buffer(std::size_t(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), text, args);
    return std::string(buffer.data(), std::size_t(length));
}

const char *levelPrefix(int level)
{
    switch (level) {
        case LOG_TRACE: return "TRACE: ";
        case LOG_DEBUG: return "DEBUG: ";
        case LOG_INFO: return "INFO: ";
        case LOG_WARNING: return "WARNING: ";
        case LOG_ERROR: return "ERROR: ";
        case LOG_FATAL: return "FATAL: ";
        default: return "";
    }
}

void printLine(const std::string &text)
{
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// raylib has already dropped what is below its log level.
void collect(int level, const char *text, va_list args)
{
    if (text == nullptr) return;
    std::string message = formatted(text, args);
    AssetLog *active = g_active.load();
    if (active && level >= LOG_WARNING && std::this_thread::get_id() == active->loader)
        active->warnings.push_back(std::move(message));
    else
        printLine(levelPrefix(level) + message);
}

// Keeps the detail on one line whatever bytes raylib passes on: anything
// outside printable ASCII could end the line for whoever reads it.
void appendOneLine(std::string &out, const std::string &text)
{
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const char kept = byte >= 0x20 && byte < 0x7f ? c : (c == '\n' || c == '\r' || c == '\t' ? ' ' : '?');
        if (kept == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += kept;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
}

}  // namespace

AssetLog::AssetLog()
{
    g_active = this;
    SetTraceLogCallback(collect);
}

AssetLog::~AssetLog()
{
    SetTraceLogCallback(nullptr);
    g_active = nullptr;
}

void AssetLog::report(const std::string &path)
{
    const std::string text = line(path, warnings);
    warnings.clear();
    if (!text.empty()) printLine(text);
}

std::string AssetLog::line(const std::string &path, const std::vector<std::string> &warnings)
{
    if (warnings.empty()) return {};
    std::string detail;
    for (const std::string &warning : warnings) {
        if (!detail.empty()) detail += " | ";
        appendOneLine(detail, warning);
    }
    if (detail.size() > kMaxDetail) detail = detail.substr(0, kMaxDetail - 3) + "...";
    return "WARNING: ASSET: [" + path + "] damaged or missing: " + detail;
}
