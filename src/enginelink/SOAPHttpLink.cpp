#include "enginelink/SOAPHttpLink.h"

#include "enginelink/KeepAlive.h"
#include "u3/Base64.h"
#include "u3/StrLib.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

namespace enginelink {
namespace {

constexpr std::size_t kMaxReserve = std::size_t(1) << 30;

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Trim(std::string_view s)
{
    auto begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    auto end = s.find_last_not_of(" \t");
    return std::string(s.substr(begin, end - begin + 1));
}

struct ReceiveState {
    CURL* curl;
    HttpReply* reply;
    bool reserved = false;
    bool outOfMemory = false;
};

// Runs inside libcurl: no exception may leave it.
size_t WriteBody(char* data, size_t size, size_t count, void* user)
{
    auto* state = static_cast<ReceiveState*>(user);
    const size_t length = size * count;
    try {
        if (!state->reserved) {
            state->reserved = true;
            curl_off_t expected = -1;
            if (curl_easy_getinfo(state->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected) == CURLE_OK &&
                expected > 0)
                state->reply->body.reserve(std::min<std::size_t>(std::size_t(expected), kMaxReserve));
        }
        state->reply->body.append(data, length);
    } catch (const std::bad_alloc&) {
        state->outOfMemory = true;
        return 0; // aborts the transfer
    }
    return length;
}

// The request body as it goes out: pieces read one after the other.
struct SendState {
    std::span<const std::string_view> pieces;
    std::size_t piece = 0;  // the piece being read
    std::size_t offset = 0; // within it
};

// Runs inside libcurl: copies what fits of the pieces into its send buffer.
size_t ReadBody(char* buffer, size_t size, size_t count, void* user)
{
    auto* state = static_cast<SendState*>(user);
    const size_t room = size * count;
    size_t filled = 0;
    while (filled < room && state->piece < state->pieces.size()) {
        const std::string_view piece = state->pieces[state->piece];
        const size_t length = std::min(room - filled, piece.size() - state->offset);
        std::memcpy(buffer + filled, piece.data() + state->offset, length);
        filled += length;
        state->offset += length;
        if (state->offset == piece.size()) {
            ++state->piece;
            state->offset = 0;
        }
    }
    return filled;
}

// Runs inside libcurl when it sends the body again (a kept-alive connection
// that turned out to be closed): back to the given position.
int SeekBody(void* user, curl_off_t position, int origin)
{
    auto* state = static_cast<SendState*>(user);
    if (origin != SEEK_SET || position < 0)
        return CURL_SEEKFUNC_CANTSEEK;
    auto left = static_cast<std::size_t>(position);
    state->piece = 0;
    state->offset = 0;
    while (state->piece < state->pieces.size() && left >= state->pieces[state->piece].size()) {
        left -= state->pieces[state->piece].size();
        ++state->piece;
    }
    if (state->piece == state->pieces.size() && left > 0)
        return CURL_SEEKFUNC_FAIL;
    state->offset = left;
    return CURL_SEEKFUNC_OK;
}

// Runs inside libcurl for each new connection; libcurl has no option for the
// number of probes.
int SetKeepAliveProbes(void*, curl_socket_t socket, curlsocktype purpose)
{
    if (purpose == CURLSOCKTYPE_IPCXN)
        SetTcpKeepAliveProbes(socket);
    return CURL_SOCKOPT_OK;
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const std::string& line)
    {
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (!grown)
            throw std::bad_alloc();
        list = grown;
    }
};

long ProxyPortNumber(const std::string& text)
{
    long port = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port <= 0 || port > 65535)
        return 80;
    return port;
}

} // namespace

SOAPHttpLink::SOAPHttpLink()
{
    GlobalInit();
    curl_ = curl_easy_init();
    if (!curl_)
        throw u3::Exception("The HTTP client could not be created");
    CURL* c = curl_;
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadBody);
    curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, &SeekBody);
    curl_easy_setopt(c, CURLOPT_NOPROXY, "");
    // A server address that drops packets would hold each try until the kernel gives up
    // (minutes); a connect gets about as long as the platform's own stack used to give it.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, long(kConnectTimeout.count()));
    // No time limit on a call once connected: keep-alive tells a dead peer from a slow one.
    curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(c, CURLOPT_TCP_KEEPIDLE, long(kKeepAliveIdle.count()));
    curl_easy_setopt(c, CURLOPT_TCP_KEEPINTVL, long(kKeepAliveInterval.count()));
    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, &SetKeepAliveProbes);
}

SOAPHttpLink::~SOAPHttpLink()
{
    curl_easy_cleanup(curl_);
}

