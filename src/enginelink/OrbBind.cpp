#include "enginelink/OrbBind.h"

#include "enginelink/Cdr.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace enginelink {
namespace {

// A reference is a few hundred bytes; anything this large is not a bind reply.
constexpr std::uint32_t kMaxReplyBody = 1u << 20;

using Clock = std::chrono::steady_clock;

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

int MillisLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, MillisLeft(deadline));
        if (rc > 0)
            return true;
        if (rc == 0)
            return false;
        if (errno != EINTR)
            return false;
    }
}

int ConnectTo(const InetAddress& address, Clock::time_point deadline, std::string& why)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found);
    if (rc != 0) {
        why = std::string("cannot resolve host: ") + ::gai_strerror(rc);
        return -1;
    }
    why = "no address to connect to";
    int result = -1;
    for (addrinfo* a = found; a && result < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            why = std::string("socket: ") + std::strerror(errno);
            continue;
        }
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            result = fd;
            break;
        }
        if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline)) {
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
                result = fd;
                break;
            }
            why = std::string("connect: ") + std::strerror(error);
        } else {
            why = errno == EINPROGRESS ? "connect: timed out" : std::string("connect: ") + std::strerror(errno);
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return result;
}

bool SendAll(int fd, std::string_view bytes, Clock::time_point deadline)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

bool ReceiveExactly(int fd, std::string& into, std::size_t count, Clock::time_point deadline)
{
    const std::size_t target = into.size() + count;
    char buffer[4096];
    while (into.size() < target) {
        const std::size_t want = std::min(sizeof buffer, target - into.size());
        const ssize_t n = ::recv(fd, buffer, want, 0);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLIN, deadline))
            continue;
        return false; // closed, failed or out of time
    }
    return true;
}

std::atomic<std::uint32_t> nextRequestId{1};

} // namespace

std::optional<InetAddress> ParseInetAddress(std::string_view address)
{
    constexpr std::string_view kScheme = "inet:";
    if (address.substr(0, kScheme.size()) != kScheme)
        return std::nullopt;
    address.remove_prefix(kScheme.size());
    const auto colon = address.rfind(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::string_view host = address.substr(0, colon);
    const std::string_view port = address.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (host.empty() || port.empty() || ec != std::errc() || end != port.data() + port.size() || value == 0 ||
        value > 65535)
        return std::nullopt;
    return InetAddress{std::string(host), std::string(port)};
}

std::optional<GiopHeader> ReadGiopHeader(std::string_view bytes)
{
    if (bytes.size() < kGiopHeaderSize || bytes.substr(0, 4) != "GIOP" || bytes[4] != 1)
        return std::nullopt;
    GiopHeader header;
    header.minor = static_cast<std::uint8_t>(bytes[5]);
    const auto flags = static_cast<std::uint8_t>(bytes[6]);
    if (header.minor > 2 || (header.minor == 0 && flags > 1))
        return std::nullopt;
    header.littleEndian = (flags & 1) != 0;
    header.fragmented = header.minor > 0 && (flags & 2) != 0;
    header.type = static_cast<std::uint8_t>(bytes[7]);
    cdr::Reader in(bytes.substr(0, kGiopHeaderSize), header.littleEndian, 8);
    if (!in.Ulong(header.size))
        return std::nullopt;
    return header;
}

std::string EncodeBindRequest(std::uint32_t requestId, std::string_view repositoryId)
{
    cdr::Writer out(true);
    out.Bytes() = "GIOP";
    out.Octet(1);
    out.Octet(0);
    out.Octet(1); // little-endian
    out.Octet(kGiopRequest);
    out.Ulong(0); // size, patched below
    out.Ulong(0); // no service contexts
    out.Ulong(requestId);
    out.Boolean(true);
    out.Octets(""); // object key
    out.String("_bind");
    out.Octets(""); // principal
    out.String(repositoryId);
    out.Octets(""); // object id
    out.PatchUlong(8, static_cast<std::uint32_t>(out.Size() - kGiopHeaderSize));
    return std::move(out.Bytes());
}

std::optional<std::string> DecodeBindReply(std::string_view message, std::uint32_t requestId)
{
    const auto header = ReadGiopHeader(message);
    if (!header || header->minor > 1 || header->fragmented || header->type != kGiopReply ||
        header->size != message.size() - kGiopHeaderSize)
        return std::nullopt;
    cdr::Reader in(message, header->littleEndian, kGiopHeaderSize);
    std::uint32_t contexts = 0;
    if (!in.Ulong(contexts) || contexts > in.Left() / 8)
        return std::nullopt;
    for (std::uint32_t i = 0; i < contexts; ++i) {
        std::uint32_t id = 0;
        std::string data;
        if (!in.Ulong(id) || !in.Octets(data))
            return std::nullopt;
    }
    std::uint32_t id = 0, replyStatus = 0, bindStatus = 0;
    if (!in.Ulong(id) || id != requestId || !in.Ulong(replyStatus) || replyStatus != 0)
        return std::nullopt;
    if (!in.Ulong(bindStatus) || bindStatus != 1)
        return std::nullopt;
    cdr::Ior ior;
    if (!cdr::ReadIor(in, ior) || ior.profiles.empty())
        return std::nullopt;
    return cdr::IorToString(ior);
}

std::optional<std::string> BindObject(const std::string& address, const std::string& repositoryId,
                                      std::chrono::milliseconds timeout, std::string* why)
{
    std::string reason;
    auto fail = [&](std::string text) -> std::optional<std::string> {
        if (why)
            *why = std::move(text);
        return std::nullopt;
    };
    const auto inet = ParseInetAddress(address);
    if (!inet)
        return fail("not an address of the form inet:host:port: " + address);
    const auto deadline = Clock::now() + timeout;
    Socket socket(ConnectTo(*inet, deadline, reason));
    if (socket.Fd() < 0)
        return fail(reason);
    const std::uint32_t requestId = nextRequestId.fetch_add(1);
    if (!SendAll(socket.Fd(), EncodeBindRequest(requestId, repositoryId), deadline))
        return fail("the bind request could not be sent");
    std::string message;
    if (!ReceiveExactly(socket.Fd(), message, kGiopHeaderSize, deadline))
        return fail("no reply to the bind request");
    const auto header = ReadGiopHeader(message);
    if (!header)
        return fail("the reply to the bind request is not a GIOP message");
    if (header->size > kMaxReplyBody)
        return fail("the reply to the bind request is too large");
    if (!ReceiveExactly(socket.Fd(), message, header->size, deadline))
        return fail("the reply to the bind request is incomplete");
    auto reference = DecodeBindReply(message, requestId);
    if (!reference)
        return fail("the server holds no object for " + repositoryId);
    return reference;
}

} // namespace enginelink
