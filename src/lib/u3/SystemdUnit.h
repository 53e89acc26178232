#pragma once
// The text of a systemd user unit that runs a service program, and reading
// such a text back. Start type 2 installs the unit into default.target, 3
// leaves it to be started on demand, 4 refuses every start.
#include "u3/ServiceManager.h"

#include <string>

namespace u3 {

// Whether name may be used as a unit name (and as a file name in the unit folder).
bool IsValidUnitName(const std::string& name);

// restartOnFailure: restart at once after a failure, at most three times a day.
std::string SystemdUnitText(const ServiceConfig& config, bool restartOnFailure);

// Reads what SystemdUnitText wrote; false when the text has no ExecStart.
bool ParseSystemdUnit(const std::string& text, ServiceConfig& config, bool& restartOnFailure);

// One ExecStart argument: quoted, with the characters that systemd would
// expand or unescape escaped.
std::string EscapeSystemdArgument(const std::string& argument);

} // namespace u3
