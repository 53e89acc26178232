#pragma once
// A service manager for tests: records every call in order and plays a
// scripted state (installed or not, a sequence of states, failures by
// operation name with the system text they report).
#include "u3/ServiceManager.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e3test {

class FakeServiceManager final : public u3::ServiceManager {
public:
    bool Connect(std::string& error) override;
    u3::OpenResult OpenService(const std::string& name, std::string& error) override;
    bool QueryConfig(const std::string& name, u3::ServiceConfig& config, std::string& error) override;
    bool CreateService(const std::string& name, const u3::ServiceConfig& config, std::string& error) override;
    bool ChangeConfig(const std::string& name, const u3::ServiceConfig& config, std::string& error) override;
    bool QueryStatus(const std::string& name, u3::ServiceState& state, std::string& error) override;
    bool Start(const std::string& name, std::string& error) override;
    bool Stop(const std::string& name, std::string& error) override;
    bool SetFailureActions(const std::string& name, std::string& error) override;

    // The installed service's configuration; none means missing.
    std::optional<u3::ServiceConfig> installed;
    // The state reported now, and states that the next queries report first.
    u3::ServiceState state = u3::ServiceState::Stopped;
    std::deque<u3::ServiceState> upcoming;
    // Where Start and an accepted Stop put the service.
    u3::ServiceState stateAfterStart = u3::ServiceState::Running;
    u3::ServiceState stateAfterStop = u3::ServiceState::Stopped;
    // Operation name ("Connect", "OpenService", "QueryConfig", "CreateService",
    // "ChangeConfig", "QueryStatus", "Start", "Stop", "SetFailureActions") to
    // the error text it fails with.
    std::map<std::string, std::string> failures;

    // One line per call, such as "Start gate" or
    // "CreateService gate type=3 path=/srv/gate display=Gate deps=a,b".
    std::vector<std::string> calls;
    int CountCalls(const std::string& prefix) const;

private:
    bool Fails(const std::string& operation, std::string& error) const;
};

} // namespace e3test
