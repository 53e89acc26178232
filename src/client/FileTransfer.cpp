#include "client/FileTransfer.h"

#include "client/ClientLink.h"

#include "u3/AtomicFile.h"
#include "u3/Base64.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace client {
namespace {

std::function<int64_t()>& Probe()
{
    static std::function<int64_t()> probe;
    return probe;
}

bool IsNoFile(std::string_view reply)
{
    return u3::SameText(reply, "snil");
}

bool IsBase64Digit(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// The engine sends every part as one unbroken Base64 text. Anything else (an
// error text that happens to survive a lenient decoder, blanks, a fill in the
// middle) must fail the download rather than end up in the file.
std::string DecodePart(std::string_view text)
{
    if (text.size() % 4 != 0)
        throw std::runtime_error("A downloaded part is no Base64 text");
    size_t fill = 0;
    while (fill < 2 && fill < text.size() && text[text.size() - 1 - fill] == '=')
        ++fill;
    for (size_t i = 0; i + fill < text.size(); ++i)
        if (!IsBase64Digit(text[i]))
            throw std::runtime_error("A downloaded part is no Base64 text");
    return u3::Base64ToString(text);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

void ReadExactly(int fd, std::string& buffer, int64_t count)
{
    buffer.resize(static_cast<size_t>(count));
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("The file became shorter while it was sent");
        done += static_cast<size_t>(n);
    }
}

// A file beside the target that takes its place only when Commit is called;
// otherwise it is removed. A target that is no regular file (a device, FIFO or
// folder) is refused before anything is fetched.
class PendingFile {
public:
    explicit PendingFile(const std::string& target)
        : file_(target)
    {
        if (!u3::IsReplaceableTarget(target) || !file_.IsOpen())
            throw std::runtime_error("Cannot create " + target);
    }

    void Append(std::string_view data)
    {
        if (!file_.Write(data))
            throw std::runtime_error("Cannot write the downloaded file");
    }
    void Commit()
    {
        if (!file_.Commit())
            throw std::runtime_error("Cannot replace " + file_.Target());
    }

private:
    u3::AtomicFile file_;
};

} // namespace

int64_t ParseFreePageFileMemory(std::string_view meminfo)
{
    int64_t total = 0;
    bool found = false;
    size_t start = 0;
    while (start < meminfo.size()) {
        size_t end = meminfo.find('\n', start);
        if (end == std::string_view::npos)
            end = meminfo.size();
        const std::string_view line = meminfo.substr(start, end - start);
        start = end + 1;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, colon);
        if (key != "MemAvailable" && key != "SwapFree")
            continue;
        std::string_view rest = line.substr(colon + 1);
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        int64_t kib = 0;
        const auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), kib);
        if (ec != std::errc() || kib < 0 || kib > (INT64_MAX / 1024) - total / 1024)
            continue;
        std::string_view unit = rest.substr(static_cast<size_t>(ptr - rest.data()));
        while (!unit.empty() && unit.front() == ' ')
            unit.remove_prefix(1);
        total += unit.starts_with("kB") ? kib * 1024 : kib;
        found = true;
    }
    return found ? total : -1;
}

int64_t FreePageFileMemory()
{
    if (Probe())
        return Probe()();
    std::ifstream in("/proc/meminfo");
    if (!in)
        return -1;
    std::ostringstream text;
    text << in.rdbuf();
    return ParseFreePageFileMemory(text.str());
}

void SetFreePageFileMemoryProbe(std::function<int64_t()> probe)
{
    Probe() = std::move(probe);
}

int64_t NextChunkSize(int64_t remaining, int64_t freeMemory)
{
    int64_t byMemory = freeMemory / 640 * 64;
    if (byMemory < 1)
        byMemory = kWholeUploadLimit;
    return std::min({remaining, kWholeUploadLimit, byMemory});
}

int32_t SendFileToServer(IGUIEngine& engine, const std::string& localPath, const std::string& serverPath)
{
    // A transfer is one engine call for the broadcasts that wait for calls to end.
    const EngineCallScope call;
    try {
        // Size and contents come from the one opened file, so a file replaced
        // or removed meanwhile is never sent as something it was not. Opening
        // does not wait for the writer of a pipe.
        Fd fd(::open(localPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        const bool opened = fd.Get() >= 0 && ::fstat(fd.Get(), &st) == 0;
        if (!opened && errno != ENOENT && errno != ENOTDIR)
            return -1;
        if (!opened || S_ISDIR(st.st_mode)) {
            // The engine still learns that nothing is coming.
            engine.SetFile("snil", "File", serverPath);
            return -1;
        }
        // A pipe or a device has no size to send and may never end.
        if (!S_ISREG(st.st_mode))
            return -1;
        const int64_t size = static_cast<int64_t>(st.st_size);
        std::string buffer;
        if (size <= kWholeUploadLimit) {
            ReadExactly(fd.Get(), buffer, size);
            const std::string reply = engine.SetFile(u3::StringToBase64(buffer), "File", serverPath);
            return u3::SameText(reply, "OK") ? 1 : -1;
        }
        std::string type = "PartStart";
        int64_t sent = 0;
        int64_t chunk = NextChunkSize(size, FreePageFileMemory());
        while (sent < size) {
            ReadExactly(fd.Get(), buffer, chunk);
            const std::string reply = engine.SetFile(u3::StringToBase64(buffer), type, serverPath);
            if (!u3::SameText(reply, "OK"))
                return -1;
            sent += chunk;
            chunk = NextChunkSize(size - sent, FreePageFileMemory());
            type = sent + chunk < size ? "Part" : "PartEnd";
        }
        return 1;
    } catch (const std::exception&) {
        return -1;
    }
}

int32_t ReceiveFileFromServer(IGUIEngine& engine, const std::string& localPath, const std::string& serverPath)
{
    const EngineCallScope call;
    try {
        std::string reply = engine.GetFile("", "BPart", serverPath);
        if (reply == "sizezero") {
            PendingFile file(localPath);
            file.Commit();
            return 1;
        }
        if (IsNoFile(reply))
            return -1;
        PendingFile file(localPath);
        while (!IsNoFile(reply)) {
            // An empty part would never end the transfer.
            if (reply.empty())
                return -1;
            file.Append(DecodePart(reply));
            reply = engine.GetFile("", "Part", serverPath);
        }
        file.Commit();
        return 1;
    } catch (const std::exception&) {
        return -1;
    }
}

int32_t ReceiveWholeFile(IGUIEngine& engine, const std::string& localPath, const std::string& serverPath)
{
    const EngineCallScope call;
    try {
        const std::string reply = engine.GetFile("", "File", serverPath);
        if (IsNoFile(reply))
            return -1;
        PendingFile file(localPath);
        file.Append(DecodePart(reply));
        file.Commit();
        return 1;
    } catch (const std::exception&) {
        return -1;
    }
}

} // namespace client
