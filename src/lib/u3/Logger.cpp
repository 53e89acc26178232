#include "u3/Logger.h"

#include "u3/Files.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace u3 {
namespace {

std::string ReplaceExtension(const std::string& path, const std::string& newTail)
{
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        ? path.substr(0, dot) : path;
    return stem + newTail;
}

std::string TimeStamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local {};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof(text), "%02d-%02d-%04d %02d:%02d:%02d.%03d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, millis);
    return text;
}

} // namespace

TApplicationLogger::TApplicationLogger(int noFile)
    : MaxLevel(1)
{
    if (noFile == 0) {
        MaxLevel = 2;
        const std::string exe = GetExeName();
        auto slash = exe.rfind('/');
        const std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
        FileName = LogFilePath(ReplaceExtension(name, "_ext.log"));
    }
}

void TApplicationLogger::Log(int level, const std::string& msg)
{
    if (level <= MaxLevel && !FileName.empty()) {
        const std::string line = TimeStamp() + " L" + std::to_string(level) + " " + msg + " \r\n";
        std::lock_guard<std::mutex> guard(lock_);
        // One write in append mode: a whole line lands at the end even when
        // another process appends to the same log.
        int fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ssize_t written = ::write(fd, line.data(), line.size());
            (void)written; // a line that cannot be written is lost, by design
            ::close(fd);
        }
    }
    if (level == 10)
        throw std::runtime_error(msg);
}

TApplicationLogger& ApplicationLogger()
{
    static TApplicationLogger logger(0);
    return logger;
}

void LogErrorIn(const std::string& operation, const std::string& message)
{
    ApplicationLogger().Log(1, "An error occured in " + operation + ". Message: " + message);
}

} // namespace u3
