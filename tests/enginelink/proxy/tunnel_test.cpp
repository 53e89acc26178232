#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "ScriptedProxy.h"
#include "enginelink/proxy/NtlmMsgs.h"
#include "enginelink/proxy/TunnelProxySocket.h"
#include "u3/Base64.h"
#include "u3/StrLib.h"
#include "u3/SystemInfo.h"
#include "support/LoopbackSocket.h"

using namespace e3net;
using e3test::ScriptedProxy;

namespace {

bool Pump(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        WSocketProcessMessages(20);
    return done();
}

// A tunnel socket with every notification recorded.
struct TunnelClient {
    TWSocket socket;
    std::vector<int> connected;
    std::vector<std::pair<int, std::string>> tunnelErrors;
    std::vector<int> closed;
    std::string display;
    std::string received;

    TunnelClient(int proxyPort, const std::string& target = "target.example", const std::string& port = "443")
    {
        socket.Addr = target;
        socket.Port = port;
        socket.SetTunnelProxyServer(" 127.0.0.1 ");
        socket.SetTunnelProxyPort(std::to_string(proxyPort));
        socket.OnSessionConnected = [this](TCustomWSocket&, int error) { connected.push_back(error); };
        socket.OnSessionClosed = [this](TCustomWSocket&, int error) { closed.push_back(error); };
        socket.OnDataAvailable = [this](TCustomWSocket& s, int) { received += s.ReceiveStr(); };
        socket.OnDisplay = [this](TCustomWSocket&, const std::string& text) { display += text; };
        socket.OnTunnelProxyError = [this](TTunnelProxySocket&, int error, const std::string& msg) {
            tunnelErrors.emplace_back(error, msg);
        };
    }
    bool Outcome() { return Pump([this] { return !connected.empty(); }); }
};

std::string HeaderValue(const std::string& head, const std::string& name)
{
    const size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos)
        return {};
    const size_t start = at + 4 + name.size();
    return head.substr(start, head.find("\r\n", start) - start);
}

const char kEstablished[] = "HTTP/1.0 200 Connection established\r\n\r\n";

TEST(TunnelProxySocketTest, OpensTheTunnelAndCarriesTheTargetsBytes)
{
    ScriptedProxy proxy({{kEstablished, {}, false, true}});
    TunnelClient c(proxy.port());
    c.socket.TunnelExtraHeader = "Proxy-Connection: Keep-Alive";
    std::vector<int> proxyConnected;
    c.socket.OnTunnelProxyConnected = [&](TTunnelProxySocket&, int error) { proxyConnected.push_back(error); };
    c.socket.Connect();
    ASSERT_TRUE(c.Outcome());
    EXPECT_EQ(c.connected, std::vector<int>{0});
    EXPECT_EQ(proxyConnected, std::vector<int>{0});
    EXPECT_FALSE(c.socket.TunnelNegotiating());

    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].head, "CONNECT target.example:443 HTTP/1.0\r\n"
                                "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Win32)\r\n"
                                "Host: target.example\r\n"
                                "Content-Length: 0\r\n"
                                "Proxy-Connection: Keep-Alive\r\n"
                                "Pragma: no-cache\r\n\r\n");

    c.socket.SendStr("through the tunnel");
    ASSERT_TRUE(Pump([&] { return c.received.size() >= 18; }));
    EXPECT_EQ(c.received, "through the tunnel");
    EXPECT_NE(c.display.find("<Response from ProxyServer:>\r\nHTTP/1.0 200"), std::string::npos);
}

TEST(TunnelProxySocketTest, RepliesAreJudgedOnlyOnceTheirHeadIsComplete)
{
    // The status arrives first, the rest of the head later: the tunnel opens
    // only then, and the bytes behind the head already belong to the target.
    ScriptedProxy proxy({{"", {"HTTP/1.1 200 OK\r\n", "Via: 1.1 test\r\n\r\nearly"}, false, true}});
    TunnelClient c(proxy.port());
    c.socket.Connect();
    ASSERT_TRUE(c.Outcome());
    EXPECT_EQ(c.connected, std::vector<int>{0});
    ASSERT_TRUE(Pump([&] { return c.received.size() >= 5; }));
    EXPECT_EQ(c.received, "early");
}

TEST(TunnelProxySocketTest, RefusalsFailWithTheReply)
{
    const struct {
        const char* name;
        std::string reply;
    } cases[] = {
        // "200" deep inside a refusal is no success.
        {"late 200", "HTTP/1.1 403 Forbidden\r\nX-Reason: port 200 is closed\r\n\r\n"},
        {"bad gateway", "HTTP/1.0 502 Bad Gateway\r\nContent-Length: 3\r\n\r\nbad"},
        {"407 without a usable scheme", "HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Digest realm=x\r\n\r\n"},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n"},
    };
    for (const auto& k : cases) {
        ScriptedProxy proxy({{k.reply, {}, false, false}});
        TunnelClient c(proxy.port());
        c.socket.Connect();
        ASSERT_TRUE(c.Outcome()) << k.name;
        EXPECT_EQ(c.connected, std::vector<int>{TunnelProxyErrorRefused}) << k.name;
        ASSERT_EQ(c.tunnelErrors.size(), 1u) << k.name;
        EXPECT_EQ(c.tunnelErrors[0].first, TunnelProxyErrorRefused) << k.name;
        EXPECT_EQ(c.tunnelErrors[0].second, k.reply.substr(0, k.reply.find("\r\n\r\n") + 4)) << k.name;
        EXPECT_EQ(c.socket.State(), wsClosed) << k.name;
    }
}

