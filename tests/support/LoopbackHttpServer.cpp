#include "support/LoopbackHttpServer.h"

#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace e3test {
namespace {

const char* ReasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

// Waits until fd is readable; false when the server is stopping.
bool WaitReadable(int fd, int wakeFd)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    while (true) {
        int n = ::poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[1].revents & POLLIN))
            return false;
        if (fds[0].revents)
            return true;
    }
}

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += std::size_t(n);
    }
    return true;
}

// The value of header name in the header block, empty when missing.
std::string HeaderValue(const std::string& head, const char* name)
{
    const std::string key = std::string("\r\n") + name + ":";
    std::size_t pos = 0;
    while ((pos = head.find("\r\n", pos)) != std::string::npos) {
        if (strncasecmp(head.c_str() + pos, key.c_str(), key.size()) == 0) {
            std::size_t begin = pos + key.size();
            std::size_t end = head.find("\r\n", begin);
            std::string value = head.substr(begin, end - begin);
            value.erase(0, value.find_first_not_of(' '));
            return value;
        }
        pos += 2;
    }
    return {};
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer()
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (listenFd_ < 0 || wakeFd_ < 0)
        throw std::runtime_error("LoopbackHttpServer: no socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("LoopbackHttpServer: cannot listen");
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    const uint64_t one = 1;
    (void)!::write(wakeFd_, &one, sizeof one);
    acceptor_.join();
    for (auto& worker : workers_)
        worker.join();
    ::close(listenFd_);
    ::close(wakeFd_);
}

int LoopbackHttpServer::UnusedPort()
{
    return FreeLoopbackPort();
}

void LoopbackHttpServer::queueReply(Reply reply)
{
    std::lock_guard<std::mutex> guard(mutex_);
    queue_.push_back(std::move(reply));
}

void LoopbackHttpServer::setDefaultReply(Reply reply)
{
    std::lock_guard<std::mutex> guard(mutex_);
    defaultReply_ = std::move(reply);
}

std::vector<std::string> LoopbackHttpServer::requests() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_;
}

std::vector<std::chrono::steady_clock::time_point> LoopbackHttpServer::requestTimes() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return times_;
}

LoopbackHttpServer::Reply LoopbackHttpServer::nextReply()
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (queue_.empty())
        return defaultReply_;
    Reply reply = std::move(queue_.front());
    queue_.pop_front();
    return reply;
}

void LoopbackHttpServer::acceptLoop()
{
    while (WaitReadable(listenFd_, wakeFd_)) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++connections_;
        workers_.emplace_back([this, fd] {
            serve(fd);
            ::close(fd);
        });
    }
}

void LoopbackHttpServer::serve(int fd)
{
    std::string buffer;
    char chunk[65536];
    // False once the peer is gone or the server stops.
    const auto readMore = [&] {
        if (!WaitReadable(fd, wakeFd_))
            return false;
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer.append(chunk, std::size_t(n));
        return true;
    };
    while (true) {
        // One request: the header block, then Content-Length bytes of body.
        std::size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!readMore())
                return;
        }
        const std::string head = buffer.substr(0, headEnd + 2);
        const std::size_t length = std::stoul("0" + HeaderValue(head, "Content-Length"));
        const std::size_t total = headEnd + 4 + length;
        while (buffer.size() < total) {
            if (!readMore())
                return;
        }
        {
            std::lock_guard<std::mutex> guard(mutex_);
            requests_.push_back(buffer.substr(0, total));
            times_.push_back(std::chrono::steady_clock::now());
        }
        buffer.erase(0, total);

        const Reply reply = nextReply();
        if (reply.closeWithoutReply)
            return;
        const bool keepAlive = strcasecmp(HeaderValue(head, "Connection").c_str(), "keep-alive") == 0;
        std::string out = "HTTP/1.0 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) + "\r\n";
        if (!reply.contentType.empty())
            out += "Content-Type: " + reply.contentType + "\r\n";
        out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
        if (keepAlive)
            out += "Connection: keep-alive\r\n";
        out += "\r\n";
        out += reply.body;
        if (!SendAll(fd, out) || !keepAlive || reply.closeAfterReply)
            return;
    }
}

} // namespace e3test
