#include "ScriptedProxy.h"

#include <chrono>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <unistd.h>

namespace e3test {

ScriptedProxy::ScriptedProxy(std::vector<Step> steps) : steps_(std::move(steps))
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 8) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ::pipe2(wakeFd_, O_CLOEXEC) != 0)
        throw std::runtime_error("scripted proxy: no listening socket");
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
}

ScriptedProxy::~ScriptedProxy()
{
    (void)!::write(wakeFd_[1], "x", 1);
    thread_.join();
    ::close(listenFd_);
    ::close(wakeFd_[0]);
    ::close(wakeFd_[1]);
}

std::vector<ScriptedProxy::Request> ScriptedProxy::requests() const
{
    std::lock_guard guard(mutex_);
    return requests_;
}

int ScriptedProxy::connections() const
{
    std::lock_guard guard(mutex_);
    return connections_;
}

void ScriptedProxy::Run()
{
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int connection;
        {
            std::lock_guard guard(mutex_);
            connection = ++connections_;
        }
        const bool stop = Serve(fd, connection);
        ::close(fd);
        if (stop)
            return;
    }
}

// True when the test is over.
bool ScriptedProxy::Serve(int fd, int connection)
{
    std::string in;
    bool tunnel = false;
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return true;
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        if (tunnel) {
            (void)!::send(fd, buffer, static_cast<size_t>(n), MSG_NOSIGNAL);
            continue;
        }
        in.append(buffer, static_cast<size_t>(n));
        size_t end;
        while (!tunnel && (end = in.find("\r\n\r\n")) != std::string::npos) {
            Step step;
            {
                std::lock_guard guard(mutex_);
                requests_.push_back({connection, in.substr(0, end + 4)});
                if (next_ < steps_.size())
                    step = steps_[next_++];
                else
                    step.closeAfter = true;
            }
            in.erase(0, end + 4);
            if (step.parts.empty())
                step.parts.push_back(step.reply);
            for (size_t i = 0; i < step.parts.size(); ++i) {
                if (i > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                (void)!::send(fd, step.parts[i].data(), step.parts[i].size(), MSG_NOSIGNAL);
            }
            if (step.closeAfter)
                return false;
            tunnel = step.tunnel;
        }
    }
}

} // namespace e3test
