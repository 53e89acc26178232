// Reads arbitrary text as a proxy's NTLM challenge, both as given and as the
// Base64 of the bytes. A challenge is either refused with our own error or
// yields a server challenge taken from inside the message, and an answer can
// always be built from it.
#include "enginelink/proxy/NtlmMsgs.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "u3/Base64.h"

namespace {

void Read(const std::string& text, const std::string& raw)
{
    e3net::TNTLM ntlm;
    e3net::TNTLMChallenge challenge;
    try {
        ntlm.ParseChallengeMessage(text, challenge);
    } catch (const e3net::ENTLMError&) {
        return;
    }
    // Accepted: the bytes came from a decoded message at least 32 bytes long.
    if (!raw.empty() && (raw.size() < 32 || std::memcmp(challenge.bytes.data(), raw.data(), 32) != 0))
        std::abort();
    std::string answer;
    ntlm.BuildAuthenticateMessage("D", "W", "u", "p", challenge.Nonce(), answer);
    if (answer.empty())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Read(bytes, "");
    Read(u3::StringToBase64(bytes), bytes);
    return 0;
}
