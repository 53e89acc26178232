#include "u3/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace u3 {
namespace {

// ENOENT and friends mean there is nothing to replace; anything but a regular
// file means there is something that must stay.
int ReplaceCheck(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    if (S_ISREG(st.st_mode))
        return 0;
    return S_ISDIR(st.st_mode) ? EISDIR : EEXIST;
}

} // namespace

bool IsReplaceableTarget(const std::string& path)
{
    const int refused = ReplaceCheck(path);
    if (refused)
        errno = refused;
    return refused == 0;
}

AtomicFile::AtomicFile(std::string target)
    : target_(std::move(target))
{
    const auto slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target_.substr(0, slash);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string templ = folder + "/." + name + ".XXXXXX";
    fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    temp_ = std::move(templ);
}

AtomicFile::~AtomicFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty())
        ::unlink(temp_.c_str());
}

bool AtomicFile::Fail(int error)
{
    error_ = error;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
    errno = error;
    return false;
}

bool AtomicFile::Write(std::string_view data)
{
    if (fd_ < 0)
        return Fail(error_ ? error_ : EBADF);
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : EIO);
        done += static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::SetMode(mode_t mode)
{
    if (temp_.empty())
        return Fail(error_ ? error_ : EBADF);
    const int rc = fd_ >= 0 ? ::fchmod(fd_, mode) : ::chmod(temp_.c_str(), mode);
    return rc == 0 || Fail(errno);
}

bool AtomicFile::KeepModeOr(mode_t fallback)
{
    struct stat st {};
    return SetMode(::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : fallback);
}

bool AtomicFile::Finish()
{
    if (fd_ < 0)
        return !temp_.empty() || Fail(error_ ? error_ : EBADF);
    if (::fsync(fd_) != 0)
        return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 || Fail(errno);
}

bool AtomicFile::Commit()
{
    if (temp_.empty())
        return Fail(error_ ? error_ : EBADF);
    if (fd_ >= 0 && !Finish())
        return false;
    if (const int refused = ReplaceCheck(target_))
        return Fail(refused);
    if (::rename(temp_.c_str(), target_.c_str()) != 0)
        return Fail(errno);
    temp_.clear();
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t modeForNew)
{
    AtomicFile file(path);
    if (!file.IsOpen()) {
        errno = file.Error();
        return false;
    }
    return file.KeepModeOr(modeForNew) && file.Write(bytes) && file.Commit();
}

} // namespace u3
