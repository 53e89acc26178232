#pragma once
// TCP keep-alive for the engine links. Engine calls have no time limit, since a
// live engine may take as long as it needs; a dead engine host or a broken path
// would then be waited for without end. Keep-alive probes on an idle link find
// that out within about two minutes, and the blocked call fails as a lost link.
#include <chrono>

namespace enginelink {

inline constexpr std::chrono::seconds kKeepAliveIdle {60};
inline constexpr std::chrono::seconds kKeepAliveInterval {10};
inline constexpr int kKeepAliveProbes = 6;

// Turns keep-alive on for a TCP socket with the times above; false when the
// system refused one of the options.
bool SetTcpKeepAlive(int socket);
// Only the probe count (libcurl sets the rest itself).
bool SetTcpKeepAliveProbes(int socket);

// Keeps the ORB's connections to engines alive as well: every connection the
// ORB opens from now on gets the options. Call once the ORB exists.
void KeepOrbConnectionsAlive();

} // namespace enginelink
