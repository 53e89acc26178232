// File and folder routines on POSIX calls, so that every deletion can refuse
// to follow symbolic links and every folder we create appears atomically.
#include "u3/Files.h"

#include "u3/AtomicFile.h"

#include "u3/StrLib.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace u3 {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool IsDelimiter(char c)
{
    return c == '/' || c == '\\';
}

// The extension of a file name, with its dot; empty when it has none.
std::string ExtensionOf(const std::string& name)
{
    auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

// Decimal digits only, within the range of a 32-bit integer: a name such as
// "12a", "+5" or "0x10" is not a number.
bool ParseFileNumber(const std::string& text, int64_t& value)
{
    if (text.empty())
        return false;
    int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
        if (result > INT32_MAX)
            return false;
    }
    value = result;
    return true;
}

std::string ZeroPadded(int64_t number, int width)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%0*lld", width, static_cast<long long>(number));
    return text;
}

// Creates path and its missing parents; true when path is a folder afterwards.
bool MakeFolders(const std::string& path)
{
    for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
        const std::string partial = path.substr(0, pos);
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return IsDirectory(path);
}

std::string RealPath(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

size_t ComponentCount(const std::string& path)
{
    size_t count = 0;
    bool inName = false;
    for (char c : path) {
        if (c == '/') {
            inName = false;
        } else if (!inName) {
            inName = true;
            ++count;
        }
    }
    return count;
}

// A folder opened for emptying, with the mode to give back when it stays.
struct OpenedFolder {
    Fd fd;
    bool modeChanged = false;
    mode_t originalMode = 0;
};

// Opens the folder `name` below parentFd without following a link. A folder of
// ours that lacks read, write or search permission for us gets them first, or
// nothing in it could be deleted.
bool OpenFolderAt(int parentFd, const char* name, const struct stat& seen, OpenedFolder& folder)
{
    const mode_t mode = seen.st_mode & 07777;
    if (seen.st_uid == ::geteuid() && (mode & S_IRWXU) != S_IRWXU) {
        if (::fchmodat(parentFd, name, mode | S_IRWXU, AT_SYMLINK_NOFOLLOW) == 0) {
            folder.modeChanged = true;
            folder.originalMode = mode;
        }
    }
    int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    folder.fd.Reset(fd);
    // The entry may have been replaced since we looked at it.
    struct stat now {};
    return ::fstat(fd, &now) == 0 && now.st_dev == seen.st_dev && now.st_ino == seen.st_ino;
}

void GiveBackMode(const OpenedFolder& folder)
{
    if (folder.modeChanged)
        ::fchmod(folder.fd.Get(), folder.originalMode);
}

bool ReadEntryNames(int folderFd, std::vector<std::string>& names)
{
    int copy = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return false;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
        errno = 0;
    }
    const bool complete = errno == 0;
    ::closedir(dir);
    return complete;
}

// Deletes every entry below the open folder; subfolders are emptied and, with
// removeDir, removed. Entries are read first and deleted afterwards, since
// deleting while reading may make the reader skip entries.
bool EmptyFolder(int folderFd, bool removeDir)
{
    std::vector<std::string> names;
    bool ok = ReadEntryNames(folderFd, names);
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                ok = false;
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            // Links included: the link goes, what it points to stays.
            if (::unlinkat(folderFd, name.c_str(), 0) != 0 && errno != ENOENT)
                ok = false;
            continue;
        }
        OpenedFolder sub;
        if (!OpenFolderAt(folderFd, name.c_str(), st, sub)) {
            ok = false;
            continue;
        }
        bool subOk = EmptyFolder(sub.fd.Get(), removeDir);
        if (removeDir && subOk) {
            sub.fd.Reset();
            subOk = ::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR) == 0;
        } else {
            GiveBackMode(sub);
        }
        ok = ok && subOk;
    }
    return ok;
}

bool CopyFileContents(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
        }
    }
}

// Across file systems: copy into a hidden name beside dest, then rename it into
// place, so that dest is never seen half-written; the source goes last.
bool CopyAndRemove(const std::string& source, const std::string& dest)
{
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    Fd in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (in.Get() < 0)
        return false;
    AtomicFile out(dest);
    if (!out.IsOpen() || !CopyFileContents(in.Get(), out.Handle()) || !out.SetMode(st.st_mode & 07777)
        || !out.Commit())
        return false;
    return ::unlink(source.c_str()) == 0;
}