TEST(TunnelProxySocketTest, ProxyClosingDuringNegotiationFails)
{
    ScriptedProxy proxy({{"", {}, true, false}});
    TunnelClient c(proxy.port());
    c.socket.Connect();
    ASSERT_TRUE(c.Outcome());
    EXPECT_EQ(c.connected, std::vector<int>{TunnelProxyErrorRefused});
    ASSERT_EQ(c.tunnelErrors.size(), 1u);
    EXPECT_EQ(c.tunnelErrors[0].second, "TunnelProxy connect error");
}

TEST(TunnelProxySocketTest, BasicThenNTLMOnTheSameConnection)
{
    const std::string body = "<html>denied</html>";
    std::string challenge(48, '\0');
    challenge.replace(0, 8, std::string("NTLMSSP\0", 8));
    challenge[8] = 2;
    const std::string nonce = "\x11\x22\x33\x44\x55\x66\x77\x88";
    challenge.replace(24, 8, nonce);
    ScriptedProxy proxy({
        {"HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"p\"\r\n"
         "Proxy-Authenticate: NTLM\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
         {}, true, false},
        {"HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: NTLM\r\n\r\n", {}, true, false},
        // The challenge comes with a body that must not be read as the next reply.
        {"HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: NTLM " + u3::StringToBase64(challenge) +
             "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
         {}, false, false},
        {kEstablished, {}, false, true},
    });
    TunnelClient c(proxy.port());
    c.socket.TunnelProxyUsercode = "CORP\\jdoe";
    c.socket.TunnelProxyPassword = "S3cret-pw";
    c.socket.Connect();
    ASSERT_TRUE(c.Outcome());
    EXPECT_EQ(c.connected, std::vector<int>{0});
    EXPECT_EQ(c.socket.TunnelAuthStep(), 3);

    const auto r = proxy.requests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(HeaderValue(r[0].head, "Proxy-Authorization"), "");
    EXPECT_EQ(HeaderValue(r[1].head, "Proxy-Authorization"), "Basic " + u3::StringToBase64("CORP\\jdoe:S3cret-pw"));
    EXPECT_EQ(HeaderValue(r[2].head, "Proxy-Authorization"), "NTLM " + TNTLM().BuildNegotiateMessage("", ""));
    EXPECT_EQ(HeaderValue(r[2].head, "Proxy-Connection"), "Keep-Alive");
    // The authenticate message answers on the connection that brought the challenge.
    EXPECT_EQ(r[0].connection, 1);
    EXPECT_EQ(r[1].connection, 2);
    EXPECT_EQ(r[2].connection, 3);
    EXPECT_EQ(r[3].connection, 3);

    const std::string auth = HeaderValue(r[3].head, "Proxy-Authorization");
    ASSERT_EQ(auth.substr(0, 5), "NTLM ");
    const std::string m = u3::Base64ToString(auth.substr(5));
    ASSERT_GE(m.size(), 64u + 8 + 8 + 48);
    EXPECT_EQ(m.substr(64, 8), std::string("C\0O\0R\0P\0", 8));
    EXPECT_EQ(m.substr(72, 8), std::string("j\0d\0o\0e\0", 8));
    std::array<unsigned char, 8> n;
    std::copy(nonce.begin(), nonce.end(), n.begin());
    EXPECT_EQ(m.substr(m.size() - 24), TNTLM::NTResponse("S3cret-pw", n));

    // Credentials never reach the debug texts.
    EXPECT_EQ(c.display.find(u3::StringToBase64("CORP\\jdoe:S3cret-pw")), std::string::npos);
    EXPECT_EQ(c.display.find(auth.substr(5)), std::string::npos);
    EXPECT_EQ(c.display.find(TNTLM().BuildNegotiateMessage("", "")), std::string::npos);
    EXPECT_NE(c.display.find("Proxy-Authorization: NTLM *****"), std::string::npos);
    EXPECT_NE(c.display.find("<Send to ProxyServer (NTLM3):>"), std::string::npos);
}

