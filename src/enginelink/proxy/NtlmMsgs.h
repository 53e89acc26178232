#pragma once
// The three messages of NTLM version 1 as an HTTP proxy sees them: negotiate,
// the proxy's challenge, authenticate with the LM and NT responses.
#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace e3net {

// The first 40 bytes of a challenge message; the 8-byte server challenge sits
// at offset 24.
struct TNTLMChallenge {
    std::array<unsigned char, 40> bytes{};
    std::array<unsigned char, 8> Nonce() const;
    uint32_t MessageType() const;
};

// A challenge that is not Base64, too short to hold its server challenge, or
// not an NTLM challenge message at all.
class ENTLMError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class INTLM {
public:
    virtual ~INTLM() = default;
    virtual std::string BuildNegotiateMessage(const std::string& workstation, const std::string& domain) = 0;
    virtual void ParseChallengeMessage(std::string_view text, TNTLMChallenge& challenge) = 0;
    virtual void BuildAuthenticateMessage(const std::string& domain, const std::string& workstation,
                                          const std::string& user, const std::string& password,
                                          const std::array<unsigned char, 8>& nonce, std::string& text) = 0;
};

class TNTLM : public INTLM {
public:
    // The Base64 text of a type 1 message; names are upper-cased 8-bit text.
    std::string BuildNegotiateMessage(const std::string& workstation, const std::string& domain) override;
    // Keeps the first 40 bytes of the decoded message. Throws ENTLMError when
    // the text is not Base64, does not carry the NTLM signature and type 2, or
    // ends before the server challenge.
    void ParseChallengeMessage(std::string_view text, TNTLMChallenge& challenge) override;
    // The Base64 text of a type 3 message. Texts are UTF-8; domain and
    // workstation are upper-cased, the user keeps its case.
    void BuildAuthenticateMessage(const std::string& domain, const std::string& workstation,
                                  const std::string& user, const std::string& password,
                                  const std::array<unsigned char, 8>& nonce, std::string& text) override;

    static std::string LMResponse(const std::string& password, const std::array<unsigned char, 8>& nonce);
    static std::string NTResponse(const std::string& password, const std::array<unsigned char, 8>& nonce);
    // UTF-8 to UTF-16LE; bytes that are not UTF-8 are taken as Latin-1.
    static std::string ToUnicode(std::string_view utf8);
};

} // namespace e3net
