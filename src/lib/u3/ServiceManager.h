#pragma once
// The operations on installed services that the service routines need. Each
// reports a failure as false with the system's text in error; a platform
// backend (or a recording fake in tests) provides them.
#include <string>
#include <vector>

namespace u3 {

// Start types: 2 automatic, 3 on demand, 4 disabled.
struct ServiceConfig {
    int StartType = 3;
    std::string ProgramPath;
    std::string DisplayName;
    std::vector<std::string> Dependencies;

    bool operator==(const ServiceConfig&) const = default;
};

enum class ServiceState { Stopped, StartPending, Running, StopPending };

enum class OpenResult { Opened, Missing, Failed };

class ServiceManager {
public:
    virtual ~ServiceManager() = default;

    virtual bool Connect(std::string& error) = 0;
    // Missing when no such service is installed; Failed for any other failure.
    virtual OpenResult OpenService(const std::string& name, std::string& error) = 0;
    virtual bool QueryConfig(const std::string& name, ServiceConfig& config, std::string& error) = 0;
    virtual bool CreateService(const std::string& name, const ServiceConfig& config, std::string& error) = 0;
    virtual bool ChangeConfig(const std::string& name, const ServiceConfig& config, std::string& error) = 0;
    virtual bool QueryStatus(const std::string& name, ServiceState& state, std::string& error) = 0;
    virtual bool Start(const std::string& name, std::string& error) = 0;
    // True when the stop request was accepted.
    virtual bool Stop(const std::string& name, std::string& error) = 0;
    // Restart the service at once after each of its first three failures in a day.
    virtual bool SetFailureActions(const std::string& name, std::string& error) = 0;
};

} // namespace u3
