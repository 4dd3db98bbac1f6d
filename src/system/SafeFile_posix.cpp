#include "system/SafeFile.h"

#include "system/BrowserPage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string lastError() { return std::strerror(errno); }

bool fail(std::string *why, const std::string &reason)
{
    if (why) *why = reason;
    return false;
}

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
        const int reason = errno;
        ::close(fd);
        errno = reason;
    }
    errno = EBUSY;
    return -1;
}

}  // namespace

bool WriteFileSafely(const char *path, const std::string &bytes, std::string *why, bool ownerOnly)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code error;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
        if (error) return fail(why, error.message());
    }
    const std::string temporary = target.string() + ".tmp";
    const int fd = openLockedTemporary(temporary);
    if (fd < 0) return fail(why, "cannot create " + temporary + ": " + lastError());
    // Before a byte is written, so a secret is never readable by others.
    if (ownerOnly && ::fchmod(fd, 0600) != 0) {
        const std::string reason = lastError();
        ::close(fd);
        return fail(why, "cannot make " + temporary + " private: " + reason);
    }

    // Synced before the rename, or a power loss could leave the new name on
    // an empty file.
    const bool written = ::ftruncate(fd, 0) == 0 && writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    std::string reason = written ? "" : "write failed: " + lastError();
    if (written && ::rename(temporary.c_str(), path) != 0) reason = lastError();
    if (!reason.empty()) ::unlink(temporary.c_str());  // still locked, so it is ours to remove
    ::close(fd);
    if (!reason.empty()) return fail(why, reason);

    // The rename lives in the directory: sync it too so it outlasts a power
    // loss. The file is saved whatever this returns.
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    BrowserPage::persistSaves();
    return true;
}

std::string MakeFolder(const std::string &dir)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!error && std::filesystem::is_directory(dir, error)) return "";
    if (!error) error = std::make_error_code(std::errc::not_a_directory);
    return error.message();
}

bool ReadPlainFile(const char *path, std::size_t limit, std::string *text, std::string *problem)
{
    text->clear();
    if (problem) problem->clear();
    // Opened without blocking and looked at before any read: a pipe or a
    // device could hold the game forever.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? false : fail(problem, "it cannot be read: " + lastError());
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(problem, "it is not a plain file");
    }
    text->resize(limit + 1);
    std::size_t got = 0;
    ssize_t n = 0;
    while (got < text->size() && (n = ::read(fd, text->data() + got, text->size() - got)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        got += static_cast<std::size_t>(n);
    }
    const std::string reason = n < 0 ? "it cannot be read: " + lastError() : "";
    ::close(fd);
    text->resize(n < 0 ? 0 : got);
    return reason.empty() || fail(problem, reason);
}

std::string ClaimNewFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? "taken" : lastError();
    ::close(fd);
    return "";
}

std::string MoveOver(const std::string &from, const std::string &to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? "" : lastError();
}
