#include "support/FakeServiceManager.h"

namespace e3test {
namespace {

std::string Describe(const u3::ServiceConfig& config)
{
    std::string deps;
    for (const auto& dep : config.Dependencies)
        deps += (deps.empty() ? "" : ",") + dep;
    return " type=" + std::to_string(config.StartType) + " path=" + config.ProgramPath + " display="
        + config.DisplayName + " deps=" + deps;
}

} // namespace

bool FakeServiceManager::Fails(const std::string& operation, std::string& error) const
{
    auto it = failures.find(operation);
    if (it == failures.end())
        return false;
    error = it->second;
    return true;
}

int FakeServiceManager::CountCalls(const std::string& prefix) const
{
    int count = 0;
    for (const auto& call : calls)
        count += call.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return count;
}

bool FakeServiceManager::Connect(std::string& error)
{
    calls.push_back("Connect");
    return !Fails("Connect", error);
}

u3::OpenResult FakeServiceManager::OpenService(const std::string& name, std::string& error)
{
    calls.push_back("OpenService " + name);
    if (Fails("OpenService", error))
        return u3::OpenResult::Failed;
    if (!installed) {
        error = "The specified service does not exist as an installed service.";
        return u3::OpenResult::Missing;
    }
    return u3::OpenResult::Opened;
}

bool FakeServiceManager::QueryConfig(const std::string& name, u3::ServiceConfig& config, std::string& error)
{
    calls.push_back("QueryConfig " + name);
    if (Fails("QueryConfig", error))
        return false;
    if (!installed) {
        error = "The specified service does not exist as an installed service.";
        return false;
    }
    config = *installed;
    return true;
}

bool FakeServiceManager::CreateService(const std::string& name, const u3::ServiceConfig& config, std::string& error)
{
    calls.push_back("CreateService " + name + Describe(config));
    if (Fails("CreateService", error))
        return false;
    installed = config;
    return true;
}

bool FakeServiceManager::ChangeConfig(const std::string& name, const u3::ServiceConfig& config, std::string& error)
{
    calls.push_back("ChangeConfig " + name + Describe(config));
    if (Fails("ChangeConfig", error))
        return false;
    installed = config;
    return true;
}

bool FakeServiceManager::QueryStatus(const std::string& name, u3::ServiceState& result, std::string& error)
{
    calls.push_back("QueryStatus " + name);
    if (Fails("QueryStatus", error))
        return false;
    if (!upcoming.empty()) {
        state = upcoming.front();
        upcoming.pop_front();
    }
    result = state;
    return true;
}

bool FakeServiceManager::Start(const std::string& name, std::string& error)
{
    calls.push_back("Start " + name);
    if (Fails("Start", error))
        return false;
    state = stateAfterStart;
    return true;
}

bool FakeServiceManager::Stop(const std::string& name, std::string& error)
{
    calls.push_back("Stop " + name);
    if (Fails("Stop", error))
        return false;
    state = stateAfterStop;
    return true;
}

bool FakeServiceManager::SetFailureActions(const std::string& name, std::string& error)
{
    calls.push_back("SetFailureActions " + name);
    return !Fails("SetFailureActions", error);
}

} // namespace e3test
