#pragma once
// The sample engine as the benchmarks of the client use it: started as a child
// process with a scenario, reached over CORBA, and watched through an engine
// that forwards every call and lets a benchmark see the events on their way.
#include "engineapi/GUIEngine.h"
#include "enginelink/CorbaClient.h"
#include "u3/Files.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace benchengine {

[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(2);
}

inline std::string ProgramFolder()
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        Fail("cannot find this program");
    const std::string program(self, static_cast<size_t>(n));
    return program.substr(0, program.rfind('/'));
}

// A private scratch folder for the run: the temporary files and the
// program's own files (settings, logs) go there.
inline std::string PrivateScratch()
{
    char scratchTemplate[] = "/tmp/e3bench.XXXXXX";
    if (!::mkdtemp(scratchTemplate))
        Fail("cannot make a scratch folder");
    const std::string scratch = scratchTemplate;
    ::setenv("TMPDIR", scratch.c_str(), 1);
    u3::SetExeNameOverride(scratch + "/bench");
    return scratch;
}

// Runs a program with its output read through a pipe.
class Child {
public:
    explicit Child(std::vector<std::string> args)
    {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0)
            Fail("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const int rc = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        fd_ = out[0];
        if (rc != 0)
            Fail("cannot start " + args[0]);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    // One line of its output, without the line end; empty at its end.
    std::string ReadLine()
    {
        std::string line;
        char c;
        while (::read(fd_, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        return line;
    }
    int Wait()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

// The sample engine serving a scenario file over CORBA, and the link to it.
class SampleEngine {
public:
    explicit SampleEngine(const std::string& scenarioFile)
        : process_({ProgramFolder() + "/../tools/sample-engine/sample-engine", "--corba", "0", "--scenario",
                    scenarioFile})
    {
        std::string port;
        for (std::string line; (line = process_.ReadLine()) != "ready";) {
            if (line.empty())
                Fail("the sample engine did not start");
            if (line.rfind("corba ", 0) == 0)
                port = line.substr(6);
        }
        link_ = std::make_unique<enginelink::TmtdORBClient>("GUIEngine", "inet:127.0.0.1:" + port, true);
        if (!link_->Connect())
            Fail("cannot connect to the sample engine");
    }
    client::IClientGUIEngine& Link() { return *link_; }

private:
    Child process_;
    std::unique_ptr<enginelink::TmtdORBClient> link_;
};

// Passes every call on to the engine link; Seen is told of each event first.
class ForwardingEngine : public client::IClientGUIEngine {
public:
    explicit ForwardingEngine(client::IClientGUIEngine& inner) : inner_(inner) {}

    std::string ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                             const std::string& senderType, const std::string& eventName,
                             const std::string& eventValues) override
    {
        Seen(senderName, senderType, eventName, eventValues);
        return inner_.ExecuteEvent(senderClass, senderName, senderType, eventName, eventValues);
    }
    std::string GetFile(const std::string& a, const std::string& b, const std::string& c) override
    {
        return inner_.GetFile(a, b, c);
    }
    std::string SetFile(const std::string& a, const std::string& b, const std::string& c) override
    {
        return inner_.SetFile(a, b, c);
    }
    std::string OnMessage(const std::string& a, const std::string& b) override { return inner_.OnMessage(a, b); }
    std::string GetGUIEngine(const std::string& a, const std::string& b, std::string& c,
                             std::shared_ptr<client::IGUIEngine>& e) override
    {
        return inner_.GetGUIEngine(a, b, c, e);
    }
    std::string SetGUIEngine(const std::string& a, const std::string& b, const std::string& c,
                             std::shared_ptr<client::IGUIEngine> e) override
    {
        return inner_.SetGUIEngine(a, b, c, e);
    }
    std::string CommandGUIEngine(const std::string& a, const std::string& b, const std::string& c,
                                 const std::string& d) override
    {
        return inner_.CommandGUIEngine(a, b, c, d);
    }
    bool Connect() override { return inner_.Connect(); }

protected:
    virtual void Seen(const std::string& senderName, const std::string& senderType, const std::string& eventName,
                      const std::string& eventValues) = 0;

private:
    client::IClientGUIEngine& inner_;
};

} // namespace benchengine
