#include "platform/SmartCardChecker.h"

#include "u3/CommandLine.h"
#include "u3/PollClock.h"
#include "u3/PrivateFolder.h"
#include "u3/ProcUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kSocketName[] = "e3-smartcard-checker";
constexpr int kListAttempts = 5;
constexpr std::chrono::milliseconds kListInterval {100};
constexpr int kFindAttempts = 5;
constexpr std::chrono::milliseconds kFindInterval {500};
constexpr std::size_t kHeaderSize = 12;

std::mutex timeoutsMutex;
SmartCardCheckerTimeouts timeouts;

class Socket {
public:
    explicit Socket(int fd = -1)
        : fd_(fd)
    {
    }
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(Socket&& other) noexcept
        : fd_(std::exchange(other.fd_, -1))
    {
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket& operator=(Socket&&) = delete;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

// Waits until fd is ready for events or the deadline passes.
bool WaitReady(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0)
            return false;
        pollfd p {fd, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        if (rc > 0)
            return true;
        if (rc < 0 && errno != EINTR)
            return false;
        if (rc == 0 && Clock::now() >= deadline)
            return false;
    }
}

bool ReadExactly(int fd, char* out, std::size_t size, Clock::time_point deadline)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(fd, out + done, size - done, MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        if (!WaitReady(fd, POLLIN, deadline))
            return false;
    }
    return true;
}

void PutU32(char* at, std::uint32_t v)
{
    at[0] = static_cast<char>(v >> 24);
    at[1] = static_cast<char>(v >> 16);
    at[2] = static_cast<char>(v >> 8);
    at[3] = static_cast<char>(v);
}

std::uint32_t GetU32(const char* at)
{
    const auto* b = reinterpret_cast<const unsigned char*>(at);
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
}

// A connection to a checker of our own user; invalid when none answers or the
// peer is somebody else.
Socket ConnectToChecker()
{
    const std::string path = SmartCardCheckerSocketPath();
    if (path.empty())
        return Socket();
    Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.valid())
        return Socket();
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int rc;
    do {
        rc = ::connect(s.fd(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    // A checker whose backlog is full (EAGAIN) counts as not found for this attempt.
    if (rc != 0 || !PeerIsOwnUser(s.fd()))
        return Socket();
    return s;
}

bool Exchange(int fd, const ScardFrame& request, std::uint32_t replyMessage, std::chrono::milliseconds timeout,
              ScardFrame& reply)
{
    const auto deadline = Clock::now() + timeout;
    if (!WriteScardFrame(fd, request, deadline))
        return false;
    auto got = ReadScardFrame(fd, deadline);
    if (!got || got->message != replyMessage)
        return false;
    reply = std::move(*got);
    return true;
}

std::string TrimBlanks(const std::string& text)
{
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string FindCheckerProgram(const std::string& programDir)
{
    std::string folder = programDir;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    // The checker is started whenever its file is there; one that cannot be
    // run is reported by the start like any other program.
    std::string found;
    for (const char* name : {"SCard", "SCard.exe"}) {
        const std::string candidate = (folder.empty() ? std::string() : folder + "/") + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (found.empty())
            found = candidate;
    }
    return found;
}

} // namespace

std::string SmartCardCheckerSocketPath()
{
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        struct stat st {};
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
            folder = runtime;
    }
    if (folder.empty()) {
        folder = u3::PrivateFolder::TempBase() + "/e3-scard-" + std::to_string(::getuid());
        if (!u3::PrivateFolder::EnsurePrivateDirectory(folder))
            return {};
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::string path = (folder == "/" ? folder : folder + "/") + kSocketName;
    if (path.size() >= sizeof(sockaddr_un::sun_path))
        return {};
    return path;
}

bool PeerIsOwnUser(int fd)
{
    ucred cred {};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred)
        return false;
    return cred.uid == ::geteuid();
}

bool WriteScardFrame(int fd, const ScardFrame& frame, Clock::time_point deadline)
{
    if (frame.data.size() > kMaxFrameData)
        return false;
    std::string bytes(kHeaderSize, '\0');
    PutU32(bytes.data(), frame.message);
    PutU32(bytes.data() + 4, static_cast<std::uint32_t>(frame.value));
    PutU32(bytes.data() + 8, static_cast<std::uint32_t>(frame.data.size()));
    bytes += frame.data;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        if (!WaitReady(fd, POLLOUT, deadline))
            return false;
    }
    return true;
}

