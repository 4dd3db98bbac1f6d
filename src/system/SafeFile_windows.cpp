#include "system/SafeFile.h"

#include <windows.h>

#include <algorithm>

#include <filesystem>
#include <system_error>

#include "system/WidePath.h"

// Windows' side of SafeFile.h: wide (UTF-16) calls throughout, a temporary
// file opened for this save alone, flushed to the disk and moved over the
// old file with MoveFileExW, which on NTFS replaces it in one step.
namespace {

std::string lastError() { return std::system_category().message(int(GetLastError())); }

bool fail(std::string *why, const std::string &reason)
{
    if (why) *why = reason;
    return false;
}

// The temporary file, shared with no other opener but a rename: a second game
// saving at once waits until this save has moved it into place.
HANDLE openTemporary(const std::wstring &temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) return file;
        Sleep(10);
    }
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE file, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

// The player's AppData folder is theirs alone already, so ownerOnly asks nothing more.
bool WriteFileSafely(const char *path, const std::string &bytes, std::string *why, bool /*ownerOnly*/)
{
    const std::wstring target = WidePath(path);
    const std::filesystem::path parent = std::filesystem::path(target).parent_path();
    std::error_code error;
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, error);
        if (error) return fail(why, error.message());
    }
    const std::wstring temporary = target + L".tmp";
    const HANDLE file = openTemporary(temporary);
    if (file == INVALID_HANDLE_VALUE) return fail(why, "cannot create " + std::string(path) + ".tmp: " + lastError());
    // Flushed before the move, or a power loss could leave the new name on an empty file.
    std::string reason = writeAll(file, bytes) && FlushFileBuffers(file) ? "" : "write failed: " + lastError();
    // Moved while still open, so no other save can take the temporary file in between.
    if (reason.empty() &&
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        reason = lastError();
    CloseHandle(file);
    if (reason.empty()) return true;
    DeleteFileW(temporary.c_str());
    return fail(why, reason);
}

std::string MakeFolder(const std::string &dir)
{
    std::error_code error;
    const std::filesystem::path folder(WidePath(dir));
    std::filesystem::create_directories(folder, error);
    if (!error && std::filesystem::is_directory(folder, error)) return "";
    if (!error) error = std::make_error_code(std::errc::not_a_directory);
    return error.message();
}

bool ReadPlainFile(const char *path, std::size_t limit, std::string *text, std::string *problem)
{
    text->clear();
    if (problem) problem->clear();
    const HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
        // A folder does not open as a file at all (access is denied).
        const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return fail(problem, "it is not a plain file");
        SetLastError(code);
        return fail(problem, "it cannot be read: " + lastError());
    }
    // A pipe or a device is not read: it could hold the game forever.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return fail(problem, "it is not a plain file");
    }
    text->resize(limit + 1);
    std::size_t got = 0;
    bool ok = true;
    while (got < text->size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(text->size() - got, 1u << 30));
        ok = ReadFile(file, text->data() + got, chunk, &n, nullptr) != 0;
        if (!ok || n == 0) break;
        got += n;
    }
    const std::string reason = ok ? "" : "it cannot be read: " + lastError();
    CloseHandle(file);
    text->resize(ok ? got : 0);
    return reason.empty() || fail(problem, reason);
}

std::string ClaimNewFile(const std::string &path)
{
    const HANDLE file =
        CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS ? "taken" : lastError();
    CloseHandle(file);
    return "";
}

std::string MoveOver(const std::string &from, const std::string &to)
{
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? ""
               : lastError();
}
