#pragma once
// What the submission run needs from its HTTPS client: one POST at a time,
// its completion, the connection's events for the debug log, and the client
// certificate. The run polls it from its own loop in the GUI thread.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "u3/Exceptions.h"

namespace efip {

// Raised by the HTTP client for a request it cannot start (a URL it cannot
// use, a socket it cannot open).
class EHttpException : public u3::Exception {
public:
    using u3::Exception::Exception;
};

struct ConnectionSettings {
    std::string url;
    bool ssl = true;
    bool keepAlive = true;
    std::string httpVersion = "1.1";
    std::string acceptLanguage;
    bool proxyResolveHost = false;
    // The tunnel proxy (CONNECT) while ssl is on, the plain proxy otherwise.
    std::string tunnelProxyServer, tunnelProxyPort, tunnelProxyUser, tunnelProxyPassword;
    std::string proxy, proxyPort, proxyUser, proxyPassword;
};

struct ConnectionEvents {
    // The request has ended: its HTTP status and reason phrase (0 and a text
    // when no reply came) and the reply body.
    std::function<void(int32_t status, const std::string& reason, const std::string& body)> requestDone;
    // The TCP (or tunnel) session is up, or failed with a socket error.
    std::function<void(int32_t error, const std::string& text)> sessionConnected;
    // The TLS session is up; once per connection.
    std::function<void()> sslConnected;
    std::function<void(int32_t code, const std::string& text)> tunnelProxyError;
    std::function<void(const std::string& text)> socksError;
    std::function<void(const std::string& text)> exception;
    // Texts for the debug log: the client's own remarks, the reply's header
    // lines once they are all in, and the request's header lines one by one
    // (an empty line ends them).
    std::function<void(const std::string& text)> display;
    std::function<void(const std::string& lines)> headerEnd;
    std::function<void(const std::string& line)> command;
};

class EFIPConnection {
public:
    virtual ~EFIPConnection() = default;

    virtual void SetEvents(ConnectionEvents events) = 0;
    // Starts a POST of body to settings.url: on the open connection when
    // there is one, else on a new one. The end comes through requestDone.
    virtual void Post(const ConnectionSettings& settings, std::string body) = 0;
    // Ends a pending request (which then completes as failed) and closes the
    // connection.
    virtual void Abort() = 0;
    virtual bool Connected() const = 0;
    // Lets the connection make progress, waiting at most maxWait for its
    // sockets; true when anything happened.
    virtual bool Poll(std::chrono::milliseconds maxWait) = 0;

    // The server-certificate verdict of the last handshake: 0 or a negative
    // error number (-30009 dates, -30011 host, -30012 not trusted).
    virtual int32_t LastVerifyError() const = 0;
    // The TLS library's queued error texts.
    virtual std::string SSLErrorText() = 0;
    // Puts the certificate and key of a PKCS#12 key file in place; false
    // without a certificate.
    virtual bool UseKeyFile(const std::string& fileName, const std::string& password, std::string& subject,
                            std::string& issuer) = 0;
};

// The socket error number the run reports for a failed connection (as the
// negative error): refused 10061, host not found or unreachable 10060, other
// errno values as they are.
int32_t SocketErrorNumber(int posixErrno);

// The program-wide SSL context's protocol version, for the component's
// SSLVersion: current gives 0..3 or -1 without a context; recreate replaces
// the context by one of the given version.
struct SSLContextHooks {
    std::function<int()> current;
    std::function<void(int version)> recreate;
};
void SetSSLContextHooks(SSLContextHooks hooks);
const SSLContextHooks& CurrentSSLContextHooks();

using ConnectionFactory = std::function<std::unique_ptr<EFIPConnection>()>;
// The factory each new component takes its HTTPS client from.
void SetConnectionFactory(ConnectionFactory factory);
std::unique_ptr<EFIPConnection> MakeConnection();

} // namespace efip