std::vector<std::string> SOAPHttpLink::RequestHeaders(const std::string& host, const std::string& contentType,
                                                      std::size_t bodyLength) const
{
    std::vector<std::string> lines;
    lines.reserve(9);
    lines.push_back("Connection: Keep-Alive");
    lines.push_back("Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    lines.push_back("Accept-Language: en");
    lines.push_back("Content-Type: " + contentType);
    lines.push_back("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Win32)");
    lines.push_back("Host: " + host);
    lines.push_back("Content-Length: " + std::to_string(bodyLength));
    if (!proxy_.host.empty() && !proxy_.user.empty())
        lines.push_back("Proxy-Authorization: Basic " + u3::StringToBase64(proxy_.user + ":" + proxy_.password));
    lines.push_back("Proxy-Connection: Keep-Alive");
    return lines;
}

HttpReply SOAPHttpLink::Post(const std::string& url, const std::string& host, const std::string& contentType,
                             std::string_view body)
{
    const std::string_view pieces[] = {body};
    return Post(url, host, contentType, pieces);
}

HttpReply SOAPHttpLink::Post(const std::string& url, const std::string& host, const std::string& contentType,
                             std::span<const std::string_view> pieces)
{
    if (url.empty())
        throw EHttpError("No server address is set");

    std::size_t bodySize = 0;
    for (const std::string_view piece : pieces)
        bodySize += piece.size();
    std::vector<std::string> lines = RequestHeaders(host, contentType, bodySize);
    for (const std::string& line : lines)
        if (line.find_first_of("\r\n") != std::string::npos)
            throw u3::Exception("A line break in an HTTP header value");

    // libcurl adds none of its own lines when ours of the same name are present,
    // except Host, which it would move up to the request line. Our Host line
    // therefore travels as the continuation of the line before it, and an empty
    // "Host:" keeps libcurl's own away.
    HeaderList headers;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 < lines.size() && lines[i + 1].rfind("Host:", 0) == 0) {
            headers.Add(lines[i] + "\r\n" + lines[i + 1]);
            ++i;
        } else {
            headers.Add(lines[i]);
        }
    }
    headers.Add("Host:");
    headers.Add("Expect:");
    headers.Add("Transfer-Encoding:");

    HttpReply reply;
    ReceiveState state{curl_, &reply};

    CURL* c = curl_;
    if (url != lastUrl_) {
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        lastUrl_ = url;
    }
    if (!proxySet_) {
        // Only the proxy of our own settings: an empty one also keeps the
        // environment's proxy variables away from the engine link.
        curl_easy_setopt(c, CURLOPT_PROXY, proxy_.host.c_str());
        if (!proxy_.host.empty()) {
            curl_easy_setopt(c, CURLOPT_PROXYTYPE, long(CURLPROXY_HTTP));
            curl_easy_setopt(c, CURLOPT_PROXYPORT, ProxyPortNumber(proxy_.port));
        }
        proxySet_ = true;
    }
    // A body of one piece goes out with the request head; one of several is
    // read from the pieces where they are, not copied into one.
    SendState sending{pieces};
    if (pieces.size() == 1)
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, pieces[0].data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(bodySize));
    curl_easy_setopt(c, CURLOPT_READDATA, &sending);
    curl_easy_setopt(c, CURLOPT_SEEKDATA, &sending);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &state);

    const CURLcode rc = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, nullptr);
    curl_easy_setopt(c, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_SEEKDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, nullptr);
    if (state.outOfMemory)
        throw std::bad_alloc();
    if (rc != CURLE_OK)
        throw EHttpError(std::string("HTTP request failed: ") + curl_easy_strerror(rc));

    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
    const char* type = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        reply.contentType = type;
    return reply;
}

std::string HeaderParameter(const std::string& headerValue, const std::string& name)
{
    std::string_view rest(headerValue);
    bool first = true;
    while (true) {
        const auto semicolon = rest.find(';');
        std::string_view item = rest.substr(0, semicolon);
        if (!first) {
            const auto equals = item.find('=');
            if (equals != std::string_view::npos && u3::SameText(Trim(item.substr(0, equals)), name)) {
                std::string value = Trim(item.substr(equals + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                return value;
            }
        }
        first = false;
        if (semicolon == std::string_view::npos)
            return {};
        rest.remove_prefix(semicolon + 1);
    }
}

std::string HeaderMainValue(const std::string& headerValue)
{
    return u3::LowerCase(Trim(std::string_view(headerValue).substr(0, headerValue.find(';'))));
}

} // namespace enginelink
