#include "enginelink/proxy/WSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "u3/StrLib.h"

namespace e3net {

namespace {

// Each thread serves its own sockets.
thread_local std::vector<TCustomWSocket*> liveSockets;

struct TPostedMessage {
    std::shared_ptr<bool> alive;
    std::function<void()> fn;
};
thread_local std::vector<TPostedMessage> postedMessages;

} // namespace

int SocketErrorFromErrno(int err)
{
    switch (err) {
    case EAGAIN: return WSAEWOULDBLOCK;
    case ENETUNREACH: return WSAENETUNREACH;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return 10000 + err;
    }
}

std::string SocketErrorDesc(int error)
{
    switch (error) {
    case 0: return "No Error";
    case WSAEWOULDBLOCK: return "Operation would block";
    case WSAENETUNREACH: return "Network is unreachable";
    case WSAECONNABORTED: return "Software caused connection abort";
    case WSAECONNRESET: return "Connection reset by peer";
    case WSAETIMEDOUT: return "Connection timed out";
    case WSAECONNREFUSED: return "Connection refused";
    case WSAEHOSTUNREACH: return "No route to host";
    case WSAHOST_NOT_FOUND: return "Host not found";
    default:
        if (error > 10000 && error < 11000)
            return std::strerror(error - 10000);
        return "Error #" + std::to_string(error);
    }
}

std::string MaskCredentials(std::string_view text)
{
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        const size_t end = eol == std::string_view::npos ? text.size() : eol + 1;
        std::string_view line = text.substr(pos, end - pos);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos &&
            (u3::SameText(line.substr(0, colon), "Proxy-Authorization") ||
             u3::SameText(line.substr(0, colon), "Authorization"))) {
            size_t at = colon + 1;
            while (at < line.size() && line[at] == ' ')
                ++at;
            size_t schemeEnd = at;
            while (schemeEnd < line.size() && line[schemeEnd] != ' ' && line[schemeEnd] != '\r' && line[schemeEnd] != '\n')
                ++schemeEnd;
            size_t lineEnd = line.size();
            while (lineEnd > 0 && (line[lineEnd - 1] == '\r' || line[lineEnd - 1] == '\n'))
                --lineEnd;
            out.append(line.substr(0, schemeEnd));
            out.append(" *****");
            out.append(line.substr(lineEnd));
        } else {
            out.append(line);
        }
        pos = end;
    }
    return out;
}

TCustomWSocket::TCustomWSocket() : alive_(std::make_shared<bool>(true))
{
    liveSockets.push_back(this);
}

TCustomWSocket::~TCustomWSocket()
{
    *alive_ = false;
    liveSockets.erase(std::remove(liveSockets.begin(), liveSockets.end(), this), liveSockets.end());
    if (fd_ >= 0)
        ::close(fd_);
}

void TCustomWSocket::AssignDefaultValue()
{
    LastError = 0;
    out_.clear();
    pushedBack_.clear();
    eof_ = false;
    readError_ = 0;
}

void TCustomWSocket::Connect()
{
    AssignDefaultValue();
    ConnectTo(Addr, Port);
}

