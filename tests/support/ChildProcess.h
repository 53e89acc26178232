#pragma once
// A program a test starts, most often a server on a loopback port: argument
// list, no shell; its stdout read through a pipe; stopped and reaped when the
// test is done with it, also when the test fails.
#include <chrono>
#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace e3test {

class ChildProcess {
public:
    // stopSignal is what ends the program when the test is done with it
    // (SIGTERM for one that must clean up after itself).
    explicit ChildProcess(const std::vector<std::string>& args, int stopSignal = SIGKILL);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // -1 when the program could not be started.
    pid_t Pid() const { return pid_; }

    // stdout up to and including mark, or all of it when the program closes
    // stdout first; empty when the time runs out. Waits on the monotonic clock.
    std::string ReadUntil(const std::string& mark, std::chrono::milliseconds limit);
    // Up to the line "ready", the sample engine's sign that it serves.
    std::string ReadUntilReady(std::chrono::seconds limit = std::chrono::seconds(30))
    {
        return ReadUntil("ready\n", limit);
    }
    std::string ReadFirstLine(std::chrono::seconds limit = std::chrono::seconds(30)) { return ReadUntil("\n", limit); }
    // All of stdout, however long the program takes to close it.
    std::string ReadToEnd();

    // The number after "name " in what was read so far; -1 when absent.
    int PrintedPort(const std::string& name) const;

    // True once the program has ended (it is then reaped); does not wait.
    bool Exited();
    // The exit status as waitpid gives it, or -1 when it never ran.
    int Wait();
    // Sends the stop signal unless the program has ended, and reaps it.
    void Stop();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    int stopSignal_;
    std::string text_;
};

// Runs a program to its end: its exit code (-1 when it could not run or did
// not end normally) and its stdout.
std::pair<int, std::string> RunProgram(const std::vector<std::string>& args);

} // namespace e3test
