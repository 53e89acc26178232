#include "u3/PrivateFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace u3 {

std::string PrivateFolder::TempBase()
{
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp == '/')
        return tmp;
    return "/tmp";
}

bool PrivateFolder::EnsurePrivateDirectory(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false; // a link or a file planted in our place
    if (st.st_uid != ::geteuid())
        return false;
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        // Ours but open to others: close it before use.
        if (::chmod(path.c_str(), 0700) != 0)
            return false;
    }
    return true;
}

PrivateFolder::PrivateFolder(const std::string& base, const std::string& name)
{
    const std::string candidate = base + "/" + name + "-" + std::to_string(::geteuid());
    if (!EnsurePrivateDirectory(candidate))
        return;
    path_ = candidate;
    const std::string lockFile = path_ + "/.lock";
    lockFd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0)
        return;
    // Exclusive only when nobody else holds it; the sole user keeps it so
    // until it has cleaned up, and then shares it like every other instance.
    sole_ = ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0;
    if (!sole_)
        ::flock(lockFd_, LOCK_SH);
}

void PrivateFolder::Share()
{
    if (lockFd_ >= 0 && sole_)
        ::flock(lockFd_, LOCK_SH);
}

PrivateFolder::~PrivateFolder()
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

} // namespace u3
