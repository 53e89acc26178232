// The tunnel through the proxies users meet; the target behind the tunnel is
// a plain HTTP server on loopback, so the whole path can be checked.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "enginelink/proxy/HttpCli.h"
#include "support/LoopbackHttpServer.h"
#include "support/ProxyPeers.h"
#include "support/TempDir.h"

using namespace e3net;

namespace {

bool Pump(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        WSocketProcessMessages(20);
    return done();
}

struct Result {
    bool done = false;
    int error = -1;
    int status = 0;
    std::string body;
    std::vector<std::pair<int, std::string>> tunnelErrors;
    int authStep = -1;
};

// One GET to the target through the proxy's tunnel.
Result FetchThrough(int proxyPort, int targetPort, const std::string& user, const std::string& password)
{
    THttpCli client;
    Result r;
    TWSocket& socket = client.CtrlSocket();
    socket.SetTunnelProxyServer("127.0.0.1");
    socket.SetTunnelProxyPort(std::to_string(proxyPort));
    socket.TunnelProxyUsercode = user;
    socket.TunnelProxyPassword = password;
    socket.OnTunnelProxyError = [&r](TTunnelProxySocket&, int error, const std::string& msg) {
        r.tunnelErrors.emplace_back(error, msg);
    };
    client.OnRequestDone = [&r](THttpCli& c, THttpRequest, int error) {
        r.done = true;
        r.error = error;
        r.status = c.StatusCode;
        r.body = c.RcvdStream;
    };
    client.URL = "http://127.0.0.1:" + std::to_string(targetPort) + "/tunnelled";
    client.GetASync();
    Pump([&r] { return r.done; });
    r.authStep = socket.TunnelAuthStep();
    return r;
}

class ProxyPeersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        target_.setDefaultReply({200, "text/plain", "behind the proxy", false});
    }
    e3test::LoopbackHttpServer target_;
    e3test::TempDir dir_;
};

TEST_F(ProxyPeersTest, SquidWithBasic)
{
    if (!e3test::SquidPeer::Installed(false))
        GTEST_SKIP() << "squid is not installed";
    e3test::SquidPeer squid(dir_.str(), {true, false, "alice", "s3cret"});
    ASSERT_TRUE(squid.ready()) << squid.log();

    const Result ok = FetchThrough(squid.port(), target_.port(), "alice", "s3cret");
    EXPECT_EQ(ok.error, 0) << squid.log();
    EXPECT_EQ(ok.body, "behind the proxy");
    EXPECT_EQ(ok.authStep, 1);
    ASSERT_EQ(target_.requests().size(), 1u);
    // The target sees our request, not the proxy's credentials.
    EXPECT_EQ(target_.requests()[0].find("Proxy-Authorization"), std::string::npos);
    EXPECT_EQ(target_.requests()[0].rfind("GET /tunnelled HTTP/1.0\r\n", 0), 0u);

    const Result refused = FetchThrough(squid.port(), target_.port(), "alice", "wrong");
    EXPECT_TRUE(refused.done);
    EXPECT_NE(refused.error, 0);
    ASSERT_EQ(refused.tunnelErrors.size(), 1u);
    EXPECT_EQ(refused.tunnelErrors[0].first, TunnelProxyErrorRefused);
    EXPECT_NE(refused.tunnelErrors[0].second.find("407"), std::string::npos);
    EXPECT_EQ(target_.requests().size(), 1u);
}

TEST_F(ProxyPeersTest, SquidWithNTLM)
{
    if (!e3test::SquidPeer::Installed(true))
        GTEST_SKIP() << "squid's NTLM helper is not installed";
    e3test::SquidPeer squid(dir_.str(), {false, true, "", ""});
    ASSERT_TRUE(squid.ready()) << squid.log();
    const Result r = FetchThrough(squid.port(), target_.port(), "CORP\\jdoe", "Secret1");
    EXPECT_EQ(r.error, 0) << squid.log();
    EXPECT_EQ(r.body, "behind the proxy");
    // Negotiate on a new connection, authenticate on the one that brought the challenge.
    EXPECT_EQ(r.authStep, 3);
    EXPECT_TRUE(r.tunnelErrors.empty());
}

TEST_F(ProxyPeersTest, SquidOfferingBothTakesBasicFirst)
{
    if (!e3test::SquidPeer::Installed(true))
        GTEST_SKIP() << "squid's NTLM helper is not installed";
    e3test::SquidPeer squid(dir_.str(), {true, true, "alice", "s3cret"});
    ASSERT_TRUE(squid.ready()) << squid.log();
    const Result r = FetchThrough(squid.port(), target_.port(), "alice", "s3cret");
    EXPECT_EQ(r.error, 0) << squid.log();
    EXPECT_EQ(r.authStep, 1);
    EXPECT_EQ(r.body, "behind the proxy");
}

TEST_F(ProxyPeersTest, TinyproxyWithBasic)
{
    if (!e3test::TinyproxyPeer::Installed())
        GTEST_SKIP() << "tinyproxy is not installed";
    e3test::TinyproxyPeer tinyproxy(dir_.str(), "bob", "pa55word");
    ASSERT_TRUE(tinyproxy.ready()) << tinyproxy.log();

    const Result ok = FetchThrough(tinyproxy.port(), target_.port(), "bob", "pa55word");
    EXPECT_EQ(ok.error, 0) << tinyproxy.log();
    EXPECT_EQ(ok.body, "behind the proxy");
    EXPECT_EQ(ok.authStep, 1);

    const Result refused = FetchThrough(tinyproxy.port(), target_.port(), "bob", "nope");
    EXPECT_NE(refused.error, 0);
    ASSERT_EQ(refused.tunnelErrors.size(), 1u);
    EXPECT_EQ(refused.tunnelErrors[0].first, TunnelProxyErrorRefused);
}

} // namespace
