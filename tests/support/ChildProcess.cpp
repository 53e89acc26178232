#include "support/ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e3test {

ChildProcess::ChildProcess(const std::vector<std::string>& args, int stopSignal) : stopSignal_(stopSignal)
{
    int fds[2];
    if (args.empty() || ::pipe2(fds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
}

ChildProcess::~ChildProcess()
{
    Stop();
    if (out_ >= 0)
        ::close(out_);
}

std::string ChildProcess::ReadUntil(const std::string& mark, std::chrono::milliseconds limit)
{
    if (out_ < 0)
        return {};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (text_.find(mark) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return {};
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[512];
        const ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text_.append(buffer, static_cast<std::size_t>(got));
    }
    return text_;
}

std::string ChildProcess::ReadToEnd()
{
    if (out_ < 0)
        return {};
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(out_, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0)
            text_.append(buffer, static_cast<std::size_t>(got));
    }
    return text_;
}

int ChildProcess::PrintedPort(const std::string& name) const
{
    const std::size_t at = text_.find(name + " ");
    return at == std::string::npos ? -1 : std::stoi(text_.substr(at + name.size() + 1));
}

bool ChildProcess::Exited()
{
    if (pid_ <= 0)
        return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_)
        return false;
    pid_ = -1;
    status_ = status;
    return true;
}

int ChildProcess::Wait()
{
    if (pid_ <= 0)
        return status_;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    status_ = status;
    return status_;
}

void ChildProcess::Stop()
{
    if (!Exited()) {
        ::kill(pid_, stopSignal_);
        Wait();
    }
}

std::pair<int, std::string> RunProgram(const std::vector<std::string>& args)
{
    ChildProcess child(args);
    if (child.Pid() <= 0)
        return {-1, {}};
    std::string out = child.ReadToEnd();
    const int status = child.Wait();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::move(out)};
}

} // namespace e3test
