#include "u3/ProcUtils.h"

#include "u3/CommandLine.h"
#include "u3/Files.h"
#include "u3/Logger.h"
#include "u3/PollClock.h"
#include "u3/StrLib.h"
#include "u3/UserMessages.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>

extern char** environ;

namespace u3 {
namespace {

// ---- children started here -------------------------------------------------

struct ChildRecord {
    std::uint64_t startTime = 0;
    bool reaped = false;
};

std::mutex childLock;
// Records stay after reaping: the start time is what tells a later call with
// the same id that it now names somebody else's process.
std::map<pid_t, ChildRecord> children;

void RememberChild(pid_t pid, std::uint64_t startTime)
{
    std::lock_guard<std::mutex> guard(childLock);
    children[pid] = ChildRecord {startTime, false};
}

void MarkReaped(pid_t pid)
{
    std::lock_guard<std::mutex> guard(childLock);
    auto it = children.find(pid);
    if (it != children.end())
        it->second.reaped = true;
}

// Collects the exit status of one of our children when it has ended, so that
// its id stops showing as a zombie.
void ReapIfOurs(pid_t pid)
{
    std::lock_guard<std::mutex> guard(childLock);
    auto it = children.find(pid);
    if (it == children.end() || it->second.reaped)
        return;
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD))
        it->second.reaped = true;
}

void ReapEndedChildren()
{
    std::lock_guard<std::mutex> guard(childLock);
    for (auto& [pid, record] : children) {
        if (record.reaped)
            continue;
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            record.reaped = true;
    }
}

bool RecordedStartTime(pid_t pid, std::uint64_t& startTime)
{
    std::lock_guard<std::mutex> guard(childLock);
    auto it = children.find(pid);
    if (it == children.end())
        return false;
    startTime = it->second.startTime;
    return true;
}

// ---- /proc --------------------------------------------------------------------

struct ProcStat {
    std::string comm;
    char state = '?';
    pid_t ppid = 0;
    std::uint64_t startTime = 0;
};

bool ReadSmallFile(const std::string& path, std::string& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out.clear();
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return n == 0;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
}

bool ReadStat(pid_t pid, ProcStat& stat)
{
    std::string text;
    if (!ReadSmallFile("/proc/" + std::to_string(pid) + "/stat", text))
        return false;
    // The name sits in parentheses and may itself hold blanks and parentheses.
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    stat.comm = text.substr(open + 1, close - open - 1);
    const char* p = text.c_str() + close + 1;
    // After the name: state, ppid, then 17 more fields up to starttime.
    char state = 0;
    long ppid = 0;
    int consumed = 0;
    if (std::sscanf(p, " %c %ld%n", &state, &ppid, &consumed) != 2)
        return false;
    p += consumed;
    for (int field = 0; field < 17; ++field) {
        while (*p == ' ')
            ++p;
        while (*p && *p != ' ')
            ++p;
    }
    unsigned long long start = 0;
    if (std::sscanf(p, " %llu", &start) != 1)
        return false;
    stat.state = state;
    stat.ppid = static_cast<pid_t>(ppid);
    stat.startTime = start;
    return true;
}

bool IsGone(const ProcStat& stat)
{
    return stat.state == 'Z' || stat.state == 'X' || stat.state == 'x';
}

