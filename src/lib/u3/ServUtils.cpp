#include "u3/ServUtils.h"

#include "u3/Logger.h"
#include "u3/PollClock.h"
#include "u3/StrLib.h"

#include <stdexcept>

namespace u3 {
namespace {

const char* const kCannotConnect = "Can't connect to the service control manager.";

[[noreturn]] void Fail(const std::string& prefix, const std::string& error)
{
    throw std::runtime_error(prefix + error);
}

ServiceState QueryStatusOrThrow(ServiceManager& manager, const std::string& name, const char* prefix)
{
    ServiceState state = ServiceState::Stopped;
    std::string error;
    if (!manager.QueryStatus(name, state, error))
        Fail(prefix, error);
    return state;
}

bool StartServiceSteps(ServiceManager& manager, const std::string& name, const std::string& displayName,
                       const std::string& programPath, int startType, bool setFailureActions,
                       const std::vector<std::string>& dependencies)
{
    std::string error;
    if (!manager.Connect(error))
        throw std::runtime_error(kCannotConnect);

    const OpenResult opened = manager.OpenService(name, error);
    if (opened == OpenResult::Failed || (opened == OpenResult::Missing && startType == -1))
        Fail("Service opening: ", error);
    if (opened == OpenResult::Missing) {
        const ServiceConfig config {startType, programPath, displayName, dependencies};
        if (!manager.CreateService(name, config, error))
            Fail("Can't create service: ", error);
    } else if (startType != -1) {
        ServiceConfig current;
        if (!manager.QueryConfig(name, current, error))
            Fail("Request service configuration: ", error);
        if (current.StartType != startType || !SameText(current.ProgramPath, programPath)) {
            // The display name stays as the installation has it.
            const ServiceConfig changed {startType, programPath, current.DisplayName, dependencies};
            if (!manager.ChangeConfig(name, changed, error))
                Fail("Changing service configuration: ", error);
        }
    }

    if (setFailureActions && !manager.SetFailureActions(name, error)) {
        ApplicationLogger().Log(1, "The error is occurred while trying to set errorprocessing service action "
                                       + name + ": " + error);
    }

    ServiceState state = QueryStatusOrThrow(manager, name, "Status service request: ");
    if (state == ServiceState::Running || !(startType == 2 || startType == 3 || startType == -1))
        return false;
    if (!manager.Start(name, error))
        Fail("Service starting: ", error);
    PollClock& clock = CurrentPollClock();
    const auto deadline = clock.Now() + kServiceWaitTimeout;
    state = QueryStatusOrThrow(manager, name, "Status service request: ");
    while (state == ServiceState::StartPending && clock.Now() < deadline) {
        clock.Sleep(kPollInterval);
        state = QueryStatusOrThrow(manager, name, "Status service request: ");
    }
    if (state != ServiceState::Running)
        throw std::runtime_error("Can't start service " + name + ". This service didsn't return any error.");
    return true;
}

} // namespace

bool StartService(ServiceManager& manager, const std::string& name, const std::string& displayName,
                  const std::string& programPath, int startType, bool setFailureActions,
                  const std::vector<std::string>& dependencies)
{
    try {
        return StartServiceSteps(manager, name, displayName, programPath, startType, setFailureActions,
                                 dependencies);
    } catch (const std::exception& e) {
        ApplicationLogger().Log(1, "An error occured in StartService. ServiceName " + name + ". Message: " + e.what());
        return false;
    }
}

void StopService(ServiceManager& manager, const std::string& name)
{
    try {
        std::string error;
        if (!manager.Connect(error))
            throw std::runtime_error(kCannotConnect);
        if (manager.OpenService(name, error) != OpenResult::Opened)
            return;
        if (!manager.Stop(name, error))
            return;
        PollClock& clock = CurrentPollClock();
        const auto deadline = clock.Now() + kServiceWaitTimeout;
        while (QueryStatusOrThrow(manager, name, "") != ServiceState::Stopped && clock.Now() < deadline)
            clock.Sleep(kPollInterval);
        // Gives the server's process a moment to leave after it reported stopped.
        clock.Sleep(std::chrono::milliseconds(100));
    } catch (const std::exception& e) {
        LogErrorIn("StopService", e.what());
    }
}

int GetServiceStartType(ServiceManager& manager, const std::string& name)
{
    try {
        std::string error;
        if (!manager.Connect(error))
            throw std::runtime_error(kCannotConnect);
        const OpenResult opened = manager.OpenService(name, error);
        if (opened == OpenResult::Missing)
            return 3;
        if (opened == OpenResult::Failed)
            throw std::runtime_error(error);
        ServiceConfig config;
        if (!manager.QueryConfig(name, config, error))
            throw std::runtime_error(error);
        return config.StartType;
    } catch (const std::exception& e) {
        LogErrorIn("GetServiceStartType", e.what());
        return 3;
    }
}

} // namespace u3
