// Parses arbitrary bytes as a proxy's reply head. The parser must never read
// outside the text, and what it reports must be found in it.
#include "enginelink/proxy/TunnelProxySocket.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string head(reinterpret_cast<const char*>(data), size);
    const e3net::TProxyReply reply = e3net::ParseProxyReply(head);
    if (reply.status != 0 && (reply.status < 100 || reply.status > 599 || head.compare(0, 5, "HTTP/") != 0))
        std::abort();
    if (!reply.ntlmChallenge.empty() && head.find(reply.ntlmChallenge) == std::string::npos)
        std::abort();
    if (reply.contentLength < -1)
        std::abort();
    return 0;
}
