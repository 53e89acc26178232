#pragma once
// The GUI engine interface over SOAP 1.1 on HTTP/1.0 (libcurl's blocking API).
// One request at a time, a fixed number of tries one second apart, and a final
// path when the server is lost: the connection-lost text (unless quiet) and the
// end of the program.
#include "engineapi/GUIEngine.h"
#include "enginelink/SOAPHttpLink.h"
#include "enginelink/SOAPParser.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace enginelink {

// Where a client posts its calls, as its own settings give it.
struct TSOAPClientSettings {
    std::string host;
    std::string port;
    HttpProxySettings proxy;
};

class TBaseSOAPClient {
public:
    // Each client reads its own settings and hands them in (a base constructor
    // cannot reach an override); a non-empty host or port replaces the value read.
    TBaseSOAPClient(const TSOAPClientSettings& settings, const std::string& host, const std::string& port,
                    bool quiet);
    virtual ~TBaseSOAPClient();

    TBaseSOAPClient(const TBaseSOAPClient&) = delete;
    TBaseSOAPClient& operator=(const TBaseSOAPClient&) = delete;

    void SetRetries(int retries) { retries_ = retries; }
    int Retries() const { return retries_; }
    const std::string& Host() const { return host_; }
    const std::string& Port() const { return port_; }
    const std::string& ServerUserID() const { return serverUserID_; }
    bool Disconnected() const { return disconnected_; }
    bool Quiet() const { return quiet_; }
    Te3SOAPParser& Parser() { return *parser_; }

protected:
    virtual std::string GetPath() const = 0;
    virtual void Fatal(const std::string& message) = 0; // does not return normally
    // [HTTP] Proxy, ProxyPort, ProxyUser and ProxyPass of the INI file beside the program.
    static HttpProxySettings ReadProxySettings();
    // Posts the prepared request, reads the reply; the reply's "return" value.
    virtual std::string Call();
    // One request with its tries; the reply stays for ReadResponse.
    void PostRequest();
    // Hands the reply to the parser; an empty one is a lost server.
    void ReadResponse();
    // Marks the link as lost, writes why to the main log (the user only sees
    // message, if anything) and hands message to Fatal.
    void LinkLost(const std::string& reason, const std::string& message);
    // Whether the reply just read was an error status carrying a SOAP fault.
    bool ReplyIsFaultStatus() const { return replyStatus_ >= 400; }

    std::recursive_mutex lock_;
    int retries_ = 5;
    bool disconnected_ = false;
    bool quiet_ = false;
    std::string port_;
    std::string host_;
    std::string serverUserID_;
    std::unique_ptr<Te3SOAPParser> parser_;

private:
    std::string Url() const;
    bool IsSoapFault(const std::string& body, const std::string& contentType) const;

    std::unique_ptr<SOAPHttpLink> http_;
    long replyStatus_ = 0;
    std::string replyContentType_;
    std::string replyBody_;
};

class Te3SOAPClient final : public TBaseSOAPClient, public client::IClientGUIEngine {
public:
    Te3SOAPClient(const std::string& host, const std::string& port, bool quiet);
    ~Te3SOAPClient() override;

    // [SOAP] ORBBINDADDR (default "inet:localhost:61000") and the proxy.
    static TSOAPClientSettings ReadSettings();

    std::string ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                             const std::string& senderType, const std::string& eventName,
                             const std::string& eventValues) override;
    std::string GetFile(const std::string& fileName, const std::string& fileType,
                        const std::string& path) override;
    std::string SetFile(const std::string& fileName, const std::string& fileType,
                        const std::string& path) override;
    std::string OnMessage(const std::string& messageType, const std::string& paramString) override;
    std::string GetGUIEngine(const std::string& first, const std::string& second, std::string& third,
                             std::shared_ptr<client::IGUIEngine>& engine) override;
    std::string SetGUIEngine(const std::string& first, const std::string& second, const std::string& third,
                             std::shared_ptr<client::IGUIEngine> engine) override;
    std::string CommandGUIEngine(const std::string& engineName, const std::string& paramString,
                                 const std::string& idEngine, const std::string& command) override;
    bool Connect() override;

protected:
    std::string GetPath() const override { return "/soap/IIZerk3Service"; }
    void Fatal(const std::string& message) override;

private:
    // The common course of every operation that sends a request.
    std::string Send(const char* operation,
                     std::initializer_list<std::pair<const char*, const std::string*>> params);

    bool inConnect_ = false;
};

} // namespace enginelink