void TCustomWSocket::ConnectTo(const std::string& host, const std::string& port)
{
    if (fd_ >= 0)
        throw ESocketException("connect: socket already in use");
    LastError = 0;
    out_.clear();
    pushedBack_.clear();
    eof_ = false;
    if (host.empty())
        throw ESocketException("connect: no host given");
    if (port.empty())
        throw ESocketException("connect: no port given");
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &list);
    if (rc != 0) {
        LastError = WSAHOST_NOT_FOUND;
        throw ESocketException("connect: " + std::string(::gai_strerror(rc)) + " (" + host + ":" + port + ")");
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> hold(list, ::freeaddrinfo);
    int fd = ::socket(list->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        LastError = SocketErrorFromErrno(errno);
        throw ESocketException("connect: " + std::string(std::strerror(errno)));
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    fd_ = fd;
    state_ = wsConnecting;
    if (::connect(fd, list->ai_addr, list->ai_addrlen) != 0 && errno != EINPROGRESS) {
        // Reported like any other failed connect: through the notification.
        LastError = SocketErrorFromErrno(errno);
        ::shutdown(fd, SHUT_RDWR);
    }
}

void TCustomWSocket::CloseSilently()
{
    if (fd_ >= 0) {
        BeforeClose();
        ::close(fd_);
    }
    fd_ = -1;
    state_ = wsClosed;
    out_.clear();
    pushedBack_.clear();
}

void TCustomWSocket::Close()
{
    CloseWithError(0);
}

void TCustomWSocket::CloseWithError(int error)
{
    const bool wasOpen = fd_ >= 0;
    const bool wasConnected = state_ == wsConnected;
    CloseSilently();
    if (wasOpen && wasConnected)
        TriggerSessionClosed(error);
}

void TCustomWSocket::PutBack(std::string bytes)
{
    pushedBack_.insert(0, bytes);
}

long TCustomWSocket::RawRead(void* buffer, size_t length)
{
    if (fd_ < 0) {
        LastError = WSAECONNABORTED;
        return -1;
    }
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, length, 0);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        LastError = SocketErrorFromErrno(errno);
        return -1;
    }
}

long TCustomWSocket::RawWrite(const void* data, size_t length)
{
    if (fd_ < 0) {
        LastError = WSAECONNABORTED;
        return -1;
    }
    for (;;) {
        const ssize_t n = ::send(fd_, data, length, MSG_NOSIGNAL);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        LastError = SocketErrorFromErrno(errno);
        return -1;
    }
}

long TCustomWSocket::ReadSome(void* buffer, size_t length) { return RawRead(buffer, length); }

long TCustomWSocket::WriteSome(const void* data, size_t length) { return RawWrite(data, length); }

int TCustomWSocket::Receive(void* buffer, size_t length)
{
    readCalled_ = true;
    if (length == 0)
        return 0;
    if (!pushedBack_.empty()) {
        const size_t n = std::min(length, pushedBack_.size());
        std::memcpy(buffer, pushedBack_.data(), n);
        pushedBack_.erase(0, n);
        return static_cast<int>(n);
    }
    if (state_ != wsConnected) {
        LastError = WSAECONNABORTED;
        return -1;
    }
    const long n = ReadSome(buffer, std::min<size_t>(length, 1 << 30));
    if (n == 0)
        eof_ = true;
    else if (n < 0 && LastError != WSAEWOULDBLOCK)
        readError_ = LastError;
    return static_cast<int>(n);
}

std::string TCustomWSocket::ReceiveStr()
{
    std::string all;
    char chunk[16384];
    for (;;) {
        const int n = Receive(chunk, sizeof chunk);
        if (n <= 0)
            break;
        all.append(chunk, static_cast<size_t>(n));
    }
    return all;
}

int TCustomWSocket::Send(const void* data, size_t length)
{
    if (state_ != wsConnected || fd_ < 0) {
        LastError = WSAECONNABORTED;
        return -1;
    }
    out_.append(static_cast<const char*>(data), length);
    Flush();
    return static_cast<int>(length);
}