std::string ReadLink(const std::string& path)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string ExeLink(pid_t pid)
{
    std::string path = ReadLink("/proc/" + std::to_string(pid) + "/exe");
    // A program replaced on disk while it runs still is that program.
    static const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool HasExeSuffix(const std::string& name)
{
    return name.size() > 4 && SameText(name.substr(name.size() - 4), ".exe");
}

std::string WithoutExeSuffix(const std::string& name)
{
    return HasExeSuffix(name) ? name.substr(0, name.size() - 4) : name;
}

// Programs that were named with ".exe" elsewhere are the same programs here
// with or without that suffix.
bool SameProgram(const std::string& a, const std::string& b)
{
    return SameText(WithoutExeSuffix(a), WithoutExeSuffix(b));
}

bool IsPid(const char* name, pid_t& pid)
{
    if (!*name)
        return false;
    long value = 0;
    for (const char* p = name; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        value = value * 10 + (*p - '0');
        if (value > INT_MAX)
            return false;
    }
    pid = static_cast<pid_t>(value);
    return true;
}

// Calls visit for each live process (zombies skipped) until it returns true.
// Throws when the process table cannot be read at all.
void ForEachProcess(const std::function<bool(pid_t, const ProcStat&)>& visit)
{
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir("/proc"), &::closedir);
    if (!dir)
        throw std::runtime_error(GetLastErrorText());
    while (const dirent* entry = ::readdir(dir.get())) {
        pid_t pid = 0;
        if (!IsPid(entry->d_name, pid))
            continue;
        ProcStat stat;
        if (!ReadStat(pid, stat) || IsGone(stat))
            continue;
        if (visit(pid, stat))
            return;
    }
}

std::string ProcessName(pid_t pid, const ProcStat& stat)
{
    const std::string exe = ExeLink(pid);
    return exe.empty() ? stat.comm : FileNameOf(exe);
}

std::vector<std::string> ReadCmdline(pid_t pid)
{
    std::string text;
    std::vector<std::string> args;
    if (!ReadSmallFile("/proc/" + std::to_string(pid) + "/cmdline", text))
        return args;
    size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\0', start);
        if (end == std::string::npos)
            end = text.size();
        args.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

// The path an interpreter was given as its script: the first argument after
// the interpreter's own options, made absolute against the process's folder.
// Whether it really is a script is checked separately (it reads the file).
std::string ScriptCandidate(pid_t pid)
{
    const auto args = ReadCmdline(pid);
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty())
            return {};
        if (arg[0] == '-')
            continue;
        if (arg[0] == '/')
            return arg;
        const std::string cwd = ReadLink("/proc/" + std::to_string(pid) + "/cwd");
        if (cwd.empty())
            return {};
        return (cwd == "/" ? cwd : cwd + "/") + (arg.compare(0, 2, "./") == 0 ? arg.substr(2) : arg);
    }
    return {};
}

