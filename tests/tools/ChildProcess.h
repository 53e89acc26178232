#pragma once
// A program run by a test: argument list, no shell; stdout read through a
// pipe; killed and reaped when the test ends, also on failure.
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e3test {

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& args)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~ChildProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (out_ >= 0)
            ::close(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // stdout up to and including the line "ready", or all of it when the
    // program ends first; empty when the time runs out.
    std::string ReadUntilReady(std::chrono::seconds limit = std::chrono::seconds(30))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (text_.find("ready\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return {};
            pollfd p {out_, POLLIN, 0};
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

    // The number after "name " in what the program printed; -1 when absent.
    int PrintedPort(const std::string& name) const
    {
        const std::size_t at = text_.find(name + " ");
        return at == std::string::npos ? -1 : std::stoi(text_.substr(at + name.size() + 1));
    }

    // The exit status (as waitpid gives it), or -1.
    int Wait()
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

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    std::string text_;
};

// Runs a program to its end; its exit code (-1 when it did not end normally)
// and its stdout.
inline std::pair<int, std::string> RunProgram(const std::vector<std::string>& args)
{
    ChildProcess child(args);
    std::string out = child.ReadUntilReady(std::chrono::seconds(60));
    const int status = child.Wait();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace e3test
