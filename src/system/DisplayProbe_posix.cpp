#include "system/DisplayProbe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kConnectTimeoutMs = 2000;

// Connects with a time limit, so an unanswering host cannot hang start-up.
bool connects(int fd, const sockaddr *address, socklen_t length)
{
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    if (connect(fd, address, length) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd waiting{fd, POLLOUT, 0};
    if (poll(&waiting, 1, kConnectTimeoutMs) != 1) return false;
    int error = 0;
    socklen_t size = sizeof(error);
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

// A local socket by path; `abstract` names one in Linux's abstract namespace.
bool unixSocketAccepts(const std::string &path, bool abstract)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    const bool ok = connects(fd, reinterpret_cast<const sockaddr *>(&address), length);
    close(fd);
    return ok;
}

bool tcpAccepts(const std::string &host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
    bool ok = false;
    for (addrinfo *a = found; a != nullptr && !ok; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) continue;
        ok = connects(fd, a->ai_addr, a->ai_addrlen);
        close(fd);
    }
    freeaddrinfo(found);
    return ok;
}

// DISPLAY is "[host]:number[.screen]".
bool xDisplayReachable(const std::string &display)
{
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    const int number = std::atoi(display.c_str() + colon + 1);
    if (number < 0) return false;
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        return unixSocketAccepts(path, true) || unixSocketAccepts(path, false);
    }
    return tcpAccepts(host, 6000 + number);
}

bool waylandDisplayReachable(const std::string &display)
{
    if (!display.empty() && display[0] == '/') return unixSocketAccepts(display, false);
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && unixSocketAccepts(std::string(runtime) + "/" + display, false);
}

}  // namespace

bool DisplayReachable()
{
    const char *x = std::getenv("DISPLAY");
    if (x != nullptr && *x != '\0' && xDisplayReachable(x)) return true;
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    return wayland != nullptr && *wayland != '\0' && waylandDisplayReachable(wayland);
}