bool StartsWithShebang(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    char head[2] = {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::read(fd, head, 2) == 2
        && head[0] == '#' && head[1] == '!';
    ::close(fd);
    return ok;
}

// ---- starting -----------------------------------------------------------------

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string ResolveProgram(const std::string& name)
{
    std::vector<std::string> spellings {name};
    if (HasExeSuffix(name))
        spellings.push_back(WithoutExeSuffix(name));

    if (name.find('/') != std::string::npos) {
        for (const auto& spelling : spellings) {
            if (IsExecutableFile(spelling))
                return spelling;
        }
        return {};
    }

    std::vector<std::string> folders;
    const std::string exe = GetExeName();
    if (!exe.empty())
        folders.push_back(FolderOf(exe));
    if (const char* path = std::getenv("PATH")) {
        std::string list = path;
        size_t start = 0;
        while (start <= list.size()) {
            auto end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            // An empty entry would mean the current folder: never search it.
            if (end > start)
                folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    for (const auto& folder : folders) {
        for (const auto& spelling : spellings) {
            const std::string candidate = (folder == "/" ? folder : folder + "/") + spelling;
            if (IsExecutableFile(candidate))
                return candidate;
        }
    }
    return {};
}

// Starts args without a shell; 0 with errno set when it could not be started.
// glibc's posix_spawn reports a failed exec as its result, so a program that
// cannot run never shows up as a started process.
StartedProcess Spawn(const std::vector<std::string>& args)
{
    if (args.empty()) {
        errno = ENOENT;
        return {};
    }
    const std::string program = ResolveProgram(args[0]);
    if (program.empty()) {
        errno = ENOENT;
        return {};
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        errno = rc;
        return {};
    }
    ProcStat stat;
    const std::uint64_t startTime = ReadStat(pid, stat) ? stat.startTime : 0;
    RememberChild(pid, startTime);
    return StartedProcess {pid, startTime};
}

// ---- ending -------------------------------------------------------------------

// A handle on exactly one process where the kernel offers it, so that a
// signal cannot reach a process that took over the id meanwhile.
class ProcessHandle {
public:
    explicit ProcessHandle(pid_t pid)
        : pid_(pid)
    {
#ifdef SYS_pidfd_open
        fd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#endif
    }
    ~ProcessHandle()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    // False with errno set; ESRCH means the process is gone already.
    bool Signal(int sig) const
    {
#ifdef SYS_pidfd_send_signal
        if (fd_ >= 0)
            return ::syscall(SYS_pidfd_send_signal, fd_, sig, nullptr, 0) == 0;
#endif
        return ::kill(pid_, sig) == 0;
    }

private:
    pid_t pid_;
    int fd_ = -1;
};

bool WaitUntilGone(pid_t pid)
{
    PollClock& clock = CurrentPollClock();
    const auto deadline = clock.Now() + kProcessWaitTimeout;
    while (ProcessExists(pid)) {
        if (clock.Now() >= deadline)
            return false;
        clock.Sleep(kPollInterval);
    }
    return true;
}

// expectedStart 0: any process with this id.
void Terminate(pid_t pid, std::uint64_t expectedStart)
{
    if (pid <= 0)
        return; // kill(0) and kill(-1) would reach whole process groups
    try {
        for (int sig : {SIGTERM, SIGKILL}) {
            ProcessHandle handle(pid);
            if (!ProcessExists(pid))
                return;
            if (expectedStart != 0 && ReadProcessStartTime(pid) != expectedStart)
                return; // the id was reused: not ours to end
            if (!handle.Signal(sig)) {
                if (errno == ESRCH)
                    return;
                throw std::runtime_error(GetLastErrorText());
            }
            if (WaitUntilGone(pid))
                return;
        }
        throw std::runtime_error("Process " + std::to_string(pid) + " did not end");
    } catch (const std::exception& e) {
        LogErrorIn("TerminateProcessExecute", e.what());
    }
}

} // namespace

std::uint64_t ReadProcessStartTime(pid_t pid)
{
    if (pid <= 0)
        return 0;
    ReapIfOurs(pid);
    ProcStat stat;
    if (!ReadStat(pid, stat) || IsGone(stat))
        return 0;
    return stat.startTime;
}

StartedProcess StartCommandLineProcess(const std::string& commandLine)
{
    const StartedProcess started = Spawn(SplitCommandLine(commandLine));
    if (started.Pid == 0)
        CurrentUserMessages().ShowInformation("Cannot start application " + commandLine);
    return started;
}

pid_t StartCommandLine(const std::string& commandLine)
{
    return StartCommandLineProcess(commandLine).Pid;
}

void RunCommandLineAndWait(const std::string& commandLine)
{
    const StartedProcess started = StartCommandLineProcess(commandLine);
    if (started.Pid == 0)
        return;
    int status = 0;
    while (::waitpid(started.Pid, &status, 0) < 0 && errno == EINTR) {
    }
    MarkReaped(started.Pid);
}

bool GetProcessList(ProcessList& list, bool byId)
{
    list.clear();
    ReapEndedChildren();
    ForEachProcess([&](pid_t pid, const ProcStat& stat) {
        if (byId)
            list.push_back(ListEntry {std::to_string(pid), stat.ppid});
        else
            list.push_back(ListEntry {ProcessName(pid, stat), pid});
        return false;
    });
    return true;
}

bool GetProcessPathList(ProcessList& list)
{
    if (!GetProcessList(list, false))
        return false;
    for (auto& entry : list) {
        std::string path = GetProcessExePath(static_cast<pid_t>(entry.Object));
        if (!path.empty())
            entry.Text = std::move(path);
    }
    return true;
}

bool GetProcessModuleList(pid_t pid, ProcessList& list)
{
    list.clear();
    std::string text;
    if (pid <= 0 || !ReadSmallFile("/proc/" + std::to_string(pid) + "/maps", text))
        throw std::runtime_error(pid <= 0 ? GetErrorText(ESRCH) : GetLastErrorText());
    std::unordered_map<std::string, size_t> seen;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        // start-end perms offset dev inode, then the path (which may hold blanks).
        unsigned long long start = 0;
        if (std::sscanf(line.c_str(), "%llx-", &start) != 1)
            continue;
        size_t pos = 0;
        for (int field = 0; field < 5 && pos != std::string::npos; ++field) {
            pos = line.find_first_not_of(' ', pos);
            pos = pos == std::string::npos ? pos : line.find(' ', pos);
        }
        if (pos == std::string::npos)
            continue;
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string::npos || line[pos] != '/')
            continue;
        std::string path = line.substr(pos);
        auto [it, inserted] = seen.emplace(path, list.size());
        if (inserted)
            list.push_back(ListEntry {std::move(path), static_cast<std::int64_t>(start)});
        else if (static_cast<std::uint64_t>(list[it->second].Object) > start)
            list[it->second].Object = static_cast<std::int64_t>(start);
    }
    return true;
}

