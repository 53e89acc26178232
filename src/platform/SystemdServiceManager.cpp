#include "platform/SystemdServiceManager.h"

#include "u3/AtomicFile.h"
#include "u3/SystemdUnit.h"

#include <QProcess>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kSystemctlTimeoutMs = 30000;

std::string Trimmed(const QByteArray& bytes)
{
    return bytes.trimmed().toStdString();
}

QString UnitName(const std::string& name)
{
    return QString::fromStdString(name + ".service");
}

bool CheckName(const std::string& name, std::string& error)
{
    if (u3::IsValidUnitName(name))
        return true;
    error = "Invalid service name: " + name;
    return false;
}

// Written beside the target and renamed over it, so that systemd never reads
// half a unit.
bool WriteUnitFile(const std::string& path, const std::string& text, std::string& error)
{
    if (u3::WriteFileAtomically(path, text, 0644))
        return true;
    error = std::strerror(errno);
    return false;
}

} // namespace

SystemdServiceManager::SystemdServiceManager(std::string unitFolder, std::string systemctl)
    : unitFolder_(unitFolder.empty() ? DefaultUnitFolder() : std::move(unitFolder))
    , systemctl_(std::move(systemctl))
{
}

std::string SystemdServiceManager::DefaultUnitFolder()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/systemd/user";
    const char* home = std::getenv("HOME");
    return std::string(home && *home == '/' ? home : "") + "/.config/systemd/user";
}

std::string SystemdServiceManager::UnitFilePath(const std::string& name) const
{
    return unitFolder_ + "/" + name + ".service";
}

bool SystemdServiceManager::Systemctl(const QStringList& args, std::string& output, std::string& error) const
{
    QProcess process;
    QStringList all {QStringLiteral("--user")};
    all += args;
    process.start(QString::fromStdString(systemctl_), all);
    if (!process.waitForStarted(kSystemctlTimeoutMs)) {
        error = "Cannot run " + systemctl_ + ": " + process.errorString().toStdString();
        return false;
    }
    if (!process.waitForFinished(kSystemctlTimeoutMs)) {
        process.kill();
        process.waitForFinished(kSystemctlTimeoutMs);
        error = systemctl_ + " did not answer";
        return false;
    }
    output = Trimmed(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = Trimmed(process.readAllStandardError());
        if (error.empty())
            error = output.empty() ? systemctl_ + " failed with code " + std::to_string(process.exitCode()) : output;
        return false;
    }
    return true;
}

bool SystemdServiceManager::Connect(std::string& error)
{
    std::string state;
    std::string failure;
    // Exits non-zero for a degraded manager too, so the answer is what counts.
    Systemctl({QStringLiteral("is-system-running")}, state, failure);
    for (const char* usable : {"running", "degraded", "starting", "initializing", "maintenance"}) {
        if (state == usable)
            return true;
    }
    error = !failure.empty() ? failure : "The user service manager is not available (" + state + ")";
    return false;
}

u3::OpenResult SystemdServiceManager::OpenService(const std::string& name, std::string& error)
{
    if (!CheckName(name, error))
        return u3::OpenResult::Failed;
    std::error_code ec;
    if (std::filesystem::is_regular_file(UnitFilePath(name), ec))
        return u3::OpenResult::Opened;
    std::string state;
    if (!Systemctl({QStringLiteral("show"), QStringLiteral("-p"), QStringLiteral("LoadState"),
                    QStringLiteral("--value"), UnitName(name)},
                   state, error))
        return u3::OpenResult::Failed;
    if (state == "not-found") {
        error = "The unit " + name + ".service does not exist.";
        return u3::OpenResult::Missing;
    }
    return u3::OpenResult::Opened;
}

bool SystemdServiceManager::ReadUnit(const std::string& name, u3::ServiceConfig& config, bool& restart,
                                     std::string& error) const
{
    if (!CheckName(name, error))
        return false;
    const std::string path = UnitFilePath(name);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!u3::ParseSystemdUnit(text.str(), config, restart)) {
        error = path + " has no ExecStart";
        return false;
    }
    return true;
}

bool SystemdServiceManager::QueryConfig(const std::string& name, u3::ServiceConfig& config, std::string& error)
{
    bool restart = false;
    return ReadUnit(name, config, restart, error);
}

bool SystemdServiceManager::InstallUnit(const std::string& name, const u3::ServiceConfig& config, bool restart,
                                        std::string& error)
{
    if (!CheckName(name, error))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(unitFolder_, ec);
    if (ec) {
        error = "Cannot create " + unitFolder_ + ": " + ec.message();
        return false;
    }
    if (!WriteUnitFile(UnitFilePath(name), u3::SystemdUnitText(config, restart), error))
        return false;
    std::string output;
    if (!Systemctl({QStringLiteral("daemon-reload")}, output, error))
        return false;
    const QString verb = config.StartType == 2 ? QStringLiteral("enable") : QStringLiteral("disable");
    return Systemctl({verb, UnitName(name)}, output, error);
}

bool SystemdServiceManager::CreateService(const std::string& name, const u3::ServiceConfig& config, std::string& error)
{
    return InstallUnit(name, config, false, error);
}

bool SystemdServiceManager::ChangeConfig(const std::string& name, const u3::ServiceConfig& config, std::string& error)
{
    u3::ServiceConfig current;
    bool restart = false;
    // A unit installed elsewhere gets ours in the user folder, which takes precedence.
    ReadUnit(name, current, restart, error);
    return InstallUnit(name, config, restart, error);
}

bool SystemdServiceManager::QueryStatus(const std::string& name, u3::ServiceState& state, std::string& error)
{
    if (!CheckName(name, error))
        return false;
    std::string output;
    if (!Systemctl({QStringLiteral("show"), QStringLiteral("-p"), QStringLiteral("ActiveState,SubState,UnitFileState"),
                    UnitName(name)},
                   output, error))
        return false;
    std::istringstream lines(output);
    std::string line;
    state = u3::ServiceState::Stopped;
    while (std::getline(lines, line)) {
        if (line.rfind("ActiveState=", 0) != 0)
            continue;
        const std::string active = line.substr(12);
        if (active == "active" || active == "reloading")
            state = u3::ServiceState::Running;
        else if (active == "activating")
            state = u3::ServiceState::StartPending;
        else if (active == "deactivating")
            state = u3::ServiceState::StopPending;
    }
    return true;
}

bool SystemdServiceManager::Start(const std::string& name, std::string& error)
{
    std::string output;
    return CheckName(name, error)
        && Systemctl({QStringLiteral("start"), QStringLiteral("--no-block"), UnitName(name)}, output, error);
}

bool SystemdServiceManager::Stop(const std::string& name, std::string& error)
{
    std::string output;
    return CheckName(name, error)
        && Systemctl({QStringLiteral("stop"), QStringLiteral("--no-block"), UnitName(name)}, output, error);
}

bool SystemdServiceManager::SetFailureActions(const std::string& name, std::string& error)
{
    u3::ServiceConfig config;
    bool restart = false;
    if (!ReadUnit(name, config, restart, error))
        return false;
    if (!WriteUnitFile(UnitFilePath(name), u3::SystemdUnitText(config, true), error))
        return false;
    std::string output;
    return Systemctl({QStringLiteral("daemon-reload")}, output, error);
}

} // namespace platform
