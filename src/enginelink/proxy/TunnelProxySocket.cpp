#include "enginelink/proxy/TunnelProxySocket.h"

#include <charconv>

#include "enginelink/proxy/NtlmMsgs.h"
#include "u3/Base64.h"
#include "u3/StrLib.h"
#include "u3/SystemInfo.h"

namespace e3net {

namespace {

// A proxy reply head larger than this is not a proxy speaking.
constexpr size_t kMaxReplyHead = 64 * 1024;

} // namespace

TProxyReply ParseProxyReply(std::string_view head)
{
    TProxyReply r;
    size_t pos = 0;
    bool first = true;
    while (pos < head.size()) {
        size_t eol = head.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = head.size();
        std::string_view line = head.substr(pos, eol - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = eol + 1;
        if (first) {
            first = false;
            // "HTTP/1.x 407 reason"
            if (line.substr(0, 5) != "HTTP/")
                continue;
            const size_t blank = line.find(' ');
            if (blank == std::string_view::npos)
                continue;
            std::string_view code = line.substr(blank + 1, 3);
            int value = 0;
            auto [p, ec] = std::from_chars(code.data(), code.data() + code.size(), value);
            if (ec == std::errc() && p == code.data() + code.size() && code.size() == 3 && value >= 100 && value <= 599)
                r.status = value;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string name = u3::Trim(line.substr(0, colon));
        const std::string value = u3::Trim(line.substr(colon + 1));
        if (u3::SameText(name, "Content-Length")) {
            long long n = -1;
            auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (ec == std::errc() && p == value.data() + value.size() && n >= 0)
                r.contentLength = n;
        } else if (u3::SameText(name, "Proxy-Authenticate")) {
            const std::string scheme = value.substr(0, value.find(' '));
            if (u3::SameText(scheme, "Basic"))
                r.offersBasic = true;
            else if (u3::SameText(scheme, "NTLM")) {
                r.offersNtlm = true;
                if (value.size() > scheme.size())
                    r.ntlmChallenge = u3::Trim(value.substr(scheme.size()));
            }
        }
    }
    return r;
}

namespace {

// End of the reply head (just behind the blank line), or npos.
size_t HeadEnd(const std::string& s)
{
    const size_t crlf = s.find("\r\n\r\n");
    const size_t lf = s.find("\n\n");
    if (crlf == std::string::npos && lf == std::string::npos)
        return std::string::npos;
    if (lf == std::string::npos || (crlf != std::string::npos && crlf < lf))
        return crlf + 4;
    return lf + 2;
}

} // namespace

TTunnelProxySocket::TTunnelProxySocket() = default;

void TTunnelProxySocket::AssignDefaultValue()
{
    TCustomWSocket::AssignDefaultValue();
    authStep_ = 0;
}

void TTunnelProxySocket::SetTunnelProxyServer(const std::string& value)
{
    if (State() != wsClosed)
        throw ESocketException("Can't change socks server if not closed");
    tunnelProxyServer_ = u3::Trim(value);
}

void TTunnelProxySocket::SetTunnelProxyPort(const std::string& value)
{
    const std::string trimmed = u3::Trim(value);
    if (trimmed.empty())
        return;
    if (State() != wsClosed)
        throw ESocketException("Can't change socks port if not closed");
    tunnelProxyPort_ = trimmed;
    portSet_ = true;
}

void TTunnelProxySocket::Connect()
{
    if (!TunnelOn()) {
        negotiating_ = false;
        TCustomWSocket::Connect();
        return;
    }
    AssignDefaultValue();
    StartNegotiation();
}

void TTunnelProxySocket::StartNegotiation()
{
    negotiating_ = true;
    reply_.clear();
    try {
        ConnectTo(tunnelProxyServer_, tunnelProxyPort_);
    } catch (...) {
        negotiating_ = false;
        throw;
    }
}

std::string TTunnelProxySocket::BuildConnectRequest() const
{
    std::string r;
    r += TunnelRequestLine.empty() ? "CONNECT " + Addr + ":" + Port + " HTTP/1.0" : TunnelRequestLine;
    r += "\r\n";
    r += "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Win32)\r\n";
    r += TunnelHostLine.empty() ? "Host: " + Addr : TunnelHostLine;
    r += "\r\n";
    r += "Content-Length: 0\r\n";
    if (!TunnelExtraHeader.empty())
        r += TunnelExtraHeader + "\r\n";
    r += "Pragma: no-cache\r\n";
    return r;
}

std::string TTunnelProxySocket::BuildNTLMConnectRequest(int step, const std::string& challenge)
{
    const std::string workstation = u3::ComputerName();
    std::string domain = u3::DnsDomain();
    std::string user = TunnelProxyUsercode;
    const size_t backslash = user.find('\\');
    if (backslash != std::string::npos) {
        domain = user.substr(0, backslash);
        user = user.substr(backslash + 1);
    }
    std::string r = BuildConnectRequest();
    r += "Proxy-Connection: Keep-Alive\r\n";
    TNTLM ntlm;
    if (step == 2) {
        r += "Proxy-Authorization: NTLM " + ntlm.BuildNegotiateMessage("", "") + "\r\n";
        authStep_ = 2;
    } else if (step == 3) {
        TNTLMChallenge parsed;
        ntlm.ParseChallengeMessage(challenge, parsed);
        std::string message;
        ntlm.BuildAuthenticateMessage(domain, workstation, user, TunnelProxyPassword, parsed.Nonce(), message);
        r += "Proxy-Authorization: NTLM " + message + "\r\n";
        authStep_ = 3;
    }
    return r;
}

void TTunnelProxySocket::TriggerSessionConnected(int error)
{
    if (!negotiating_) {
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    const auto alive = alive_;
    TriggerTunnelProxyConnected(error);
    if (!*alive)
        return;
    if (error != 0) {
        negotiating_ = false;
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    std::string request;
    if (authStep_ == 2) {
        request = BuildNTLMConnectRequest(2, "");
    } else {
        request = BuildConnectRequest();
        if (authStep_ == 1) {
            if (!TunnelProxyUsercode.empty())
                request += "Proxy-Authorization: Basic " +
                           u3::StringToBase64(TunnelProxyUsercode + ":" + TunnelProxyPassword) + "\r\n";
            if (!TunnelUserName.empty())
                request += "Authorization: Basic " + u3::StringToBase64(TunnelUserName + ":" + TunnelPassWord) + "\r\n";
        }
    }
    request += "\r\n";
    TriggerDisplay("<Send to ProxyServer:>\r\n" + MaskCredentials(request) + "\r\n</Send to ProxyServer:>\r\n");
    if (!*alive)
        return;
    reply_.clear();
    SendStr(request);
}

void TTunnelProxySocket::TriggerDataAvailable(int error)
{
    if (!negotiating_) {
        TCustomWSocket::TriggerDataAvailable(error);
        return;
    }
    if (error != 0) {
        TunnelFailed(error, "data receive error");
        return;
    }
    try {
        char chunk[4096];
        for (;;) {
            const int n = Receive(chunk, sizeof chunk);
            if (n <= 0)
                break; // 0: the proxy closed; the close notification follows
            reply_.append(chunk, static_cast<size_t>(n));
            if (reply_.size() > kMaxReplyHead + 1024 * 1024)
                break;
        }
        const size_t headEnd = HeadEnd(reply_);
        if (headEnd == std::string::npos) {
            if (reply_.size() > kMaxReplyHead)
                TunnelFailed(TunnelProxyErrorRefused, reply_.substr(0, 1024));
            return; // the rest of the head is still on its way
        }
        JudgeReply(reply_, headEnd);
    } catch (const ENTLMError& e) {
        TunnelFailed(TunnelProxyErrorRefused, e.what());
    } catch (const std::exception&) {
        TunnelFailed(TunnelProxyErrorInternal, "internal TunnelProxy error");
    }
}

void TTunnelProxySocket::JudgeReply(const std::string& all, size_t headEnd)
{
    const TProxyReply reply = ParseProxyReply(std::string_view(all).substr(0, headEnd));
    // A reply with a body is judged once the body is in, so that nothing of it
    // is taken for the next reply on the same connection.
    size_t bodyLength = 0;
    if (reply.status != 200 && reply.contentLength > 0) {
        if (all.size() - headEnd < static_cast<size_t>(reply.contentLength))
            return;
        bodyLength = static_cast<size_t>(reply.contentLength);
    }
    const std::string head = all.substr(0, headEnd);
    std::string rest = all.substr(headEnd + bodyLength);
    const auto alive = alive_;
    TriggerDisplay("<Response from ProxyServer:>\r\n" + all.substr(0, headEnd + bodyLength) + "</Response from ProxyServer:>\r\n");
    if (!*alive)
        return;
    reply_.clear();

    if (reply.status == 200) {
        negotiating_ = false;
        // Anything behind the head already belongs to the target.
        if (!rest.empty())
            PutBack(std::move(rest));
        // Through the virtual chain, so that the layers above start their work.
        TriggerSessionConnected(0);
        return;
    }
    if (reply.status != 407) {
        TunnelFailed(TunnelProxyErrorRefused, head);
        return;
    }
    if (reply.offersBasic && authStep_ == 0) {
        CloseSilently();
        authStep_ = 1;
        StartNegotiation();
        return;
    }
    if (reply.offersNtlm && (authStep_ == 0 || authStep_ == 1)) {
        CloseSilently();
        authStep_ = 2;
        StartNegotiation();
        return;
    }
    if (reply.offersNtlm && authStep_ == 2 && !reply.ntlmChallenge.empty()) {
        TriggerDisplay("<Get from ProxyServer (NTLM2):>\r\n" + head + "\r\n</Get from ProxyServer (NTLM2):>\r\n");
        if (!*alive)
            return;
        const std::string request = BuildNTLMConnectRequest(3, reply.ntlmChallenge) + "\r\n";
        TriggerDisplay("<Send to ProxyServer (NTLM3):>\r\n" + MaskCredentials(request) + "\r\n</Send to ProxyServer (NTLM3):>\r\n");
        if (!*alive)
            return;
        if (!rest.empty())
            reply_ = std::move(rest);
        SendStr(request);
        return;
    }
    TunnelFailed(TunnelProxyErrorRefused, head);
}

void TTunnelProxySocket::TunnelFailed(int error, const std::string& msg)
{
    const auto alive = alive_;
    negotiating_ = false;
    TriggerTunnelProxyError(error, msg);
    if (!*alive)
        return;
    TCustomWSocket::TriggerSessionConnected(error);
    if (!*alive)
        return;
    CloseWithError(error);
}

void TTunnelProxySocket::TriggerSessionClosed(int error)
{
    if (negotiating_) {
        const auto alive = alive_;
        TunnelFailed(TunnelProxyErrorRefused, "TunnelProxy connect error");
        if (!*alive)
            return;
    }
    TCustomWSocket::TriggerSessionClosed(error);
}

void TTunnelProxySocket::TriggerTunnelProxyConnected(int error)
{
    if (OnTunnelProxyConnected)
        OnTunnelProxyConnected(*this, error);
}

void TTunnelProxySocket::TriggerTunnelProxyError(int error, const std::string& msg)
{
    if (OnTunnelProxyError)
        OnTunnelProxyError(*this, error, msg);
}

} // namespace e3net
