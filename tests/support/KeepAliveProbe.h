#pragma once
// Reads the keep-alive options of this process's TCP socket that is connected
// to a loopback port, so that a test can see what a transport set on its link.
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <charconv>
#include <optional>
#include <string_view>

namespace e3test {

struct KeepAliveOptions {
    int on = 0;
    int idle = 0;     // seconds before the first probe
    int interval = 0; // seconds between probes
    int probes = 0;   // unanswered probes before the link is dropped
};

inline std::optional<KeepAliveOptions> KeepAliveOfConnectionTo(int peerPort)
{
    std::optional<KeepAliveOptions> found;
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return found;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name(entry->d_name);
        int fd = -1;
        const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), fd);
        if (ec != std::errc() || end != name.data() + name.size())
            continue;
        struct stat st {};
        sockaddr_in peer {};
        socklen_t size = sizeof peer;
        if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)
            || ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0 || peer.sin_family != AF_INET
            || ntohs(peer.sin_port) != peerPort)
            continue;
        KeepAliveOptions options;
        socklen_t length = sizeof(int);
        ::getsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &options.on, &length);
        ::getsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &options.idle, &length);
        ::getsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &options.interval, &length);
        ::getsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &options.probes, &length);
        found = options;
        break;
    }
    ::closedir(folder);
    return found;
}

} // namespace e3test
