#pragma once
// The link to the smart-card checker, the companion program that owns the
// smart card ("SCard" beside the client). It lists the card's certificates and
// signs files with the card; we talk to it over a per-user local socket.
#include <string>

namespace platform {

// Starts the checker from programDir without waiting, when it is there.
void StartSmartCardChecker(const std::string& programDir);
// Asks a running checker to close; does nothing when none runs.
void CloseSmartCardChecker();

} // namespace platform
