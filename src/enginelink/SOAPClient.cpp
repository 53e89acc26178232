#include "enginelink/SOAPClient.h"

#include "enginelink/SOAPHttpLink.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/Logger.h"
#include "u3/ProgramEnd.h"
#include "u3/StrLib.h"

#include <charconv>
#include <chrono>
#include <thread>

namespace enginelink {
namespace {

constexpr const char* kDefaultBindAddress = "inet:localhost:61000";
constexpr int kDefaultPort = 61000;
constexpr std::chrono::milliseconds kRetryPause{1000};
constexpr const char* kPlainContentType = "application/x-www-form-urlencoded";

// "inet:host:port": the host is what follows "inet:" up to the next ":".
std::string HostOfBindAddress(const std::string& address)
{
    const auto inet = address.find("inet:");
    if (inet == std::string::npos)
        return "localhost";
    const auto begin = inet + 5;
    const auto end = address.find(':', begin);
    std::string host = address.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    return host.empty() ? "localhost" : host;
}

std::string PortOfBindAddress(const std::string& address)
{
    const auto colon = address.rfind(':');
    if (colon == std::string::npos)
        return std::to_string(kDefaultPort);
    const char* first = address.data() + colon + 1;
    const char* last = address.data() + address.size();
    if (first != last && *first == '+')
        ++first;
    int port = 0;
    auto [end, ec] = std::from_chars(first, last, port);
    if (first == last || ec != std::errc() || end != last)
        port = kDefaultPort;
    return std::to_string(port);
}

} // namespace

TBaseSOAPClient::TBaseSOAPClient(const TSOAPClientSettings& settings, const std::string& host,
                                 const std::string& port, bool quiet)
    : quiet_(quiet), port_(port.empty() ? settings.port : port), host_(host.empty() ? settings.host : host),
      http_(std::make_unique<SOAPHttpLink>())
{
    http_->SetProxy(settings.proxy);
    parser_ = std::make_unique<Te3SOAPParser>();
}

TBaseSOAPClient::~TBaseSOAPClient()
{
    http_.reset();
    parser_.reset();
}

HttpProxySettings TBaseSOAPClient::ReadProxySettings()
{
    const u3::IniFile ini(u3::GetExeName() + ".ini");
    HttpProxySettings proxy;
    proxy.host = ini.ReadString("HTTP", "Proxy", "");
    proxy.port = ini.ReadString("HTTP", "ProxyPort", "");
    proxy.user = ini.ReadString("HTTP", "ProxyUser", "");
    proxy.password = ini.ReadString("HTTP", "ProxyPass", "");
    return proxy;
}

std::string TBaseSOAPClient::Url() const
{
    if (port_.empty())
        return {};
    return "http://" + host_ + ":" + port_ + GetPath();
}

bool TBaseSOAPClient::IsSoapFault(const std::string& body, const std::string& contentType) const
{
    if (body.empty() || HeaderMainValue(contentType) == "multipart/related")
        return false;
    // A scratch parser, so that a body that is not a fault leaves the request
    // as it was for the next try.
    Te3SOAPParser probe;
    probe.SetURN(parser_->URN());
    try {
        probe.ReadEnvelope(body);
    } catch (const std::exception&) {
        return false;
    }
    return !probe.FaultString().empty();
}

void TBaseSOAPClient::PostRequest()
{
    replyStatus_ = 0;
    replyContentType_.clear();
    replyBody_.clear();

    // A plain envelope goes out in pieces, so that a file's text in it is sent
    // from where it is instead of being copied into the request.
    Te3SOAPParser::EnvelopePieces envelope;
    std::string body;
    std::span<const std::string_view> pieces;
    std::string contentType = kPlainContentType;
    if (parser_->Multipart()) {
        body = parser_->BuildMultipartBody();
        contentType = "multipart/related; boundary=" + parser_->Boundary();
        envelope.pieces.assign(1, body);
    } else {
        parser_->WriteEnvelopePieces(envelope);
    }
    pieces = envelope.pieces;

    for (int attempt = 1; attempt <= retries_; ++attempt) {
        if (attempt > 1)
            std::this_thread::sleep_for(kRetryPause);
        try {
            HttpReply reply = http_->Post(Url(), host_, contentType, pieces);
            // A server that answers a call with a SOAP fault has run it:
            // posting it again would repeat it, and the fault names the cause.
            if (reply.status >= 400 && !IsSoapFault(reply.body, reply.contentType))
                throw EHttpError("HTTP status " + std::to_string(reply.status));
            replyStatus_ = reply.status;
            replyContentType_ = std::move(reply.contentType);
            replyBody_ = std::move(reply.body);
            return;
        } catch (const EHttpError& error) {
            if (attempt == retries_) {
                LinkLost(error.what(), u3::ServerNotFoundText());
                throw u3::EAbort();
            }
        }
    }
}

void TBaseSOAPClient::LinkLost(const std::string& reason, const std::string& message)
{
    disconnected_ = true;
    // A fault's text comes from the reply as it is.
    std::string why = reason, shown = message;
    u3::MakeValidUtf8(why);
    u3::MakeValidUtf8(shown);
    u3::ApplicationLogger().Log(1, "The engine call " + parser_->Operation() + " to " + Url() + " failed: " + why);
    Fatal(shown);
}

void TBaseSOAPClient::ReadResponse()
{
    std::string data = std::move(replyBody_);
    replyBody_ = std::string();
    if (data.empty()) {
        LinkLost("empty reply", u3::ServerNotFoundText());
        throw u3::EAbort();
    }
    if (HeaderMainValue(replyContentType_) == "multipart/related") {
        parser_->SetMultipart(true);
        parser_->SetBoundary(HeaderParameter(replyContentType_, "boundary"));
        parser_->ReadMultipartBody(data.data(), data.size());
    } else {
        parser_->SetMultipart(false);
        parser_->SetBoundary("");
        parser_->ReadEnvelope(std::move(data));
    }
}

std::string TBaseSOAPClient::Call()
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    PostRequest();
    ReadResponse();
    if (serverUserID_.empty())
        serverUserID_ = parser_->ServerUserID();
    if (!parser_->FaultString().empty()) {
        LinkLost("fault " + parser_->FaultString(), parser_->FaultString());
        throw u3::EAbort();
    }
    // A file's text is handed on, not copied; the next call clears the
    // parser anyway. Bytes that are not UTF-8 would be stored in controls and
    // go back out inside requests declared UTF-8.
    std::string value = parser_->TakeReturnValue();
    u3::MakeValidUtf8(value);
    return value;
}

