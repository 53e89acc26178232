#include "u3/FormatSettings.h"

#include <mutex>

namespace u3 {
namespace {

std::mutex settingsLock;

FormatSettings& Settings()
{
    static FormatSettings settings;
    return settings;
}

} // namespace

FormatSettings GetFormatSettings()
{
    std::lock_guard<std::mutex> guard(settingsLock);
    return Settings();
}

void SetFormatSettings(const FormatSettings& settings)
{
    std::lock_guard<std::mutex> guard(settingsLock);
    Settings() = settings;
}

FormatSettings GetDotFormatSettings()
{
    // Both fields are overridden, so nothing of the current settings is left.
    FormatSettings result;
    result.ThousandSeparator.clear();
    return result;
}

} // namespace u3
