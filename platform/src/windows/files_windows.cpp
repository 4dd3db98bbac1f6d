// Files and folders on Windows, through the wide (UTF-16) calls, so paths in
// any script work; the layer's paths are UTF-8 throughout.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <string>

#include "backend/files.h"
#include "raylib.h"
#include "wide.h"

namespace rlp::files {

int OpenToRead(const char *path)
{
    const int fd = _wopen(windows::Widen(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    struct _stat64 info {};
    if (fd < 0 || _fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        if (fd >= 0) _close(fd);
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to open file", path);
        return -1;
    }
    if (info.st_size == 0) {
        _close(fd);
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to read file", path);
        return -1;
    }
    return fd;
}

void Close(int descriptor) { _close(descriptor); }

}  // namespace rlp::files

extern "C" {

// The folder of the running program, with forward slashes and ending in one
// ("C:/Games/Tallowfen/"); "./" when Windows will not say.
const char *GetApplicationDirectory(void)
{
    static const std::string directory = [] {
        std::wstring path(32768, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0 || length >= path.size()) return std::string("./");
        path.resize(length);
        std::string exe = rlp::windows::Narrow(path.c_str());
        for (char &c : exe)
            if (c == '\\') c = '/';
        const std::size_t slash = exe.rfind('/');
        return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
    }();
    return directory.c_str();
}

bool ChangeDirectory(const char *dir)
{
    if (dir == nullptr || !SetCurrentDirectoryW(rlp::windows::Widen(dir).c_str())) {
        TraceLog(LOG_WARNING, "SYSTEM: Failed to change to directory: %s", dir ? dir : "(null)");
        return false;
    }
    return true;
}

bool DirectoryExists(const char *dirPath)
{
    if (dirPath == nullptr) return false;
    const DWORD attributes = GetFileAttributesW(rlp::windows::Widen(dirPath).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Like raylib, true for anything that exists at the path, folders too.
bool FileExists(const char *fileName)
{
    return fileName != nullptr && GetFileAttributesW(rlp::windows::Widen(fileName).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // extern "C"