TSOAPClientSettings Te3SOAPClient::ReadSettings()
{
    const u3::IniFile ini(u3::GetExeName() + ".ini");
    const std::string address = ini.ReadString("SOAP", "ORBBINDADDR", kDefaultBindAddress);
    return {HostOfBindAddress(address), PortOfBindAddress(address), ReadProxySettings()};
}

Te3SOAPClient::Te3SOAPClient(const std::string& host, const std::string& port, bool quiet)
    : TBaseSOAPClient(ReadSettings(), host, port, quiet)
{
    parser_->SetURN(kGUIEngineURN);
}

Te3SOAPClient::~Te3SOAPClient() = default;

void Te3SOAPClient::Fatal(const std::string& message)
{
    if (inConnect_)
        throw u3::Exception(message);
    u3::EndProgramAfterLostLink(quiet_ ? std::string() : message, 1);
}

std::string Te3SOAPClient::Send(const char* operation,
                                std::initializer_list<std::pair<const char*, const std::string*>> params)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (disconnected_)
        throw u3::EAbort();
    parser_->Clear(true);
    parser_->SetServerUserID(serverUserID_);
    parser_->SetOperation(operation);
    for (const auto& [name, value] : params) {
        // A file's text is the caller's for the whole call: it is not copied.
        if (parser_->SetParamBorrowed(name, *value))
            continue;
        // The request is declared UTF-8, whatever the text came from.
        if (u3::IsValidUtf8(*value)) {
            parser_->SetParam(name, *value);
        } else {
            std::string valid = *value;
            u3::MakeValidUtf8(valid);
            parser_->SetParam(name, valid);
        }
    }
    struct Release {
        Te3SOAPParser& parser;
        ~Release() { parser.ReleaseBorrowedParams(); }
    } release{*parser_};
    return Call();
}

std::string Te3SOAPClient::ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                                        const std::string& senderType, const std::string& eventName,
                                        const std::string& eventValues)
{
    // The server goes away after this event; losing it then is no news.
    if (u3::SameText(eventName, "Client.OnClientDone"))
        quiet_ = true;
    return Send("ExecuteEvent", {{"SenderClass", &senderClass},
                                 {"SenderName", &senderName},
                                 {"SenderType", &senderType},
                                 {"EventName", &eventName},
                                 {"EventValues", &eventValues}});
}

std::string Te3SOAPClient::GetFile(const std::string& fileName, const std::string& fileType,
                                   const std::string& path)
{
    return Send("GetFile", {{"FileName", &fileName}, {"FileType", &fileType}, {"Path", &path}});
}

std::string Te3SOAPClient::SetFile(const std::string& fileName, const std::string& fileType,
                                   const std::string& path)
{
    return Send("SetFile", {{"FileName", &fileName}, {"FileType", &fileType}, {"Path", &path}});
}

std::string Te3SOAPClient::OnMessage(const std::string& messageType, const std::string& paramString)
{
    return Send("OnMessage", {{"MessageType", &messageType}, {"ParamString", &paramString}});
}

std::string Te3SOAPClient::GetGUIEngine(const std::string&, const std::string&, std::string&,
                                        std::shared_ptr<client::IGUIEngine>&)
{
    return {};
}

std::string Te3SOAPClient::SetGUIEngine(const std::string&, const std::string&, const std::string&,
                                        std::shared_ptr<client::IGUIEngine>)
{
    return {};
}

std::string Te3SOAPClient::CommandGUIEngine(const std::string& engineName, const std::string& paramString,
                                            const std::string& idEngine, const std::string& command)
{
    return Send("CommandGUIEngine", {{"EngineName", &engineName},
                                     {"ParamString", &paramString},
                                     {"IDEngine", &idEngine},
                                     {"Command", &command}});
}

bool Te3SOAPClient::Connect()
{
    try {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        parser_->Clear(true);
        parser_->SetServerUserID(serverUserID_);
        parser_->SetOperation("Connect");
        struct InConnect {
            bool& flag;
            explicit InConnect(bool& f) : flag(f) { flag = true; }
            ~InConnect() { flag = false; }
        } inConnect(inConnect_);
        PostRequest();
        ReadResponse();
        if (serverUserID_.empty())
            serverUserID_ = parser_->ServerUserID();
        // A fault that came with an error status: the server refused the link.
        if (ReplyIsFaultStatus()) {
            LinkLost("fault " + parser_->FaultString(), parser_->FaultString());
        }
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace enginelink
