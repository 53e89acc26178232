#include "support/RunAsUnprivileged.h"

#include <cerrno>
#include <filesystem>
#include <grp.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e3test {
namespace {

constexpr uid_t kNobodyUid = 65534;
constexpr gid_t kNobodyGid = 65534;

} // namespace

void GiveToUnprivileged(const std::string& path)
{
    if (::geteuid() != 0)
        return;
    ::lchown(path.c_str(), kNobodyUid, kNobodyGid);
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        ::lchown(it->path().c_str(), kNobodyUid, kNobodyGid);
}

int RunAsUnprivileged(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int code = 255;
        if (::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobodyGid) != 0
                || ::setuid(kNobodyUid) != 0 || ::setuid(0) == 0)
                ::_exit(254);
        }
        try {
            code = body();
        } catch (...) {
            code = 253;
        }
        // _exit: the child must not run the parent's exit handlers or flush its buffers twice.
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (!WIFEXITED(status))
        return -1;
    const int code = WEXITSTATUS(status);
    return code >= 253 ? -1 : code;
}

} // namespace e3test