std::optional<ScardFrame> ReadScardFrame(int fd, Clock::time_point deadline)
{
    char header[kHeaderSize];
    if (!ReadExactly(fd, header, sizeof header, deadline))
        return std::nullopt;
    ScardFrame frame;
    frame.message = GetU32(header);
    frame.value = static_cast<std::int32_t>(GetU32(header + 4));
    const std::uint32_t length = GetU32(header + 8);
    if (length > kMaxFrameData)
        return std::nullopt;
    frame.data.resize(length);
    if (length > 0 && !ReadExactly(fd, frame.data.data(), length, deadline))
        return std::nullopt;
    return frame;
}

SmartCardCheckerTimeouts GetSmartCardCheckerTimeouts()
{
    std::lock_guard lock(timeoutsMutex);
    return timeouts;
}

void SetSmartCardCheckerTimeouts(const SmartCardCheckerTimeouts& value)
{
    std::lock_guard lock(timeoutsMutex);
    timeouts = value;
}

void StartSmartCardChecker(const std::string& programDir)
{
    const std::string program = FindCheckerProgram(programDir);
    if (!program.empty())
        u3::StartCommandLine(u3::JoinCommandLine({program}));
}

void CloseSmartCardChecker()
{
    Socket s = ConnectToChecker();
    if (!s.valid())
        return;
    WriteScardFrame(s.fd(), ScardFrame {kScardCloseMessage, 0, {}},
                    Clock::now() + GetSmartCardCheckerTimeouts().listReply);
}

bool SmartCardCheckerRunning()
{
    return ConnectToChecker().valid();
}

std::string GetSmartCardCertList()
{
    u3::PollClock& clock = u3::CurrentPollClock();
    const auto timeout = GetSmartCardCheckerTimeouts().listReply;
    for (int attempt = 0; attempt < kListAttempts; ++attempt) {
        Socket s = ConnectToChecker();
        ScardFrame reply;
        if (s.valid() && Exchange(s.fd(), ScardFrame {kScardListMessage, 0, {}}, kScardListMessage, timeout, reply))
            return TrimBlanks(reply.data);
        clock.Sleep(kListInterval);
    }
    return {};
}

bool SendToSmartCardChecker(const std::string& text)
{
    u3::PollClock& clock = u3::CurrentPollClock();
    for (int attempt = 0; attempt < kFindAttempts; ++attempt) {
        Socket s = ConnectToChecker();
        if (s.valid()) {
            ScardFrame request {kScardCopyDataMessage, kScardSignData, text};
            request.data.push_back('\0');
            ScardFrame reply;
            return Exchange(s.fd(), request, kScardCopyDataMessage, GetSmartCardCheckerTimeouts().signReply, reply)
                && reply.value > 0;
        }
        clock.Sleep(kFindInterval);
    }
    return false;
}

bool SignFileWithSmartCard(const std::string& inputFile, const std::string& outputFile)
{
    return SendToSmartCardChecker(inputFile + ";" + outputFile);
}

void RestartSmartCardChecker(const std::string& programDir)
{
    CloseSmartCardChecker();
    u3::PollClock& clock = u3::CurrentPollClock();
    for (int attempt = 0; attempt < kFindAttempts && SmartCardCheckerRunning(); ++attempt)
        clock.Sleep(kFindInterval);
    StartSmartCardChecker(programDir);
}

} // namespace platform
