#pragma once
// The HTTP client over an SSL socket: requests go out once the TLS session
// is up, and the socket's own OnSessionConnected stays free for the user.
#include "enginelink/proxy/HttpCli.h"
#include "submission/ssl/SSLSocket.h"

namespace e3ssl {

class THttpSCli : public e3net::THttpCli {
public:
    THttpSCli();

    // On from creation; the submission component reads it to decide whether
    // a client certificate and the tunnel proxy apply.
    bool SSL = true;

    TSSLSocket& SSLSocket() { return static_cast<TSSLSocket&>(*socket_); }
    bool Connected() const override;

protected:
    void HookSocket() override;
};

} // namespace e3ssl