bool TCustomWSocket::Flush()
{
    size_t done = 0;
    while (done < out_.size()) {
        const long n = WriteSome(out_.data() + done, out_.size() - done);
        if (n < 0) {
            out_.clear();
            CloseWithError(LastError);
            return false;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    out_.erase(0, done);
    return out_.empty();
}

short TCustomWSocket::PollInterest() const
{
    if (fd_ < 0)
        return 0;
    if (state_ == wsConnecting)
        return POLLOUT;
    short events = POLLIN;
    if (!out_.empty() || WantsWrite())
        events |= POLLOUT;
    return events;
}

void TCustomWSocket::HandleEvents(short revents)
{
    try {
        Dispatch(revents);
    } catch (const std::exception& e) {
        if (!OnException)
            throw;
        OnException(*this, e.what());
    }
}

void TCustomWSocket::Dispatch(short revents)
{
    const auto alive = alive_;
    if (state_ == wsConnecting) {
        if (!(revents & (POLLOUT | POLLERR | POLLHUP)))
            return;
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err == 0 && LastError != 0) {
            err = -1;
        }
        if (err != 0) {
            const int error = err > 0 ? SocketErrorFromErrno(err) : LastError;
            LastError = error;
            CloseSilently();
            TriggerSessionConnected(error);
            if (*alive && fd_ < 0)
                TriggerSessionClosed(error);
            return;
        }
        state_ = wsConnected;
        TriggerSessionConnected(0);
        return;
    }
    if (state_ != wsConnected)
        return;
    if (revents & POLLOUT) {
        Writable();
        if (!*alive || state_ != wsConnected)
            return;
        if (!out_.empty() && Flush()) {
            TriggerDataSent(0);
            if (!*alive || state_ != wsConnected)
                return;
        }
    }
    if ((revents & (POLLIN | POLLHUP | POLLERR)) || HasBufferedInput()) {
        readCalled_ = false;
        eof_ = false;
        readError_ = 0;
        TriggerDataAvailable(0);
        if (!*alive || state_ != wsConnected)
            return;
        if (readError_) {
            CloseWithError(readError_);
            return;
        }
        if (!readCalled_ && fd_ >= 0 && pushedBack_.empty()) {
            // Nobody read: find out whether the peer has gone, so that a
            // closed connection does not keep waking the loop.
            char probe;
            const ssize_t n = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n == 0)
                eof_ = true;
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                CloseWithError(SocketErrorFromErrno(errno));
                return;
            }
        }
        if (eof_)
            CloseWithError(0);
    }
}

void TCustomWSocket::TriggerSessionConnected(int error)
{
    if (OnSessionConnected)
        OnSessionConnected(*this, error);
}

void TCustomWSocket::TriggerSessionClosed(int error)
{
    if (OnSessionClosed)
        OnSessionClosed(*this, error);
}

void TCustomWSocket::TriggerDataAvailable(int error)
{
    if (OnDataAvailable)
        OnDataAvailable(*this, error);
}

void TCustomWSocket::TriggerDataSent(int error)
{
    if (OnDataSent)
        OnDataSent(*this, error);
}

void TCustomWSocket::TriggerDisplay(const std::string& text)
{
    if (OnDisplay)
        OnDisplay(*this, text);
}

void PostSocketMessage(std::shared_ptr<bool> alive, std::function<void()> fn)
{
    postedMessages.push_back({std::move(alive), std::move(fn)});
}

int WSocketProcessMessages(int waitMs)
{
    int served = 0;
    if (!postedMessages.empty()) {
        auto messages = std::move(postedMessages);
        postedMessages.clear();
        for (auto& m : messages)
            if (!m.alive || *m.alive) {
                m.fn();
                ++served;
            }
        waitMs = 0;
    }
    std::vector<TCustomWSocket*> sockets;
    std::vector<pollfd> fds;
    bool buffered = false;
    for (TCustomWSocket* s : liveSockets) {
        const short interest = s->PollInterest();
        if (!interest)
            continue;
        sockets.push_back(s);
        fds.push_back(pollfd{s->Handle(), interest, 0});
        if (s->State() == wsConnected && s->HasBufferedInput())
            buffered = true;
    }
    int rc;
    do
        rc = ::poll(fds.data(), fds.size(), buffered ? 0 : waitMs);
    while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return served;
    for (size_t i = 0; i < sockets.size(); ++i) {
        TCustomWSocket* s = sockets[i];
        // A notification may have freed a socket that was ready as well.
        if (std::find(liveSockets.begin(), liveSockets.end(), s) == liveSockets.end())
            continue;
        if (s->Handle() != fds[i].fd)
            continue;
        short revents = fds[i].revents;
        if (s->State() == wsConnected && s->HasBufferedInput())
            revents |= POLLIN;
        if (!revents)
            continue;
        ++served;
        s->HandleEvents(revents);
    }
    return served;
}

} // namespace e3net
