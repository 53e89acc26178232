// Any unit text must read without failing; what was read must survive being
// written and read again.
#include "u3/SystemdUnit.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    u3::ServiceConfig config;
    bool restart = false;
    if (!u3::ParseSystemdUnit(text, config, restart))
        return 0;
    // Names that cannot be unit names are not written; drop them before comparing.
    std::erase_if(config.Dependencies, [](const std::string& dep) { return !u3::IsValidUnitName(dep); });
    u3::ServiceConfig again;
    bool restartAgain = false;
    if (!u3::ParseSystemdUnit(u3::SystemdUnitText(config, restart), again, restartAgain))
        std::abort();
    if (again.StartType != config.StartType || again.ProgramPath != config.ProgramPath || again.Dependencies != config.Dependencies || restartAgain != restart)
        std::abort();
    return 0;
}
