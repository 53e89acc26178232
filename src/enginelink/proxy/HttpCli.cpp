#include "enginelink/proxy/HttpCli.h"

#include <charconv>

#include "u3/Base64.h"
#include "u3/StrLib.h"

namespace e3net {

namespace {

// A reply head larger than this is refused.
constexpr size_t kMaxHead = 1024 * 1024;

struct TUrlParts {
    std::string scheme, host, port, path;
};

TUrlParts SplitUrl(const std::string& url)
{
    TUrlParts p;
    std::string rest = url;
    const size_t sep = rest.find("://");
    if (sep != std::string::npos) {
        p.scheme = u3::LowerCase(rest.substr(0, sep));
        rest.erase(0, sep + 3);
    } else {
        p.scheme = "http";
    }
    const size_t slash = rest.find_first_of("/?#");
    std::string authority = rest.substr(0, slash);
    p.path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (!p.path.empty() && p.path[0] != '/')
        p.path.insert(0, "/");
    const size_t hash = p.path.find('#');
    if (hash != std::string::npos)
        p.path.erase(hash);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        p.host = authority.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < authority.size() && authority[close + 1] == ':')
            p.port = authority.substr(close + 2);
    } else {
        const size_t colon = authority.find(':');
        p.host = authority.substr(0, colon);
        if (colon != std::string::npos)
            p.port = authority.substr(colon + 1);
    }
    if (p.port.empty())
        p.port = p.scheme == "https" ? "443" : "80";
    return p;
}

bool ParseNumber(std::string_view s, long long& value, int base = 10)
{
    if (s.empty())
        return false;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && ptr == s.data() + s.size() && value >= 0;
}

} // namespace

THttpCli::THttpCli() : THttpCli(std::make_unique<TWSocket>()) {}

THttpCli::THttpCli(std::unique_ptr<TWSocket> socket) : socket_(std::move(socket))
{
    HookSocket();
}

THttpCli::~THttpCli()
{
    *alive_ = false;
}

void THttpCli::HookSocket()
{
    socket_->OnSessionConnected = [this](TCustomWSocket&, int error) { SocketSessionConnected(error); };
    socket_->OnDataAvailable = [this](TCustomWSocket&, int) { SocketDataAvailable(); };
    socket_->OnSessionClosed = [this](TCustomWSocket&, int error) { SocketSessionClosed(error); };
}

bool THttpCli::Connected() const
{
    return socket_->State() == wsConnected && !socket_->TunnelNegotiating();
}

void THttpCli::Display(const std::string& text)
{
    if (OnDisplay)
        OnDisplay(*this, text);
}

void THttpCli::PostASync() { Start(httpPOST); }

void THttpCli::GetASync() { Start(httpGET); }

void THttpCli::Start(THttpRequest request)
{
    if (busy_)
        throw u3::Exception("Busy");
    const TUrlParts url = SplitUrl(URL);
    const bool viaProxy = !Proxy.empty() && url.scheme == "http";
    const std::string connectHost = viaProxy ? Proxy : url.host;
    const std::string connectPort = viaProxy ? (ProxyPort.empty() ? "80" : ProxyPort) : url.port;
    const std::string key = connectHost + ":" + connectPort;

    StatusCode = 0;
    ReasonPhrase.clear();
    RcvdHeader.clear();
    RcvdStream.clear();
    ContentLength = -1;
    HeaderSize = 0;
    in_.clear();
    request_ = request;
    host_ = url.host;
    port_ = url.port;
    path_ = viaProxy ? URL : url.path;
    viaProxy_ = viaProxy;
    defaultPort_ = url.port == (url.scheme == "https" ? "443" : "80");

    if (Connected() && key == connectedTo_) {
        busy_ = true;
        SendRequest();
        return;
    }
    if (socket_->State() != wsClosed)
        socket_->Close(); // not busy yet: the close is nobody's failure
    busy_ = true;
    state_ = httpNotConnected;
    connectedTo_ = key;
    socket_->Addr = connectHost;
    socket_->Port = connectPort;
    try {
        socket_->Connect();
    } catch (const std::exception& e) {
        const int error = socket_->LastError ? socket_->LastError : WSAHOST_NOT_FOUND;
        Display(e.what());
        connectedTo_.clear();
        // Told after the caller's call has returned, as every other outcome.
        PostSocketMessage(alive_, [this, error] {
            if (!busy_ || state_ != httpNotConnected)
                return;
            if (OnSessionConnected) {
                const auto alive = alive_;
                OnSessionConnected(*this, error);
                if (!*alive || !busy_)
                    return;
            }
            Finish(error);
        });
    }
}

void THttpCli::SocketSessionConnected(int error)
{
    if (error != 0) {
        connectedTo_.clear();
        if (OnSessionConnected)
            OnSessionConnected(*this, error);
        if (busy_)
            Finish(error);
        return;
    }
    state_ = httpConnected;
    const auto alive = alive_;
    if (OnSessionConnected)
        OnSessionConnected(*this, 0);
    if (*alive && busy_ && state_ == httpConnected)
        SendRequest();
}

