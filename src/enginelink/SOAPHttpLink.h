#pragma once
// The HTTP side of the SOAP transports: one kept-alive libcurl handle that posts
// a body as HTTP/1.0 with exactly the header lines the engine's servers and
// proxies have always seen from this client, and hands back the reply as it
// came. Failing to get any reply is an EHttpError; a reply of any status is
// returned, so that the caller can look at an error status's body first.
#include "u3/Exceptions.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

typedef void CURL;

namespace enginelink {

// A connection failure, or a reply the caller treats as one.
class EHttpError : public u3::Exception {
public:
    using u3::Exception::Exception;
};

struct HttpProxySettings {
    std::string host; // empty: no proxy
    std::string port; // empty or not a number: 80
    std::string user; // non-empty: Basic proxy authentication
    std::string password;
};

struct HttpReply {
    long status = 0;
    std::string contentType; // as the server sent it
    std::string body;
};

class SOAPHttpLink {
public:
    SOAPHttpLink();
    ~SOAPHttpLink();
    SOAPHttpLink(const SOAPHttpLink&) = delete;
    SOAPHttpLink& operator=(const SOAPHttpLink&) = delete;

    void SetProxy(const HttpProxySettings& proxy)
    {
        proxy_ = proxy;
        proxySet_ = false;
    }
    const HttpProxySettings& Proxy() const { return proxy_; }

    // The header lines of one request, in the order they go out, without line ends.
    std::vector<std::string> RequestHeaders(const std::string& host, const std::string& contentType,
                                            std::size_t bodyLength) const;

    // Posts body to url ("http://host:port/path"); host goes into the Host line.
    // Throws EHttpError when no reply arrives.
    HttpReply Post(const std::string& url, const std::string& host, const std::string& contentType,
                   std::string_view body);
    // The same with the body given as pieces that go out one after the other.
    HttpReply Post(const std::string& url, const std::string& host, const std::string& contentType,
                   std::span<const std::string_view> pieces);

private:
    CURL* curl_ = nullptr;
    HttpProxySettings proxy_;
    bool proxySet_ = false;
    std::string lastUrl_;
};

// The parameter named name (without regard to case) of a header value such as
// a Content-Type, with one pair of enclosing double quotes removed; empty when
// it is missing.
std::string HeaderParameter(const std::string& headerValue, const std::string& name);
// The header value's first item ("type/subtype"), trimmed and in lower case.
std::string HeaderMainValue(const std::string& headerValue);

} // namespace enginelink
