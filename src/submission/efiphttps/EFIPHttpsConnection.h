#pragma once
// The submission component's HTTPS client: the SSL layer's HTTP client (or
// the plain one while the component's SSL flag is off), driven by the run's
// loop through the socket dispatcher.
#include "submission/efip/EFIPConnection.h"

namespace efip {

std::unique_ptr<EFIPConnection> MakeHttpsConnection();

// Makes every new submission component use MakeHttpsConnection, and gives the
// component's SSLVersion the program-wide SSL context.
void UseHttpsConnections();

} // namespace efip
