#pragma once
// Facts about this machine and user that the engine is told at start.
#include <string>

namespace u3 {

// The short host name (the computer name).
std::string ComputerName();
// This machine's address: its host name resolved, dotted; "127.0.0.1" when it
// does not resolve.
std::string HostAddress();
// The login name.
std::string LoginName();
// The DNS domain of this machine; empty when there is none.
std::string DnsDomain();

} // namespace u3