// "000" and the milliseconds since 1 January 2005 00:00, both read on the local
// wall clock, in capital hexadecimal.
std::string UniqueFolderStem()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const long long millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local {};
    localtime_r(&seconds, &local);
    std::tm start {};
    start.tm_year = 2005 - 1900;
    start.tm_mday = 1;
    // timegm on both local times counts wall-clock seconds between them.
    const long long elapsed = static_cast<long long>(timegm(&local) - timegm(&start)) * 1000 + millis;
    char text[32];
    std::snprintf(text, sizeof(text), "000%llX", elapsed);
    return text;
}

} // namespace

std::string ToLocalPath(const std::string& path)
{
    std::string result = path;
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(ToLocalPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string AppendPathDelimiter(const std::string& path)
{
    if (path.empty() || IsDelimiter(path.back()))
        return path;
    return path + "/";
}

int64_t GetFileSize64(const std::string& fileName)
{
    struct stat st {};
    if (fileName.empty() || ::stat(ToLocalPath(fileName).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool MoveFileTo(const std::string& source, const std::string& dest)
{
    std::string from = ToLocalPath(source);
    std::string to = ToLocalPath(dest);
    while (from.size() > 1 && from.back() == '/')
        from.pop_back();
    if (from.empty() || to.empty())
        return false;
    if (to.back() == '/') {
        auto slash = from.rfind('/');
        to += slash == std::string::npos ? from : from.substr(slash + 1);
    }
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    return errno == EXDEV && CopyAndRemove(from, to);
}

bool IsProtectedFromTreeDeletion(const std::string& dir)
{
    if (dir.empty())
        return true;
    const std::string real = RealPath(ToLocalPath(dir));
    if (real.empty())
        return true;
    if (ComponentCount(real) < 2)
        return true;
    if (const char* home = std::getenv("HOME"); home && *home) {
        std::string realHome = RealPath(home);
        if (realHome.empty())
            realHome = home;
        if (realHome == real || realHome.compare(0, real.size() + 1, real + "/") == 0)
            return true;
    }
    return false;
}

bool DeleteDirectoryTree(const std::string& dir, bool removeDir)
{
    try {
        const std::string path = ToLocalPath(dir);
        if (!IsDirectory(path) || IsProtectedFromTreeDeletion(path))
            return false;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            return false;
        if (S_ISLNK(st.st_mode))
            return removeDir && ::unlink(path.c_str()) == 0;
        if (!S_ISDIR(st.st_mode))
            return false;
        OpenedFolder top;
        if (!OpenFolderAt(AT_FDCWD, path.c_str(), st, top))
            return false;
        bool ok = EmptyFolder(top.fd.Get(), removeDir);
        if (removeDir && ok) {
            top.fd.Reset();
            ok = ::rmdir(path.c_str()) == 0;
        } else {
            GiveBackMode(top);
        }
        return ok;
    } catch (...) {
        return false;
    }
}

std::string CreateUniqueDirectory(const std::string& base)
{
    try {
        const std::string folder = ToLocalPath(base);
        // An empty base would put the folder at the root.
        if (folder.empty() || !MakeFolders(folder))
            return {};
        const std::string stem = UniqueFolderStem();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string prefix = AppendPathDelimiter(folder) + stem;
        for (int i = 0; i <= 998; ++i) {
            const std::string path = i == 0 ? prefix : prefix + ZeroPadded(i, 3);
            if (::mkdir(path.c_str(), 0700) == 0)
                return path;
            if (errno != EEXIST)
                return {};
        }
        return {};
    } catch (...) {
        return {};
    }
}

std::string NextNumberedFileName(const std::string& templ)
{
    const std::string local = ToLocalPath(templ);
    const auto slash = local.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : local.substr(0, slash + 1);
    const std::string ext = ExtensionOf(slash == std::string::npos ? local : local.substr(slash + 1));

    int64_t highest = 0;
    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            const std::string entryExt = ExtensionOf(name);
            int64_t number = 0;
            if (ParseFileNumber(name.substr(0, name.size() - entryExt.size()), number)
                && number > highest && SameText(entryExt, ext))
                highest = number;
        }
        ::closedir(dir);
    }
    return folder + ZeroPadded(highest + 1, 8) + ext;
}

bool HasZipSignature(const std::string& fileName)
{
    if (fileName.find_first_not_of(" \t\r\n") == std::string::npos)
        return false;
    // Non-blocking, so that a named pipe cannot hold us up.
    Fd fd(::open(ToLocalPath(fileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    char head[2];
    return ::pread(fd.Get(), head, 2, 0) == 2 && head[0] == 'P' && head[1] == 'K';
}

} // namespace u3
