#include "submission/efiphttps/EFIPHttpsConnection.h"

#include "enginelink/proxy/HttpCli.h"
#include "submission/ssl/HttpSCli.h"
#include "submission/ssl/SSLContext.h"

#include <openssl/x509.h>

namespace efip {

namespace {

std::string NameText(const X509_NAME* name)
{
    char buf[1024];
    return name ? X509_NAME_oneline(name, buf, sizeof buf) : std::string();
}

class HttpsConnection final : public EFIPConnection {
public:
    ~HttpsConnection() override
    {
        events_ = {};
        if (http_)
            http_->Abort();
    }

    void SetEvents(ConnectionEvents events) override { events_ = std::move(events); }

    void Post(const ConnectionSettings& settings, std::string body) override
    {
        Prepare(settings);
        e3ssl::SetSSLServerURL(settings.url);
        http_->SendStream = std::move(body);
        http_->RcvdStream.clear();
        try {
            http_->PostASync();
        } catch (const std::exception& e) {
            throw EHttpException(e.what());
        }
    }

    void Abort() override
    {
        if (http_)
            http_->Abort();
    }

    bool Connected() const override { return http_ && http_->Connected(); }

    bool Poll(std::chrono::milliseconds maxWait) override
    {
        return e3net::WSocketProcessMessages(static_cast<int>(maxWait.count())) > 0;
    }

    int32_t LastVerifyError() const override { return e3ssl::SSLLastVerifyError(); }
    std::string SSLErrorText() override { return e3ssl::TakeOpenSSLErrorText(); }

    bool UseKeyFile(const std::string& fileName, const std::string& password, std::string& subject,
                    std::string& issuer) override
    {
        if (!e3ssl::InitDefaultSSLContext() || !e3ssl::GlobalSSLContext())
            return false;
        e3ssl::TKeyFileCredentials credentials = e3ssl::ReadPKCS12KeyFile(fileName, password);
        if (!credentials ||
            !e3ssl::GlobalSSLContext()->UseCertificate(credentials.certificate, credentials.privateKey))
            return false;
        subject = NameText(X509_get_subject_name(credentials.certificate));
        issuer = NameText(X509_get_issuer_name(credentials.certificate));
        return true;
    }

private:
    // A client of the kind the SSL flag asks for, with the settings of this
    // request; the connection stays while nothing that shapes it changed.
    void Prepare(const ConnectionSettings& s)
    {
        const bool same = http_ && ssl_ == s.ssl && tunnelServer_ == s.tunnelProxyServer &&
                          tunnelPort_ == s.tunnelProxyPort;
        if (!same) {
            if (http_) {
                http_->OnRequestDone = nullptr;
                http_->Abort();
            }
            http_ = s.ssl ? std::unique_ptr<e3net::THttpCli>(std::make_unique<e3ssl::THttpSCli>())
                          : std::make_unique<e3net::THttpCli>();
            ssl_ = s.ssl;
            tunnelServer_ = s.tunnelProxyServer;
            tunnelPort_ = s.tunnelProxyPort;
            Hook();
            if (s.ssl && !s.tunnelProxyServer.empty()) {
                auto& socket = http_->CtrlSocket();
                socket.SetTunnelProxyServer(s.tunnelProxyServer);
                socket.SetTunnelProxyPort(s.tunnelProxyPort);
            }
        }
        http_->URL = s.url;
        http_->HTTPVersion = s.httpVersion;
        http_->KeepAlive = s.keepAlive;
        http_->AcceptLanguage = s.acceptLanguage;
        auto& socket = http_->CtrlSocket();
        if (s.ssl) {
            socket.TunnelProxyUsercode = s.tunnelProxyUser;
            socket.TunnelProxyPassword = s.tunnelProxyPassword;
            socket.TunnelExtraHeader = s.keepAlive && !s.tunnelProxyServer.empty() ? "Proxy-Connection: Keep-Alive" : "";
            http_->Proxy.clear();
            http_->ProxyPort.clear();
            http_->ProxyUsername.clear();
            http_->ProxyPassword.clear();
        } else {
            http_->Proxy = s.proxy;
            http_->ProxyPort = s.proxyPort;
            http_->ProxyUsername = s.proxyUser;
            http_->ProxyPassword = s.proxyPassword;
        }
    }

    void Hook()
    {
        http_->OnRequestDone = [this](e3net::THttpCli& c, e3net::THttpRequest, int error) {
            if (!events_.requestDone)
                return;
            if (error == e3net::httperrNoError)
                events_.requestDone(c.StatusCode, c.ReasonPhrase, c.RcvdStream);
            else
                events_.requestDone(0, "Request failed (" + std::to_string(error) + ")", {});
        };
        http_->OnSessionConnected = [this](e3net::THttpCli&, int error) {
            if (error == 0) {
                if (events_.sessionConnected)
                    events_.sessionConnected(0, {});
                if (ssl_ && events_.sslConnected)
                    events_.sslConnected();
                return;
            }
            // A failed TLS handshake is judged when its request completes,
            // with the certificate check's verdict.
            if (error == e3ssl::SSLSessionError)
                return;
            if (events_.sessionConnected)
                events_.sessionConnected(error, e3net::SocketErrorDesc(error));
        };
        http_->OnDisplay = [this](e3net::THttpCli&, const std::string& text) {
            if (events_.display)
                events_.display(text);
        };
        http_->OnCommand = [this](e3net::THttpCli&, const std::string& line) {
            if (events_.command)
                events_.command(line);
        };
        http_->OnHeaderEnd = [this](e3net::THttpCli& c) {
            if (!events_.headerEnd)
                return;
            std::string lines;
            for (const auto& l : c.RcvdHeader)
                lines += l + "\r\n";
            events_.headerEnd(lines);
        };
        auto& socket = http_->CtrlSocket();
        socket.OnTunnelProxyError = [this](e3net::TTunnelProxySocket&, int error, const std::string& msg) {
            if (events_.tunnelProxyError)
                events_.tunnelProxyError(error, msg);
        };
        socket.OnException = [this](e3net::TCustomWSocket&, const std::string& text) {
            if (events_.exception)
                events_.exception(text);
        };
    }

    std::unique_ptr<e3net::THttpCli> http_;
    ConnectionEvents events_;
    bool ssl_ = true;
    std::string tunnelServer_, tunnelPort_;
};

} // namespace

std::unique_ptr<EFIPConnection> MakeHttpsConnection()
{
    return std::make_unique<HttpsConnection>();
}

void UseHttpsConnections()
{
    SetConnectionFactory(MakeHttpsConnection);
    SSLContextHooks hooks;
    hooks.current = []() {
        const e3ssl::TSSLContext* c = e3ssl::GlobalSSLContext();
        return c ? static_cast<int>(c->Version()) : -1;
    };
    hooks.recreate = [](int version) { e3ssl::RecreateSSLContext(static_cast<e3ssl::TSSLVersion>(version)); };
    SetSSLContextHooks(std::move(hooks));
}

} // namespace efip
