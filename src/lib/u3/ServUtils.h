#pragma once
// Installing, starting and stopping the local server as a service. Failures go
// to the main log only; callers learn nothing but the result.
#include "u3/ServiceManager.h"

#include <string>
#include <vector>

namespace u3 {

// Creates the service or brings its start type and program up to date, then
// starts it. startType -1: neither create nor reconfigure, only start an
// existing service. True only when this call started the service and it
// reached the running state.
bool StartService(ServiceManager& manager, const std::string& name, const std::string& displayName,
                  const std::string& programPath, int startType, bool setFailureActions,
                  const std::vector<std::string>& dependencies);

// Asks the service to stop and waits up to 54.4 s until it has.
void StopService(ServiceManager& manager, const std::string& name);

// The installed service's start type; 3 when it is missing or cannot be read.
int GetServiceStartType(ServiceManager& manager, const std::string& name);

} // namespace u3
