#include "ServerProcess.h"

#include "CorbaFront.h"
#include "SoapFront.h"

#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/PrivateFolder.h"
#include "u3/ProcUtils.h"
#include "u3/StrLib.h"

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sampleengine {
namespace {

int ToInt(const std::string& text, const std::string& what)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw UsageError(what + " is no number: '" + text + "'");
    return value;
}

int ToPort(const std::string& text, const std::string& what)
{
    const int port = ToInt(text, what);
    if (port < -1 || port > 65535)
        throw UsageError(what + " is no port: '" + text + "'");
    return port;
}

Fault ToFault(const std::string& text)
{
    try {
        Fault fault = ParseFault(text);
        if (fault.target.empty())
            throw UsageError("a fault needs '@TARGET': '" + text + "'");
        return fault;
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    }
}

Scenario LoadScenario(const std::string& file)
{
    try {
        return Scenario::Load(file);
    } catch (const ScenarioError& e) {
        throw UsageError(e.what());
    }
}

std::string Against(const std::string& dir, const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    return dir + "/" + path;
}

std::string ProgramPath()
{
    return u3::GetExeName();
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool Alive(pid_t pid)
{
    if (pid <= 0 || ::kill(pid, 0) != 0)
        return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const std::size_t paren = text.rfind(')');
    return paren == std::string::npos || paren + 2 >= text.size() || text[paren + 2] != 'Z';
}

// The pid in the file, when that process is alive and is this program.
pid_t RunningInstance(const std::string& pidFile, const std::string& exePath)
{
    std::ifstream in(pidFile);
    long pid = 0;
    if (!(in >> pid) || pid <= 0)
        return 0;
    const pid_t p = static_cast<pid_t>(pid);
    if (!Alive(p) || u3::GetProcessExePath(p) != exePath)
        return 0;
    return p;
}

bool WritePidFile(const std::string& pidFile, pid_t pid)
{
    const std::string temp = pidFile + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const std::string text = std::to_string(pid) + "\n";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written && ::rename(temp.c_str(), pidFile.c_str()) == 0;
}

void RemovePidFileOf(const std::string& pidFile, pid_t pid)
{
    std::ifstream in(pidFile);
    long recorded = 0;
    if (in >> recorded && recorded == pid)
        ::unlink(pidFile.c_str());
}

sigset_t StopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

struct Fronts {
    std::unique_ptr<SampleEngine> engine;
    std::unique_ptr<SoapFront> soap;
    std::unique_ptr<CorbaFront> corba;
};

Fronts StartFronts(const ServerSettings& settings)
{
    Fronts fronts;
    fronts.engine = std::make_unique<SampleEngine>(settings.engine);
    if (settings.soapPort >= 0)
        fronts.soap = std::make_unique<SoapFront>(*fronts.engine, settings.host, settings.soapPort);
    if (settings.corbaPort >= 0)
        fronts.corba = std::make_unique<CorbaFront>(*fronts.engine, settings.host, settings.corbaPort);
    return fronts;
}

void StopFronts(Fronts& fronts)
{
    fronts.corba.reset();
    fronts.soap.reset();
    fronts.engine.reset();
}

void WaitForStopSignal()
{
    const sigset_t set = StopSignals();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
}

int RunForeground(const ServerSettings& settings)
{
    Fronts fronts;
    try {
        fronts = StartFronts(settings);
    } catch (const std::exception& e) {
        std::cerr << "sample-engine: " << e.what() << "\n";
        return 1;
    }
    if (fronts.soap)
        std::cout << "soap " << fronts.soap->Port() << "\n";
    if (fronts.corba)
        std::cout << "corba " << fronts.corba->Port() << "\n";
    std::cout << "ready" << std::endl;
    WaitForStopSignal();
    StopFronts(fronts);
    return 0;
}

// Runs in the background, detached from the terminal and the caller's
// session; tells the caller through readyFd whether it listens.
[[noreturn]] void RunDetached(const ServerSettings& settings, const std::string& pidFile, int readyFd)
{
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO)
            ::close(null);
    }
    if (::chdir("/") != 0) {
        // The settings hold absolute paths; the folder does not matter.
    }
    Fronts fronts;
    // 'R' when running; otherwise a letter and the reason, for the caller to show.
    std::string status = "R";
    try {
        fronts = StartFronts(settings);
        if (!WritePidFile(pidFile, ::getpid()))
            status = "Pcannot write " + pidFile;
    } catch (const std::exception& e) {
        status = std::string("F") + e.what();
    }
    if (::write(readyFd, status.data(), status.size()) != static_cast<ssize_t>(status.size())) {
        // The caller is gone; we run regardless when we could start.
    }
    ::close(readyFd);
    if (status != "R")
        ::_exit(1);
    WaitForStopSignal();
    StopFronts(fronts);
    RemovePidFileOf(pidFile, ::getpid());
    std::fflush(nullptr);
    ::_exit(0);
}

