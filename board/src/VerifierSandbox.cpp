#include "VerifierSandbox.h"

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0) close(fd);
    }
};

// Waits until `fd` is readable; false when it hangs up instead or `deadline` passes.
bool readable(int fd, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd wait{fd, POLLIN, 0};
        const int ready = poll(&wait, 1, int(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) return false;
        if (ready > 0) return (wait.revents & POLLIN) != 0;
    }
}

bool mayEnter(const struct stat &st, uid_t uid, gid_t gid)
{
    if (uid == 0) return true;
    if (st.st_uid == uid) return (st.st_mode & S_IXUSR) != 0;
    if (st.st_gid == gid) return (st.st_mode & S_IXGRP) != 0;
    return (st.st_mode & S_IXOTH) != 0;
}

}  // namespace

std::optional<VerifierSandbox::User> VerifierSandbox::User::find(const std::string &name, std::string *error)
{
    // The package makes its own user (board/packaging/postinst); nobody owns nothing.
    const std::vector<std::string> candidates =
        name.empty() ? std::vector<std::string>{"tallowfen-board", "nobody"} : std::vector<std::string>{name};
    for (const std::string &candidate : candidates) {
        passwd entry{}, *found = nullptr;
        std::vector<char> buffer(16384);
        if (getpwnam_r(candidate.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
            continue;
        if (found->pw_uid == 0) {
            *error = "the verifier does not run as root (" + candidate + ")";
            return std::nullopt;
        }
        return User{candidate, found->pw_uid, found->pw_gid};
    }
    *error = name.empty() ? "no user tallowfen-board or nobody to run the verifier as" : "no user " + name;
    return std::nullopt;
}

std::string VerifierSandbox::User::barrier(const std::string &path) const
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path whole = fs::weakly_canonical(fs::absolute(path, error), error);
    const fs::path parts = whole.relative_path();
    fs::path along = whole.root_path();
    for (auto part = parts.begin();; ++part) {
        struct stat st {};
        if (stat(along.c_str(), &st) != 0 || !mayEnter(st, uid, gid)) return along.string();
        if (part == parts.end()) return "";
        along /= *part;
    }
}

const std::vector<sock_filter> &VerifierSandbox::filter()
{
    static const std::vector<sock_filter> program = [] {
        scmp_filter_ctx context = seccomp_init(SCMP_ACT_ALLOW);
        if (context == nullptr) throw std::runtime_error("libseccomp cannot make a filter");
        int failed = 0;
        for (const int call : {SCMP_SYS(fork), SCMP_SYS(vfork)})
            failed |= seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), call, 0);
        // A thread dies with its process; anything else cloned is a process of its own.
        failed |= seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(clone), 1,
                                   SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0));
        // clone3 passes its flags in memory, out of the filter's sight: ENOSYS
        // sends the C library back to clone, whose flags it can read.
        failed |= seccomp_rule_add(context, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0);
        for (const int call : {SCMP_SYS(execve), SCMP_SYS(execveat)})
            failed |= seccomp_rule_add(context, SCMP_ACT_NOTIFY, call, 0);
        Fd memory{memfd_create("verifier-filter", MFD_CLOEXEC)};
        if (failed == 0 && memory.fd >= 0) failed = seccomp_export_bpf(context, memory.fd);
        seccomp_release(context);
        std::vector<sock_filter> out;
        const off_t size = memory.fd >= 0 ? lseek(memory.fd, 0, SEEK_END) : -1;
        if (failed == 0 && size > 0 && size % off_t(sizeof(sock_filter)) == 0) {
            out.resize(std::size_t(size) / sizeof(sock_filter));
            if (pread(memory.fd, out.data(), std::size_t(size), 0) != size) out.clear();
        }
        if (out.empty()) throw std::runtime_error("libseccomp cannot make the verifier's filter");
        return out;
    }();
    return program;
}

const char *VerifierSandbox::become(const User &user)
{
    // The raw calls change this thread alone, which is the whole of the child;
    // the C library's would signal threads that were not forked.
    if (syscall(SYS_setgroups, 0, nullptr) != 0) return "it cannot drop the server's groups";
    if (syscall(SYS_setresgid, user.gid, user.gid, user.gid) != 0) return "it cannot take its user's group";
    if (syscall(SYS_setresuid, user.uid, user.uid, user.uid) != 0) return "it cannot become its user";
    uid_t r = 0, e = 0, s = 0;
    gid_t rg = 0, eg = 0, sg = 0;
    if (getresuid(&r, &e, &s) != 0 || r != user.uid || e != user.uid || s != user.uid) return "it is still root";
    if (getresgid(&rg, &eg, &sg) != 0 || rg != user.gid || eg != user.gid || sg != user.gid) return "it kept a group";
    if (getgroups(0, nullptr) != 0) return "it kept the server's groups";
    return nullptr;
}

const char *VerifierSandbox::confine(int socket)
{
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return "it cannot give up new privileges";
    const std::vector<sock_filter> &made = filter();  // made before the fork: only read here
    const sock_fprog program{(unsigned short)made.size(), const_cast<sock_filter *>(made.data())};
    Fd listener{int(syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &program))};
    if (listener.fd < 0) return "it cannot install its seccomp filter";
    char byte = 0;
    iovec data{&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr *rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &listener.fd, sizeof(int));
    if (sendmsg(socket, &message, MSG_NOSIGNAL) != 1) return "it cannot hand its filter to the server";
    return nullptr;
}

bool VerifierSandbox::admitFirstExec(int socket, pid_t child, std::chrono::steady_clock::time_point deadline)
{
    if (!readable(socket, deadline)) return false;
    char byte = 0;
    iovec data{&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (recvmsg(socket, &message, MSG_CMSG_CLOEXEC) != 1) return false;  // it ended first
    const cmsghdr *rights = CMSG_FIRSTHDR(&message);
    if (rights == nullptr || rights->cmsg_level != SOL_SOCKET || rights->cmsg_type != SCM_RIGHTS ||
        rights->cmsg_len != CMSG_LEN(sizeof(int)))
        return false;
    Fd listener;  // closed on return: from then on the kernel refuses every exec
    std::memcpy(&listener.fd, CMSG_DATA(rights), sizeof(int));
    if (!readable(listener.fd, deadline)) return false;
    seccomp_notif *request = nullptr;
    seccomp_notif_resp *response = nullptr;
    if (seccomp_notify_alloc(&request, &response) != 0) return false;
    bool admitted = false;
    if (seccomp_notify_receive(listener.fd, request) == 0) {
        // The child's own exec: nothing else of it has run yet.
        admitted = request->pid == __u32(child);
        response->id = request->id;
        response->val = 0;
        response->error = admitted ? 0 : -EPERM;
        response->flags = admitted ? SECCOMP_USER_NOTIF_FLAG_CONTINUE : 0;
        admitted = seccomp_notify_respond(listener.fd, response) == 0 && admitted;
    }
    seccomp_notify_free(request, response);
    return admitted;
}
