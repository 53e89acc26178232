#pragma once
// A client socket that can reach its target through an HTTP proxy: it
// connects to the proxy, asks for a CONNECT tunnel (with Basic or NTLM proxy
// authentication when the proxy wants it) and, once the proxy answers 200,
// reports the session as connected to the target.
#include <functional>
#include <string>
#include <string_view>

#include "enginelink/proxy/WSocket.h"

namespace e3net {

enum TTunnelProxyAuthentication { tunnelproxyNoAuthentication, tunnelproxyAuthenticateUsercode };

// Tunnel error numbers.
enum : int {
    TunnelProxyErrorRefused = 30002,  // refused, unexpected reply, closed while negotiating
    TunnelProxyErrorInternal = 30013, // "internal TunnelProxy error"
};

// What the tunnel reads from a proxy's reply head.
struct TProxyReply {
    int status = 0;              // 0 unless the status line is HTTP with a code 100..599
    long long contentLength = -1; // -1 when not given
    bool offersBasic = false;
    bool offersNtlm = false;
    std::string ntlmChallenge; // the Base64 text after "NTLM", if any
};
// Status line and header lines of a complete reply head (up to the blank line).
TProxyReply ParseProxyReply(std::string_view head);

class TTunnelProxySocket : public TCustomWSocket {
public:
    using TTunnelProxyErrorEvent = std::function<void(TTunnelProxySocket& sender, int error, const std::string& msg)>;
    using TTunnelProxyConnectedEvent = std::function<void(TTunnelProxySocket& sender, int error)>;

    TTunnelProxySocket();

    // Credentials for the target, sent as Basic "Authorization".
    std::string TunnelUserName;
    std::string TunnelPassWord;
    // Proxy credentials; "DOMAIN\user" carries the NTLM domain.
    std::string TunnelProxyUsercode;
    std::string TunnelProxyPassword;
    // Kept for the owner's settings; the negotiation follows the proxy's offer.
    TTunnelProxyAuthentication TunnelProxyAuthentication = tunnelproxyNoAuthentication;

    // Optional replacements of the request line and the Host line, and one
    // extra header line (without line end).
    std::string TunnelRequestLine;
    std::string TunnelHostLine;
    std::string TunnelExtraHeader;

    TTunnelProxyErrorEvent OnTunnelProxyError;
    TTunnelProxyConnectedEvent OnTunnelProxyConnected;

    const std::string& TunnelProxyServer() const { return tunnelProxyServer_; }
    const std::string& TunnelProxyPort() const { return tunnelProxyPort_; }
    // Only while closed; otherwise ESocketException.
    virtual void SetTunnelProxyServer(const std::string& value);
    virtual void SetTunnelProxyPort(const std::string& value);
    bool TunnelOn() const { return !tunnelProxyServer_.empty(); }
    // True while the CONNECT exchange runs.
    bool TunnelNegotiating() const { return negotiating_; }
    // 0 none yet, 1 Basic, 2 NTLM negotiate sent, 3 NTLM authenticate sent.
    int TunnelAuthStep() const { return authStep_; }

    void Connect() override;

    // The request head (each line ended by CR LF, without the blank line).
    std::string BuildConnectRequest() const;
    // The NTLM request of step 2 (negotiate) or 3 (authenticate, answering the
    // Base64 challenge); sets the step. Throws ENTLMError for a bad challenge.
    std::string BuildNTLMConnectRequest(int step, const std::string& challenge);

protected:
    void AssignDefaultValue() override;
    void TriggerDataAvailable(int error) override;
    void TriggerSessionConnected(int error) override;
    void TriggerSessionClosed(int error) override;
    virtual void TriggerTunnelProxyConnected(int error);
    virtual void TriggerTunnelProxyError(int error, const std::string& msg);
    void TunnelFailed(int error, const std::string& msg);

private:
    void StartNegotiation();
    void JudgeReply(const std::string& reply, size_t headerLength);

    std::string tunnelProxyServer_;
    std::string tunnelProxyPort_;
    bool portSet_ = false;
    bool negotiating_ = false;
    int authStep_ = 0;
    std::string reply_;
};

// The socket the rest of the program builds on.
using TWSocket = TTunnelProxySocket;

} // namespace e3net