int StartBackground()
{
    const std::string exe = ProgramPath();
    ServerSettings settings;
    try {
        settings = ReadIniSettings(exe + ".ini", FolderOf(exe));
    } catch (const UsageError& e) {
        std::cerr << "sample-engine: " << e.what() << "\n";
        return 2;
    }
    const std::string pidFile = PidFileFor(exe);
    if (pidFile.empty()) {
        std::cerr << "sample-engine: no private runtime folder\n";
        return 1;
    }
    if (RunningInstance(pidFile, exe) != 0)
        return 0;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return 1;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        ::close(pipeFds[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        RunDetached(settings, pidFile, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    int childStatus = 0;
    ::waitpid(child, &childStatus, 0);
    // The pipe closes when the server has started, failed or died.
    std::string status;
    char chunk[256];
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || status.size() > 4096)
            break;
        status.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    if (status == "R")
        return 0;
    std::cerr << "sample-engine: the background server did not start";
    if (status.size() > 1)
        std::cerr << ": " << status.substr(1);
    std::cerr << "\n";
    return 1;
}

int StopBackground()
{
    const std::string exe = ProgramPath();
    const std::string pidFile = PidFileFor(exe);
    const pid_t pid = pidFile.empty() ? 0 : RunningInstance(pidFile, exe);
    if (pid == 0) {
        if (!pidFile.empty())
            ::unlink(pidFile.c_str());
        return 0;
    }
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Alive(pid) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Alive(pid)) {
        ::kill(pid, SIGKILL);
        while (Alive(pid))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::unlink(pidFile.c_str());
    return 0;
}

} // namespace

ServerSettings ParseCommandLine(const std::vector<std::string>& args)
{
    ServerSettings settings;
    std::string scenarioFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size())
            throw UsageError("option without value or unknown: " + option);
        const std::string& value = args[++i];
        if (option == "--soap")
            settings.soapPort = ToPort(value, option);
        else if (option == "--corba")
            settings.corbaPort = ToPort(value, option);
        else if (option == "--forms")
            settings.engine.formsDir = value;
        else if (option == "--files")
            settings.engine.filesDir = value;
        else if (option == "--received")
            settings.engine.receivedDir = value;
        else if (option == "--scenario")
            scenarioFile = value;
        else if (option == "--log")
            settings.engine.logFile = value;
        else if (option == "--part-size")
            settings.engine.partSize = static_cast<std::size_t>(std::max(1, ToInt(value, option)));
        else if (option == "--user-id")
            settings.engine.serverUserID = value;
        else if (option == "--fault")
            settings.engine.faults.push_back(ToFault(value));
        else
            throw UsageError("unknown option: " + option);
    }
    if (settings.soapPort < 0 && settings.corbaPort < 0)
        throw UsageError("neither --soap nor --corba given");
    if (!scenarioFile.empty())
        settings.engine.scenario = LoadScenario(scenarioFile);
    return settings;
}

ServerSettings ReadIniSettings(const std::string& iniFile, const std::string& programDir)
{
    const u3::IniFile ini(iniFile);
    const char* section = "SampleEngine";
    ServerSettings settings;
    const auto path = [&](const char* key, const char* fallback) {
        return Against(programDir, ini.ReadString(section, key, fallback));
    };
    settings.engine.formsDir = path("Forms", "forms");
    settings.engine.filesDir = path("Files", "files");
    settings.engine.receivedDir = path("Received", "received");
    settings.engine.logFile = path("Log", "");
    settings.engine.partSize = static_cast<std::size_t>(std::max(1, ini.ReadInteger(section, "PartSize", 1 << 20)));
    settings.engine.serverUserID = ini.ReadString(section, "UserID", "");
    settings.soapPort = ToPort(ini.ReadString(section, "SoapPort", "21000"), "SoapPort");
    settings.corbaPort = ToPort(ini.ReadString(section, "CorbaPort", "11000"), "CorbaPort");
    const std::string faults = ini.ReadString(section, "Fault", "");
    std::size_t start = 0;
    while (start <= faults.size()) {
        std::size_t end = faults.find(';', start);
        if (end == std::string::npos)
            end = faults.size();
        const std::string text = u3::Trim(faults.substr(start, end - start));
        if (!text.empty())
            settings.engine.faults.push_back(ToFault(text));
        start = end + 1;
    }
    const std::string scenario = path("Scenario", "");
    if (!scenario.empty())
        settings.engine.scenario = LoadScenario(scenario);
    return settings;
}

std::string PidFileFor(const std::string& exePath)
{
    std::string folder;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        folder = std::string(runtime) + "/sample-engine";
    else
        folder = u3::PrivateFolder::TempBase() + "/sample-engine-" + std::to_string(::getuid());
    if (!u3::PrivateFolder::EnsurePrivateDirectory(folder))
        return {};
    // One instance per installed program: the name comes from its path.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char ch : exePath)
        hash = (hash ^ ch) * 1099511628211ull;
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.pid", static_cast<unsigned long long>(hash));
    return folder + "/" + name;
}

int RunProgram(const std::vector<std::string>& args)
{
    std::signal(SIGPIPE, SIG_IGN);
    // Every thread started from here on leaves the stop signals to sigwait.
    const sigset_t stop = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    if (args.size() == 1 && args[0] == "/a")
        return StartBackground();
    if (args.size() == 1 && args[0] == "/s")
        return StopBackground();
    try {
        return RunForeground(ParseCommandLine(args));
    } catch (const UsageError& e) {
        std::cerr << "sample-engine: " << e.what() << "\n"
                  << "usage: sample-engine /a | /s | [--soap PORT] [--corba PORT] [--forms DIR] [--files DIR]\n"
                  << "       [--received DIR] [--scenario FILE] [--log FILE] [--part-size BYTES]\n"
                  << "       [--user-id ID] [--fault KIND[:ARG]@TARGET]...\n";
        return 2;
    }
}

} // namespace sampleengine
