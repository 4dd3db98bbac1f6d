// Files and directories through POSIX calls, as on Linux and in
// emscripten's file system alike: none of these needs a window.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string>

#include "backend/files.h"
#include "raylib.h"

namespace rlp::files {

int OpenToRead(const char *path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) close(fd);
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to open file", path);
        return -1;
    }
    if (info.st_size == 0) {
        close(fd);
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to read file", path);
        return -1;
    }
    return fd;
}

void Close(int descriptor) { close(descriptor); }

}  // namespace rlp::files

extern "C" {

// The directory of the running executable, ending in a slash; "./" when the
// system will not say.
const char *GetApplicationDirectory(void)
{
    // The executable does not move, so the answer is worked out once and the
    // pointer stays valid.
    static const std::string directory = [] {
        std::array<char, 4096> path{};
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
        const std::string exe = length > 0 ? std::string(path.data(), std::size_t(length)) : std::string();
        const std::size_t slash = exe.rfind('/');
        return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
    }();
    return directory.c_str();
}

bool ChangeDirectory(const char *dir)
{
    if (dir == nullptr || chdir(dir) != 0) {
        TraceLog(LOG_WARNING, "SYSTEM: Failed to change to directory: %s", dir ? dir : "(null)");
        return false;
    }
    return true;
}

bool DirectoryExists(const char *dirPath)
{
    struct stat info {};
    return dirPath != nullptr && stat(dirPath, &info) == 0 && S_ISDIR(info.st_mode);
}

// Like raylib, true for anything that exists at the path, directories too.
bool FileExists(const char *fileName) { return fileName != nullptr && access(fileName, F_OK) == 0; }

}  // extern "C"
