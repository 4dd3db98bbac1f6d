// UTF-8, the layer's and the game's encoding for every path, to and from the
// UTF-16 that Windows' wide calls take, so any folder name works.
#pragma once

// Only the kernel's part of windows.h: its user and GDI parts define macros
// (DrawText, LoadImage, Rectangle, CloseWindow) that clash with raylib.h.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#define NOGDI
#define NOUSER
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace rlp::windows {

inline std::wstring Widen(const char *utf8)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
    wide.resize(std::size_t(length) - 1);
    return wide;
}

inline std::string Narrow(const wchar_t *wide)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string utf8(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), length, nullptr, nullptr);
    utf8.resize(std::size_t(length) - 1);
    return utf8;
}

}  // namespace rlp::windows
