#pragma once
// Services as systemd user units: the local server runs under the user's own
// service manager, controlled through systemctl --user.
#include "u3/ServiceManager.h"

#include <QStringList>
#include <string>

namespace platform {

class SystemdServiceManager final : public u3::ServiceManager {
public:
    // unitFolder empty: $XDG_CONFIG_HOME/systemd/user (~/.config/systemd/user).
    // systemctl: the program to run, found on PATH when it has no folder.
    explicit SystemdServiceManager(std::string unitFolder = {}, std::string systemctl = "systemctl");

    static std::string DefaultUnitFolder();
    std::string UnitFilePath(const std::string& name) const;

    bool Connect(std::string& error) override;
    u3::OpenResult OpenService(const std::string& name, std::string& error) override;
    bool QueryConfig(const std::string& name, u3::ServiceConfig& config, std::string& error) override;
    bool CreateService(const std::string& name, const u3::ServiceConfig& config, std::string& error) override;
    bool ChangeConfig(const std::string& name, const u3::ServiceConfig& config, std::string& error) override;
    bool QueryStatus(const std::string& name, u3::ServiceState& state, std::string& error) override;
    bool Start(const std::string& name, std::string& error) override;
    bool Stop(const std::string& name, std::string& error) override;
    bool SetFailureActions(const std::string& name, std::string& error) override;

private:
    bool Systemctl(const QStringList& args, std::string& output, std::string& error) const;
    bool ReadUnit(const std::string& name, u3::ServiceConfig& config, bool& restart, std::string& error) const;
    bool InstallUnit(const std::string& name, const u3::ServiceConfig& config, bool restart, std::string& error);

    std::string unitFolder_;
    std::string systemctl_;
};

} // namespace platform