TEST(TunnelProxySocketTest, UserCodeWithoutDomainUsesTheMachinesDomain)
{
    std::string challenge(40, '\0');
    challenge.replace(0, 8, std::string("NTLMSSP\0", 8));
    challenge[8] = 2;
    ScriptedProxy proxy({
        {"HTTP/1.0 407 x\r\nProxy-Authenticate: NTLM " + u3::StringToBase64(challenge) + "\r\n\r\n", {}, false, false},
    });
    TunnelClient c(proxy.port());
    c.socket.TunnelProxyUsercode = "jdoe";
    // Straight to the challenge: the negotiate step is what the socket is at.
    const std::string request = c.socket.BuildNTLMConnectRequest(3, u3::StringToBase64(challenge));
    const std::string m = u3::Base64ToString(HeaderValue(request, "Proxy-Authorization").substr(5));
    const uint16_t domainLength = uint16_t(uint8_t(m[28]) | uint8_t(m[29]) << 8);
    EXPECT_EQ(m.substr(64, domainLength), TNTLM::ToUnicode(u3::UpperCase(u3::DnsDomain())));
    EXPECT_EQ(m.substr(64 + domainLength, 8), std::string("j\0d\0o\0e\0", 8));
}

TEST(TunnelProxySocketTest, AuthenticationDeadEnds)
{
    std::string shortChallenge = u3::StringToBase64(std::string("NTLMSSP\0\2\0\0\0", 12));
    const struct {
        const char* name;
        std::vector<ScriptedProxy::Step> steps;
        size_t requests;
    } cases[] = {
        {"Basic refused again",
         {{"HTTP/1.0 407 x\r\nProxy-Authenticate: Basic realm=a\r\n\r\n", {}, true, false},
          {"HTTP/1.0 407 x\r\nProxy-Authenticate: Basic realm=a\r\n\r\n", {}, true, false}},
         2},
        {"challenge too short",
         {{"HTTP/1.0 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n", {}, true, false},
          {"HTTP/1.0 407 x\r\nProxy-Authenticate: NTLM " + shortChallenge + "\r\n\r\n", {}, false, false}},
         2},
        {"empty challenge",
         {{"HTTP/1.0 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n", {}, true, false},
          {"HTTP/1.0 407 x\r\nProxy-Authenticate: NTLM\r\n\r\n", {}, false, false}},
         2},
    };
    for (const auto& k : cases) {
        ScriptedProxy proxy(k.steps);
        TunnelClient c(proxy.port());
        c.socket.TunnelProxyUsercode = "u";
        c.socket.TunnelProxyPassword = "p";
        c.socket.Connect();
        ASSERT_TRUE(c.Outcome()) << k.name;
        EXPECT_EQ(c.connected, std::vector<int>{TunnelProxyErrorRefused}) << k.name;
        ASSERT_EQ(c.tunnelErrors.size(), 1u) << k.name;
        EXPECT_EQ(proxy.requests().size(), k.requests) << k.name;
    }
}

TEST(TunnelProxySocketTest, SettingsAndConnectErrors)
{
    ScriptedProxy proxy({{kEstablished, {}, false, true}});
    TunnelClient c(proxy.port());
    c.socket.SetTunnelProxyPort("   ");
    EXPECT_EQ(c.socket.TunnelProxyPort(), std::to_string(proxy.port()));
    EXPECT_EQ(c.socket.TunnelProxyServer(), "127.0.0.1");
    c.socket.Connect();
    ASSERT_TRUE(c.Outcome());
    try {
        c.socket.SetTunnelProxyServer("other");
        ADD_FAILURE() << "server changed while connected";
    } catch (const ESocketException& e) {
        EXPECT_STREQ(e.what(), "Can't change socks server if not closed");
    }
    EXPECT_THROW(c.socket.SetTunnelProxyPort("1"), ESocketException);
    c.socket.Close();
    EXPECT_EQ(c.closed, std::vector<int>{0});

    // A proxy name that does not resolve is the connect's own error.
    TunnelClient unresolved(1);
    unresolved.socket.SetTunnelProxyServer("no-such-host.invalid");
    try {
        unresolved.socket.Connect();
        ADD_FAILURE() << "connected to an unknown proxy";
    } catch (const ESocketException& e) {
        EXPECT_EQ(std::string(e.what()).rfind("connect: ", 0), 0u) << e.what();
    }

    // Nobody listening: the failed connection reaches the owner, not the tunnel's error.
    TunnelClient refused(e3test::FreeLoopbackPort());
    refused.socket.Connect();
    ASSERT_TRUE(refused.Outcome());
    EXPECT_EQ(refused.connected, std::vector<int>{WSAECONNREFUSED});
    EXPECT_TRUE(refused.tunnelErrors.empty());
}

TEST(TunnelProxySocketTest, MaskCredentials)
{
    EXPECT_EQ(MaskCredentials("GET / HTTP/1.0\r\nProxy-Authorization: Basic dTpw\r\nauthorization:NTLM abc\r\nHost: x\r\n"),
              "GET / HTTP/1.0\r\nProxy-Authorization: Basic *****\r\nauthorization:NTLM *****\r\nHost: x\r\n");
}

} // namespace