void THttpCli::SendRequest()
{
    const char* method = request_ == httpPOST ? "POST" : request_ == httpHEAD ? "HEAD" : "GET";
    std::vector<std::string> lines;
    lines.push_back(std::string(method) + " " + path_ + " HTTP/" + HTTPVersion);
    lines.push_back("Host: " + (host_.find(':') != std::string::npos ? "[" + host_ + "]" : host_) +
                    (defaultPort_ ? "" : ":" + port_));
    lines.push_back("Accept: */*");
    if (!AcceptLanguage.empty())
        lines.push_back("Accept-Language: " + AcceptLanguage);
    lines.push_back("User-Agent: " + Agent);
    if (viaProxy_) {
        if (KeepAlive)
            lines.push_back("Proxy-Connection: Keep-Alive");
        if (!ProxyUsername.empty())
            lines.push_back("Proxy-Authorization: Basic " + u3::StringToBase64(ProxyUsername + ":" + ProxyPassword));
    }
    if (KeepAlive)
        lines.push_back("Connection: Keep-Alive");
    else if (HTTPVersion != "1.0")
        lines.push_back("Connection: close");
    if (request_ == httpPOST) {
        lines.push_back("Content-Type: " + ContentTypePost);
        lines.push_back("Content-Length: " + std::to_string(SendStream.size()));
    }
    std::string head;
    const auto alive = alive_;
    for (const auto& line : lines) {
        head += line + "\r\n";
        if (OnCommand) {
            // The head goes to debug logs: no credentials in it.
            OnCommand(*this, MaskCredentials(line));
            if (!*alive)
                return;
        }
    }
    head += "\r\n";
    if (OnCommand) {
        OnCommand(*this, "");
        if (!*alive)
            return;
    }
    state_ = httpWaitingHeader;
    std::string request = std::move(head);
    if (request_ == httpPOST)
        request += SendStream;
    if (socket_->SendStr(request) < 0 && busy_)
        Finish(socket_->LastError ? socket_->LastError : httperrNoData);
}

void THttpCli::SocketDataAvailable()
{
    // Piece by piece, so that a large reply never sits twice in memory.
    const auto alive = alive_;
    char chunk[65536];
    for (;;) {
        const int n = socket_->Receive(chunk, sizeof chunk);
        if (n <= 0)
            return; // nothing more now, or the close that follows tells the rest
        if (!busy_) {
            in_.clear(); // nobody asked: a stray reply on a kept connection
            continue;
        }
        in_.append(chunk, static_cast<size_t>(n));
        ParseReply();
        if (!*alive || socket_->State() != wsConnected)
            return;
    }
}

bool THttpCli::ParseHead()
{
    for (;;) {
        size_t end = in_.find("\r\n\r\n");
        size_t sepLength = 4;
        const size_t lf = in_.find("\n\n");
        if (lf != std::string::npos && (end == std::string::npos || lf < end)) {
            end = lf;
            sepLength = 2;
        }
        if (end == std::string::npos) {
            if (in_.size() > kMaxHead) {
                socket_->Close();
                if (busy_)
                    Finish(httperrOverflow);
            }
            return false;
        }
        const std::string head = in_.substr(0, end);
        HeaderSize = end + sepLength;
        in_.erase(0, end + sepLength);
        RcvdHeader.clear();
        size_t pos = 0;
        while (pos <= head.size()) {
            size_t eol = head.find('\n', pos);
            if (eol == std::string::npos)
                eol = head.size();
            std::string line = head.substr(pos, eol - pos);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            RcvdHeader.push_back(line);
            pos = eol + 1;
        }
        const std::string& status = RcvdHeader.front();
        long long code = 0;
        const size_t blank = status.find(' ');
        if (status.compare(0, 5, "HTTP/") != 0 || blank == std::string::npos ||
            !ParseNumber(std::string_view(status).substr(blank + 1, 3), code)) {
            socket_->Close();
            if (busy_)
                Finish(httperrVersion);
            return false;
        }
        StatusCode = static_cast<int>(code);
        ReasonPhrase = blank + 5 <= status.size() ? status.substr(blank + 5) : "";
        const bool replyIs10 = status.compare(0, 8, "HTTP/1.0") == 0;
        bool keepAliveSaid = false, closeSaid = false;
        ContentLength = -1;
        chunked_ = false;
        for (size_t i = 1; i < RcvdHeader.size(); ++i) {
            const std::string& line = RcvdHeader[i];
            const size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            const std::string name = u3::Trim(line.substr(0, colon));
            const std::string value = u3::Trim(line.substr(colon + 1));
            if (u3::SameText(name, "Content-Length")) {
                long long n;
                if (ParseNumber(value, n))
                    ContentLength = n;
            } else if (u3::SameText(name, "Transfer-Encoding")) {
                chunked_ = u3::LowerCase(value).find("chunked") != std::string::npos;
            } else if (u3::SameText(name, "Connection") || u3::SameText(name, "Proxy-Connection")) {
                const std::string v = u3::LowerCase(value);
                keepAliveSaid = keepAliveSaid || v.find("keep-alive") != std::string::npos;
                closeSaid = closeSaid || v.find("close") != std::string::npos;
            }
        }
        if (StatusCode >= 100 && StatusCode < 200)
            continue; // an interim reply; the real one follows
        closeAfter_ = !KeepAlive || closeSaid || (replyIs10 && !keepAliveSaid);
        const bool noBody = request_ == httpHEAD || StatusCode == 204 || StatusCode == 304;
        if (noBody) {
            ContentLength = 0;
            chunked_ = false;
        }
        bodyUntilClose_ = !chunked_ && ContentLength < 0;
        if (bodyUntilClose_)
            closeAfter_ = true;
        return true;
    }
}

