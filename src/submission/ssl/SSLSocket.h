#pragma once
// A client socket that runs a TLS session on the global SSL context once its
// TCP connection (possibly through the HTTP proxy tunnel) is up.
#include <functional>
#include <vector>

#include <openssl/ssl.h>

#include "enginelink/proxy/TunnelProxySocket.h"

namespace e3ssl {

enum TSSLSocketState { sslInvalidState, sslConnecting, sslConnected, sslAccepting, sslAccepted, sslClosed };

// Error given to the closing notification when the TLS handshake or session
// fails (the reason is in the library's error queue and OnDisplay).
constexpr int SSLSessionError = 10100;

class TSSLSocket : public e3net::TWSocket {
public:
    using TSSLSessionEvent = std::function<void(TSSLSocket& sender, int error)>;

    TSSLSocket();
    ~TSSLSocket() override;

    TSSLSocketState SSLState() const { return sslState_; }
    // Start the TLS session as soon as the connection (or tunnel) is up.
    bool AutoSSL = false;
    SSL* Session() const { return ssl_; }

    TSSLSessionEvent OnSSLSessionConnecting;
    TSSLSessionEvent OnSSLSessionConnected;
    TSSLSessionEvent OnSSLSessionAccepted;

    // Starts the client side of a session on the open connection; the
    // library's result (1 done, <= 0 under way or failed).
    virtual int StartSSLConnect();
    // The server side, for completeness of the session object; nothing in the
    // program accepts connections.
    virtual int StartSSLAccept();

    bool HasBufferedInput() const override;

    // The library's state notifications, routed here by the context.
    void InfoCallback(int where, int ret);

protected:
    virtual void TriggerSSLSessionConnecting(int error);
    virtual void TriggerSSLSessionConnected(int error);
    virtual void TriggerSSLSessionAccepted(int error);

    void TriggerSessionConnected(int error) override;
    void TriggerDataAvailable(int error) override;
    long ReadSome(void* buffer, size_t length) override;
    long WriteSome(const void* data, size_t length) override;
    bool WantsWrite() const override { return handshaking_ && wantWrite_; }
    void Writable() override;
    void BeforeClose() override;

private:
    void ContinueHandshake();
    void FreeSession();
    // Notifications noted by InfoCallback run here, outside the library.
    void FirePending();
    bool SessionUp() const { return ssl_ && !handshaking_; }

    SSL* ssl_ = nullptr;
    TSSLSocketState sslState_ = sslClosed;
    bool handshaking_ = false;
    bool wantWrite_ = false;
    bool reportedConnected_ = false;
    bool fatalAlertSent_ = false;
    std::vector<TSSLSocketState> pending_;
};

// The info callback the global context installs.
void SSLInfoCallback(const SSL* ssl, int where, int ret);

} // namespace e3ssl
