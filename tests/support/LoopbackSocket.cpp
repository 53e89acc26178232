#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <memory>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace e3test {

LoopbackSocket::LoopbackSocket(bool listen)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        Close();
        throw std::runtime_error("cannot bind a loopback socket");
    }
    port_ = ntohs(a.sin_port);
    if (listen)
        Listen(8);
}

void LoopbackSocket::Listen(int backlog)
{
    if (::listen(fd_, backlog) != 0)
        throw std::runtime_error("cannot listen on a loopback socket");
}

void LoopbackSocket::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int FreeLoopbackPort()
{
    return LoopbackSocket(false).Port();
}

std::vector<int> FreeLoopbackPorts(int n)
{
    std::vector<std::unique_ptr<LoopbackSocket>> held;
    std::vector<int> ports;
    for (int i = 0; i < n; ++i) {
        held.push_back(std::make_unique<LoopbackSocket>(false));
        ports.push_back(held.back()->Port());
    }
    return ports;
}

} // namespace e3test