bool THttpCli::ParseChunked()
{
    for (;;) {
        const size_t eol = in_.find("\r\n");
        if (eol == std::string::npos)
            return false;
        std::string sizeText = in_.substr(0, in_.find_first_of(";\r", 0));
        long long size = 0;
        if (!ParseNumber(u3::Trim(sizeText), size, 16)) {
            socket_->Close();
            if (busy_)
                Finish(httperrVersion);
            return false;
        }
        if (size == 0) {
            // Trailers end with an empty line.
            const size_t end = in_.find("\r\n\r\n", eol);
            if (eol + 2 <= in_.size() && in_.compare(eol, 4, "\r\n\r\n") == 0) {
                in_.erase(0, eol + 4);
                return true;
            }
            if (end == std::string::npos)
                return false;
            in_.erase(0, end + 4);
            return true;
        }
        if (in_.size() < eol + 2 + static_cast<size_t>(size) + 2)
            return false;
        RcvdStream.append(in_, eol + 2, static_cast<size_t>(size));
        in_.erase(0, eol + 2 + static_cast<size_t>(size) + 2);
    }
}

void THttpCli::ParseReply()
{
    const auto alive = alive_;
    if (state_ == httpWaitingHeader) {
        if (!ParseHead())
            return;
        state_ = httpWaitingBody;
        if (OnHeaderEnd) {
            OnHeaderEnd(*this);
            if (!*alive || !busy_)
                return;
        }
    }
    if (state_ != httpWaitingBody)
        return;
    bool complete = false;
    if (chunked_) {
        complete = ParseChunked();
        if (!*alive || !busy_)
            return;
    } else if (ContentLength >= 0) {
        if (RcvdStream.empty())
            RcvdStream.reserve(static_cast<size_t>(std::min<long long>(ContentLength, 1LL << 30)));
        const size_t missing = static_cast<size_t>(ContentLength) - RcvdStream.size();
        const size_t take = std::min(missing, in_.size());
        RcvdStream.append(in_, 0, take);
        in_.erase(0, take);
        complete = RcvdStream.size() == static_cast<size_t>(ContentLength);
    } else {
        RcvdStream += in_;
        in_.clear();
    }
    if (complete) {
        in_.clear();
        // No longer busy before the close, which is then nobody's failure.
        busy_ = false;
        if (closeAfter_)
            socket_->Close();
        else
            state_ = httpConnected;
        Finish(httperrNoError);
    }
}

void THttpCli::SocketSessionClosed(int error)
{
    connectedTo_.clear();
    const THttpState was = state_;
    state_ = httpNotConnected;
    if (!busy_)
        return;
    if (was == httpWaitingBody && bodyUntilClose_) {
        Finish(httperrNoError);
        return;
    }
    // A session that never became ready failed to connect; the HTTPS client
    // hears of that only here, as its socket's own event is left to the user.
    if (was == httpNotConnected && error != 0 && OnSessionConnected) {
        const auto alive = alive_;
        OnSessionConnected(*this, error);
        if (!*alive || !busy_)
            return;
    }
    Finish(error ? error : httperrNoData);
}

void THttpCli::Abort()
{
    const bool wasBusy = busy_;
    busy_ = false;
    state_ = httpAborting;
    if (socket_->State() != wsClosed)
        socket_->Close();
    connectedTo_.clear();
    state_ = httpNotConnected;
    if (wasBusy) {
        busy_ = true;
        Finish(httperrAborted);
    }
}

void THttpCli::Finish(int error)
{
    busy_ = false;
    if (error != httperrNoError) {
        if (socket_->State() != wsClosed)
            socket_->Close();
        state_ = httpNotConnected;
    } else if (state_ != httpNotConnected) {
        state_ = httpConnected;
    }
    if (OnRequestDone)
        OnRequestDone(*this, request_, error);
}

} // namespace e3net
