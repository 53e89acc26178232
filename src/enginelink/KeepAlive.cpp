#include "enginelink/KeepAlive.h"

#include <omniORB4/CORBA.h>
#include <omniORB4/omniInterceptors.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

namespace enginelink {
namespace {

bool SetInt(int socket, int level, int name, int value)
{
    return ::setsockopt(socket, level, name, &value, sizeof value) == 0;
}

// The port of an ORB address such as "giop:tcp:127.0.0.1:4711" or
// "giop:tcp:[::1]:4711"; 0 when there is none.
int PortOf(std::string_view address)
{
    const auto colon = address.rfind(':');
    if (colon == std::string_view::npos)
        return 0;
    int port = 0;
    const std::string_view digits = address.substr(colon + 1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    return ec == std::errc() && end == digits.data() + digits.size() && port > 0 && port < 65536 ? port : 0;
}

int PortOfName(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return 0;
}

// The ORB does not hand out its sockets, only the two addresses of a new
// connection: the one TCP socket of this process with both ports is it.
int FindConnectedSocket(int localPort, int peerPort)
{
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder)
        return -1;
    int found = -1;
    while (const dirent* entry = ::readdir(folder)) {
        int fd = -1;
        const std::string_view name(entry->d_name);
        const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), fd);
        if (ec != std::errc() || end != name.data() + name.size() || fd == ::dirfd(folder))
            continue;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode))
            continue;
        sockaddr_storage local {}, peer {};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0
            || ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
            continue;
        if (PortOfName(local) == localPort && PortOfName(peer) == peerPort) {
            found = fd;
            break;
        }
    }
    ::closedir(folder);
    return found;
}

CORBA::Boolean KeepNewConnectionAlive(_OMNI_NS(omniInterceptors)::clientOpenConnection_T::info_T& info)
{
    const int localPort = PortOf(info.myaddress() ? info.myaddress() : "");
    const int peerPort = PortOf(info.peeraddress() ? info.peeraddress() : "");
    if (localPort != 0 && peerPort != 0) {
        const int fd = FindConnectedSocket(localPort, peerPort);
        if (fd >= 0)
            SetTcpKeepAlive(fd);
    }
    return true; // never refuses the connection
}

} // namespace

bool SetTcpKeepAliveProbes(int socket)
{
    return SetInt(socket, IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveProbes);
}

bool SetTcpKeepAlive(int socket)
{
    bool ok = SetInt(socket, SOL_SOCKET, SO_KEEPALIVE, 1);
    ok = SetInt(socket, IPPROTO_TCP, TCP_KEEPIDLE, static_cast<int>(kKeepAliveIdle.count())) && ok;
    ok = SetInt(socket, IPPROTO_TCP, TCP_KEEPINTVL, static_cast<int>(kKeepAliveInterval.count())) && ok;
    return SetTcpKeepAliveProbes(socket) && ok;
}

void KeepOrbConnectionsAlive()
{
    static std::once_flag once;
    std::call_once(once, [] { omniORB::getInterceptors()->clientOpenConnection.add(&KeepNewConnectionAlive); });
}

} // namespace enginelink
