#include "core/GameSettings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

bool reportFailure(const char *path, const std::string &why)
{
    std::cout << "Error: Could not save settings to " << path << ": " << why << std::endl;
    return false;
}

std::string lastError() { return std::strerror(errno); }

// Goes on after a short write, which a nearly full disk or a file size limit
// can cause; false on a real error.
bool writeAll(int fd, const char *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Opens the temporary file locked for this save alone. Two games saving at
// once share its name, so each waits for the lock and then checks that the
// file is still the one under that name: the other save may have renamed it
// into place meanwhile, and writing into it then would tear the saved file.
// A file left by a save that was killed is simply taken over.
int openLockedTemporary(const std::string &temporary)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return -1;
        struct stat opened {
        }, named{};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &opened) == 0 && ::stat(temporary.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
            return fd;
        const int why = errno;
        ::close(fd);
        errno = why;
    }
    errno = EBUSY;
    return -1;
}

}  // namespace

bool GameSettings::saveToFile(const char *path) const
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code error;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
        if (error) return reportFailure(path, error.message());
    }
    const std::string temporary = target.string() + ".tmp";
    const int fd = openLockedTemporary(temporary);
    if (fd < 0) return reportFailure(path, "cannot create " + temporary + ": " + lastError());

    const char bytes[3] = {music ? '1' : '0', sound ? '1' : '0', screenshake ? '1' : '0'};
    // Synced before the rename, or a power loss could leave the new name on
    // an empty file.
    const bool written = ::ftruncate(fd, 0) == 0 && writeAll(fd, bytes, sizeof bytes) && ::fsync(fd) == 0;
    std::string why = written ? "" : "write failed: " + lastError();
    if (written && ::rename(temporary.c_str(), path) != 0) why = lastError();
    if (!why.empty()) ::unlink(temporary.c_str());  // still locked, so it is ours to remove
    ::close(fd);
    if (!why.empty()) return reportFailure(path, why);

    // The rename lives in the directory: sync it too so it outlasts a power
    // loss. The file is saved whatever this returns.
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    return true;
}

void GameSettings::loadFromFile(const char *path)
{
    std::ifstream in(path);
    if (!in) return;
    for (bool *flag : {&music, &sound, &screenshake}) {
        char c = 0;
        if (!(in >> c)) return;  // the file ended: the rest keep their values
        if (c == '1') *flag = true;
        if (c == '0') *flag = false;
    }
}
