// The program's own path and where its logs go.
#include "u3/Files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace u3 {
namespace {

std::mutex overrideLock;
std::string exeOverride;

std::string FolderOf(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string BaseNameWithoutExt(const std::string& path)
{
    auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool MakePrivateFolders(const std::string& path)
{
    // Creates each missing component; the last one private to the user.
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    // The folder may have been there before us (with /tmp as the state folder,
    // anyone can make it): only a folder that is ours alone will do, or its
    // owner could lead our log lines into another file with a link.
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()
        && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

std::string GetExeName()
{
    {
        std::lock_guard<std::mutex> guard(overrideLock);
        if (!exeOverride.empty())
            return exeOverride;
    }
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

void SetExeNameOverride(const std::string& path)
{
    std::lock_guard<std::mutex> guard(overrideLock);
    exeOverride = path;
}

std::string LogFilePath(const std::string& fileName)
{
    const std::string exe = GetExeName();
    const std::string besideProgram = FolderOf(exe);
    if (::access(besideProgram.c_str(), W_OK) == 0)
        return besideProgram + "/" + fileName;

    std::string state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/')
        state = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home == '/')
        state = std::string(home) + "/.local/state";
    else
        state = "/tmp";
    const std::string folder = state + "/" + BaseNameWithoutExt(exe);
    if (!MakePrivateFolders(folder))
        return besideProgram + "/" + fileName;
    return folder + "/" + fileName;
}

} // namespace u3
