#include "ScratchFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0) close(fd);
    }
};

// A folder whose lock another process holds belongs to a living server.
bool living(const fs::path &folder)
{
    Fd lock{open((folder / "lock").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
    return lock.fd >= 0 && flock(lock.fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

}  // namespace

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
    if (lock >= 0) close(lock);
}

bool ScratchFolder::make(const std::string &rootName, const VerifierSandbox::User *user, std::string *error)
{
    const fs::path root = rootName;
    std::error_code failure;
    fs::create_directories(root, failure);
    struct stat st {};
    if (failure || lstat(root.c_str(), &st) != 0) {
        *error = "cannot make " + root.string() + ": " + (failure ? failure.message() : "it is gone");
        return false;
    }
    // Another user's folder, or a link to one, could be made to hold anything.
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
        *error = "cannot use " + root.string() + ": it is not a folder of this user's";
        return false;
    }
    // The verifier's user passes through on its way to this server's folder, and sees nothing else.
    Fd rootLock{open((root / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)};
    if (chmod(root.c_str(), user ? 0711 : 0700) != 0 || rootLock.fd < 0 || flock(rootLock.fd, LOCK_EX) != 0) {
        *error = "cannot lock " + root.string() + ": " + std::generic_category().message(errno);
        return false;
    }
    // Held, that lock means no other server is between its folder and its lock: everything
    // here but the living servers' folders was left by a server that died.
    std::vector<fs::path> left;
    for (fs::directory_iterator entry(root, failure), end; !failure && entry != end; entry.increment(failure)) {
        std::error_code ignored;
        if (entry->path().filename() == "lock") continue;
        if (entry->is_directory(ignored) && !entry->is_symlink(ignored) && living(entry->path())) continue;
        left.push_back(entry->path());
    }
    for (const fs::path &gone : left)
        fs::remove_all(gone, failure);
    std::string made = (root / "board-XXXXXX").string();
    if (mkdtemp(made.data()) == nullptr) {
        *error = "cannot make a folder in " + root.string() + ": " + std::generic_category().message(errno);
        return false;
    }
    path = made;
    lock = open((fs::path(path) / "lock").c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (lock < 0 || flock(lock, LOCK_EX | LOCK_NB) != 0) {
        *error = "cannot lock " + path + ": " + std::generic_category().message(errno);
        return false;
    }
    if (user == nullptr) return true;
    if (chown(path.c_str(), uid_t(-1), user->gid) != 0 || chmod(path.c_str(), 0710) != 0) {
        *error = "cannot give " + path + " to " + user->name + ": " + std::generic_category().message(errno);
        return false;
    }
    const std::string barrier = user->barrier(path);
    if (!barrier.empty()) {
        *error = "the verifier's user " + user->name + " cannot enter " + barrier;
        return false;
    }
    return true;
}
