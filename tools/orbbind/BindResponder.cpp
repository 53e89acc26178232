#include "BindResponder.h"

#include "enginelink/Cdr.h"
#include "enginelink/OrbBind.h"

#include <cerrno>
#include <fcntl.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace orbbind {
namespace {

namespace cdr = enginelink::cdr;

// Bind requests are small; a client that sends more is not one of ours.
constexpr std::uint32_t kMaxRequestBody = 64 * 1024;

std::runtime_error SystemError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

BindResponder::BindResponder(const std::string& host, int port, std::map<std::string, std::string> objects)
    : objects_(std::move(objects))
{
    for (const auto& [id, reference] : objects_) {
        if (!cdr::IorFromString(reference))
            throw std::invalid_argument("not a stringified object reference for " + id);
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0)
        throw std::runtime_error("cannot resolve " + host + ": " + ::gai_strerror(rc));
    std::string failure = "no address for " + host;
    for (addrinfo* a = found; a && listenFd_ < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 16) == 0) {
            listenFd_ = fd;
            break;
        }
        failure = "cannot listen on " + host + ":" + service + ": " + std::strerror(errno);
        ::close(fd);
    }
    ::freeaddrinfo(found);
    if (listenFd_ < 0)
        throw std::runtime_error(failure);

    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        ::close(listenFd_);
        throw SystemError("getsockname");
    }
    port_ = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                        : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    if (::pipe2(wakeFds_, O_CLOEXEC) != 0) {
        ::close(listenFd_);
        throw SystemError("pipe");
    }
    thread_ = std::thread([this] { Run(); });
}

BindResponder::~BindResponder()
{
    const char stop = 's';
    while (::write(wakeFds_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    ::close(wakeFds_[0]);
    ::close(wakeFds_[1]);
    ::close(listenFd_);
}

int BindResponder::Port() const
{
    return port_;
}

std::vector<std::string> BindResponder::Requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

void BindResponder::Run()
{
    std::vector<Connection> connections;
    std::vector<pollfd> polled;
    for (;;) {
        polled.clear();
        polled.push_back({wakeFds_[0], POLLIN, 0});
        polled.push_back({listenFd_, POLLIN, 0});
        for (const auto& c : connections)
            polled.push_back({c.fd, POLLIN, 0});
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (polled[0].revents != 0)
            break;
        // Connections first: the indices of polled match connections only
        // until one is accepted or closed.
        std::vector<Connection> kept;
        kept.reserve(connections.size() + 1);
        for (std::size_t i = 0; i < connections.size(); ++i) {
            Connection& c = connections[i];
            bool open = true;
            if (polled[i + 2].revents != 0) {
                char buffer[4096];
                const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
                if (n > 0) {
                    c.pending.append(buffer, static_cast<std::size_t>(n));
                    open = Serve(c);
                } else {
                    open = n < 0 && errno == EINTR;
                }
            }
            if (open)
                kept.push_back(std::move(c));
            else
                ::close(c.fd);
        }
        connections = std::move(kept);
        if (polled[1].revents & POLLIN) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                connections.push_back({fd, {}});
        }
    }
    for (const auto& c : connections)
        ::close(c.fd);
}

bool BindResponder::Serve(Connection& c)
{
    std::size_t used = 0;
    for (;;) {
        const std::string_view rest = std::string_view(c.pending).substr(used);
        if (rest.size() < enginelink::kGiopHeaderSize)
            break;
        const auto header = enginelink::ReadGiopHeader(rest);
        if (!header || header->minor != 0 || header->size > kMaxRequestBody)
            return false;
        if (rest.size() - enginelink::kGiopHeaderSize < header->size)
            break;
        const std::string_view message = rest.substr(0, enginelink::kGiopHeaderSize + header->size);
        used += message.size();
        if (header->type != enginelink::kGiopRequest)
            return false; // a close or an error message, or one we do not serve

        cdr::Reader in(message, header->littleEndian, enginelink::kGiopHeaderSize);
        std::uint32_t contexts = 0, requestId = 0;
        bool responseExpected = false;
        std::string key, operation, principal, repositoryId, objectId;
        if (!in.Ulong(contexts) || contexts > in.Left() / 8)
            return false;
        for (std::uint32_t i = 0; i < contexts; ++i) {
            std::uint32_t id = 0;
            std::string data;
            if (!in.Ulong(id) || !in.Octets(data))
                return false;
        }
        if (!in.Ulong(requestId) || !in.Boolean(responseExpected) || !in.Octets(key) || !in.String(operation) ||
            !in.Octets(principal))
            return false;
        if (!key.empty() || operation != "_bind" || !in.String(repositoryId) || !in.Octets(objectId))
            return false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            requests_.push_back(repositoryId);
        }
        if (responseExpected && !SendAll(c.fd, Answer(requestId, repositoryId, header->littleEndian)))
            return false;
    }
    c.pending.erase(0, used);
    return true;
}

std::string BindResponder::Answer(std::uint32_t requestId, const std::string& repositoryId, bool littleEndian)
{
    cdr::Ior ior; // nil unless the id is known
    std::uint32_t status = 0;
    if (const auto it = objects_.find(repositoryId); it != objects_.end()) {
        ior = *cdr::IorFromString(it->second);
        status = 1;
    }
    cdr::Writer out(littleEndian);
    out.Bytes() = "GIOP";
    out.Octet(1);
    out.Octet(0);
    out.Octet(littleEndian ? 1 : 0);
    out.Octet(enginelink::kGiopReply);
    out.Ulong(0); // size, patched below
    out.Ulong(0); // no service contexts
    out.Ulong(requestId);
    out.Ulong(0); // no exception
    out.Ulong(status);
    cdr::WriteIor(out, ior);
    out.PatchUlong(8, static_cast<std::uint32_t>(out.Size() - enginelink::kGiopHeaderSize));
    return std::move(out.Bytes());
}

} // namespace orbbind