std::string GetProcessExePath(pid_t pid)
{
    if (pid <= 0)
        return {};
    return ExeLink(pid);
}

std::string GetProcessScriptPath(pid_t pid)
{
    if (pid <= 0)
        return {};
    std::string candidate = ScriptCandidate(pid);
    return !candidate.empty() && StartsWithShebang(candidate) ? candidate : std::string();
}

pid_t FindRunningProcess(const std::string& nameOrPath)
{
    if (nameOrPath.empty())
        return 0;
    try {
        ReapEndedChildren();
        pid_t found = 0;
        if (FileNameOf(nameOrPath) == nameOrPath) {
            ForEachProcess([&](pid_t pid, const ProcStat& stat) {
                if (SameProgram(ProcessName(pid, stat), nameOrPath))
                    found = pid;
                return found != 0;
            });
            return found;
        }
        std::string canonical;
        if (char* real = ::realpath(nameOrPath.c_str(), nullptr)) {
            canonical = real;
            std::free(real);
        }
        auto matches = [&](const std::string& path) {
            return !path.empty()
                && (SameProgram(path, nameOrPath) || (!canonical.empty() && SameProgram(path, canonical)));
        };
        ForEachProcess([&](pid_t pid, const ProcStat&) {
            if (matches(ExeLink(pid))) {
                found = pid;
            } else {
                const std::string script = ScriptCandidate(pid);
                if (matches(script) && StartsWithShebang(script))
                    found = pid;
            }
            return found != 0;
        });
        return found;
    } catch (...) {
        return 0;
    }
}

bool ProcessExists(pid_t pid)
{
    return ReadProcessStartTime(pid) != 0;
}

bool StartProcessHidden(const std::string& programPath, const std::string& params, bool raiseOnError)
{
    if (FindRunningProcess(programPath) != 0)
        return false;
    std::vector<std::string> args {programPath};
    for (auto& arg : SplitCommandLine(params))
        args.push_back(std::move(arg));
    if (Spawn(args).Pid == 0) {
        if (raiseOnError)
            throw std::runtime_error("The error occurred while trying to start " + programPath);
        return false;
    }
    PollClock& clock = CurrentPollClock();
    const auto deadline = clock.Now() + kProcessWaitTimeout;
    while (FindRunningProcess(programPath) == 0) {
        if (clock.Now() >= deadline)
            return false;
        clock.Sleep(kPollInterval);
    }
    return true;
}

void TerminateProcessExecute(pid_t pid, bool /*flag*/)
{
    if (pid <= 0)
        return;
    std::uint64_t recorded = 0;
    if (RecordedStartTime(pid, recorded) && recorded != 0)
        Terminate(pid, recorded);
    else
        Terminate(pid, 0);
}

void TerminateProcessExecute(const StartedProcess& process, bool /*flag*/)
{
    if (process.Pid <= 0 || process.StartTime == 0)
        return;
    Terminate(process.Pid, process.StartTime);
}

std::string GetErrorText(int code)
{
    if (const char* text = ::strerrordesc_np(code))
        return text;
    return "Error code " + std::to_string(code);
}

std::string GetLastErrorText()
{
    return GetErrorText(errno);
}

} // namespace u3
