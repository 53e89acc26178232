#pragma once
// An asynchronous HTTP/1.0 and 1.1 client on the socket layer: one request at
// a time, the body from memory, the reply body into memory, the connection
// kept between requests when asked to.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "enginelink/proxy/TunnelProxySocket.h"

namespace e3net {

enum THttpRequest { httpGET, httpPOST, httpHEAD };

enum THttpState {
    httpReady,
    httpNotConnected,
    httpConnected,
    httpWaitingHeader,
    httpWaitingBody,
    httpAborting,
};

// Errors of a finished request besides the socket's own numbers.
enum : int {
    httperrNoError = 0,
    httperrBusy = 1,
    httperrNoData = 2,
    httperrAborted = 3,
    httperrOverflow = 4,
    httperrVersion = 5,
};

class THttpCli {
public:
    using TRequestDone = std::function<void(THttpCli& sender, THttpRequest request, int error)>;
    using TNotify = std::function<void(THttpCli& sender)>;
    using TSession = std::function<void(THttpCli& sender, int error)>;
    using TText = std::function<void(THttpCli& sender, const std::string& text)>;

    THttpCli();
    virtual ~THttpCli();
    THttpCli(const THttpCli&) = delete;
    THttpCli& operator=(const THttpCli&) = delete;

    std::string URL;
    // "1.0" or "1.1".
    std::string HTTPVersion = "1.0";
    std::string AcceptLanguage;
    std::string ContentTypePost = "application/octet-stream";
    std::string Agent = "Mozilla/4.0 (compatible; MSIE 6.0; Win32)";
    // Keep the connection open between requests.
    bool KeepAlive = false;
    // Plain HTTP proxy (absolute URLs, Basic proxy authentication).
    std::string Proxy;
    std::string ProxyPort;
    std::string ProxyUsername;
    std::string ProxyPassword;

    // The request body and the reply body.
    std::string SendStream;
    std::string RcvdStream;
    // Reply: status, reason phrase, header lines (without line ends), length.
    int StatusCode = 0;
    std::string ReasonPhrase;
    std::vector<std::string> RcvdHeader;
    long long ContentLength = -1;
    // Bytes of the reply head.
    size_t HeaderSize = 0;

    THttpState State() const { return state_; }
    // True while the session can carry a request at once.
    virtual bool Connected() const;
    TWSocket& CtrlSocket() { return *socket_; }

    // Start a request; the outcome comes with OnRequestDone. Throws
    // u3::Exception "Busy" while another request runs.
    void PostASync();
    void GetASync();
    // Ends the connection; a running request finishes with httperrAborted.
    void Abort();

    TRequestDone OnRequestDone;
    // The session to the server is ready for requests (error 0), or could not
    // be set up (the socket's, the tunnel's or the TLS layer's error).
    TSession OnSessionConnected;
    // Every request header line as it is written (credentials masked), then
    // an empty line.
    TText OnCommand;
    // The reply head has arrived (RcvdHeader, StatusCode are set).
    TNotify OnHeaderEnd;
    TText OnDisplay;

protected:
    explicit THttpCli(std::unique_ptr<TWSocket> socket);
    // Puts the client's handlers on the socket's events; each constructor
    // calls its own.
    virtual void HookSocket();
    void SocketSessionConnected(int error);
    void SocketDataAvailable();
    void SocketSessionClosed(int error);
    void Display(const std::string& text);

    std::unique_ptr<TWSocket> socket_;

private:
    void Start(THttpRequest request);
    void SendRequest();
    void ParseReply();
    bool ParseHead();
    bool ParseChunked();
    void Finish(int error);

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool viaProxy_ = false;
    bool defaultPort_ = true;
    THttpState state_ = httpReady;
    THttpRequest request_ = httpGET;
    bool busy_ = false;
    std::string connectedTo_;
    std::string host_, port_, path_;
    std::string in_;
    bool chunked_ = false;
    bool closeAfter_ = false;
    bool bodyUntilClose_ = false;
};

} // namespace e3net
