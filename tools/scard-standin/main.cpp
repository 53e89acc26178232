// A stand-in for the smart-card checker, for tests and the demo. It speaks the
// checker's socket protocol (platform/SmartCardChecker.h) without a card:
//
//   SCard [--list TEXT | --list-file PATH | --long-list N] [--delay-ms N]
//
// - The certificate list is TEXT, the bytes of PATH, or (--long-list) entries
//   of a made-up holder joined until the text holds at least N characters;
//   without an option, one made-up entry.
// - "Signing" writes the SHA-1 of the input file as 40 lower-case hex digits
//   (no line end) to the output file and replies 1. It replies 0 when the input
//   file cannot be read, and -1 when the request is malformed or the output
//   cannot be written.
// - --delay-ms holds every reply back for N milliseconds.
// - It ends on the close request, on SIGTERM or SIGINT, and when the program
//   that started it ends; it never outlives its starter.
#include "platform/SmartCardChecker.h"
#include "u3/SHA1.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kRequestTimeout {5};

char socketPath[sizeof(sockaddr_un::sun_path)];

extern "C" void EndOnSignal(int)
{
    ::unlink(socketPath);
    ::_exit(0);
}

struct Options {
    std::string list = "0||192||CN=Stand-in Holder, O=Example||CN=Stand-in CA, O=Example";
    std::chrono::milliseconds delay {0};
};

std::string LongList(std::size_t minimum)
{
    std::string text;
    for (int i = 0; text.size() < minimum; ++i) {
        if (i > 0)
            text += "<|>";
        text += std::to_string(i) + "||192||CN=Stand-in Holder " + std::to_string(i)
            + ", O=Example||CN=Stand-in CA, O=Example";
    }
    return text;
}

bool ParseCount(const char* text, unsigned long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        unsigned long n = 0;
        if (name == "--list") {
            options.list = value;
        } else if (name == "--list-file") {
            std::ifstream in(value, std::ios::binary);
            if (!in)
                return false;
            options.list.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } else if (name == "--long-list" && ParseCount(value, n) && n <= platform::kMaxFrameData / 2) {
            options.list = LongList(n);
        } else if (name == "--delay-ms" && ParseCount(value, n) && n <= 3600000) {
            options.delay = std::chrono::milliseconds(n);
        } else {
            return false;
        }
    }
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

std::int32_t Sign(const std::string& data)
{
    if (data.empty() || data.back() != '\0')
        return -1;
    const std::string text = data.substr(0, data.size() - 1);
    const auto semicolon = text.find(';');
    if (semicolon == std::string::npos || text.find('\0') != std::string::npos)
        return -1;
    const std::string input = text.substr(0, semicolon);
    const std::string output = text.substr(semicolon + 1);
    if (input.empty() || output.empty())
        return -1;
    u3::TSHA1Digest digest;
    try {
        digest = u3::SHA1OfFile(input);
    } catch (const std::exception&) {
        return 0;
    }
    static const char hex[] = "0123456789abcdef";
    std::string text40;
    for (std::uint8_t b : digest) {
        text40 += hex[b >> 4];
        text40 += hex[b & 15];
    }
    return WriteWholeFile(output, text40) ? 1 : -1;
}

// True when a checker of ours answers on the path already.
bool AnotherCheckerAnswers(const sockaddr_un& addr)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0
        && platform::PeerIsOwnUser(fd);
    ::close(fd);
    return answers;
}

} // namespace

int main(int argc, char** argv)
{
    const pid_t starter = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != starter)
        return 0;

    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: SCard [--list TEXT | --list-file PATH | --long-list N] [--delay-ms N]\n");
        return 2;
    }
    const std::string path = platform::SmartCardCheckerSocketPath();
    if (path.empty()) {
        std::fprintf(stderr, "SCard: no folder for the checker's socket\n");
        return 1;
    }
    std::memcpy(socketPath, path.c_str(), path.size() + 1);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    if (AnotherCheckerAnswers(addr))
        return 0;
    struct stat st {};
    if (::lstat(socketPath, &st) == 0) {
        // Only a socket left behind by an ended checker is ours to remove.
        if (!S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid()) {
            std::fprintf(stderr, "SCard: %s is in the way\n", socketPath);
            return 1;
        }
        ::unlink(socketPath);
    }

    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::umask(077);
    if (listener < 0 || ::bind(listener, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0
        || ::listen(listener, 16) != 0) {
        std::fprintf(stderr, "SCard: cannot listen on %s: %s\n", socketPath, std::strerror(errno));
        return 1;
    }
    std::signal(SIGTERM, EndOnSignal);
    std::signal(SIGINT, EndOnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    for (;;) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        if (!platform::PeerIsOwnUser(fd)) {
            ::close(fd);
            continue;
        }
        const auto request = platform::ReadScardFrame(fd, Clock::now() + kRequestTimeout);
        if (!request) {
            ::close(fd);
            continue;
        }
        if (request->message == platform::kScardCloseMessage) {
            ::close(fd);
            break;
        }
        platform::ScardFrame reply {request->message, 0, {}};
        if (request->message == platform::kScardListMessage)
            reply.data = options.list;
        else if (request->message == platform::kScardCopyDataMessage && request->value == platform::kScardSignData)
            reply.value = Sign(request->data);
        std::this_thread::sleep_for(options.delay);
        platform::WriteScardFrame(fd, reply, Clock::now() + kRequestTimeout);
        ::close(fd);
    }
    ::unlink(socketPath);
    ::close(listener);
    return 0;
}
