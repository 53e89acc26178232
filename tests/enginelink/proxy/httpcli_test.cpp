#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

#include "ScriptedProxy.h"
#include "enginelink/proxy/HttpCli.h"
#include "u3/Base64.h"
#include "support/LoopbackHttpServer.h"
#include "support/LoopbackSocket.h"

using namespace e3net;

namespace {

bool Pump(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        WSocketProcessMessages(20);
    return done();
}

struct Recorder {
    THttpCli client;
    int done = 0;
    int error = -1;
    std::vector<std::string> commands;
    int headerEnds = 0;

    Recorder()
    {
        client.OnRequestDone = [this](THttpCli&, THttpRequest, int e) {
            ++done;
            error = e;
        };
        client.OnCommand = [this](THttpCli&, const std::string& line) { commands.push_back(line); };
        client.OnHeaderEnd = [this](THttpCli&) { ++headerEnds; };
    }
    bool Post(const std::string& url, const std::string& body)
    {
        const int before = done;
        client.URL = url;
        client.SendStream = body;
        client.PostASync();
        return Pump([&] { return done > before; });
    }
    bool Get(const std::string& url)
    {
        const int before = done;
        client.URL = url;
        client.GetASync();
        return Pump([&] { return done > before; });
    }
};

TEST(HttpCliTest, PostsBinaryBodiesAndKeepsTheConnection)
{
    e3test::LoopbackHttpServer server;
    std::string reply(300000, '\0');
    for (size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<char>(i * 7 + 3);
    server.setDefaultReply({200, "application/octet-stream", reply, false});
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/efip";

    Recorder r;
    r.client.KeepAlive = true;
    std::string body(250000, '\0');
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 13);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(r.Post(url, body)) << i;
        EXPECT_EQ(r.error, 0) << i;
        EXPECT_EQ(r.client.StatusCode, 200);
        EXPECT_EQ(r.client.RcvdStream, reply);
        EXPECT_TRUE(r.client.Connected());
    }
    EXPECT_EQ(server.connectionCount(), 1u);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].substr(requests[2].find("\r\n\r\n") + 4), body);
    EXPECT_EQ(r.headerEnds, 3);
    // Each head is reported line by line, ended by an empty line.
    ASSERT_GE(r.commands.size(), 3u);
    EXPECT_EQ(r.commands[0], "POST /efip HTTP/1.0");
    EXPECT_NE(std::find(r.commands.begin(), r.commands.end(), "Content-Length: 250000"), r.commands.end());
    EXPECT_NE(std::find(r.commands.begin(), r.commands.end(), "Connection: Keep-Alive"), r.commands.end());
    EXPECT_EQ(std::count(r.commands.begin(), r.commands.end(), ""), 3);

    // Without keep-alive every request has its own connection.
    Recorder once;
    ASSERT_TRUE(once.Post(url, "x"));
    ASSERT_TRUE(once.Post(url, "y"));
    EXPECT_EQ(once.error, 0);
    EXPECT_EQ(server.connectionCount(), 3u);
}

TEST(HttpCliTest, ReplyForms)
{
    const struct {
        const char* name;
        std::vector<std::string> parts;
        int status;
        std::string body;
    } cases[] = {
        {"chunked", {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", "6;x=1\r\n world\r\n0\r\n\r\n"},
         200, "hello world"},
        {"interim reply first", {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}, 200, "ok"},
        {"head in pieces", {"HTTP/1.0 500 Internal", " Server Error\r\nContent-Length: 4\r\n\r\nfa", "il"}, 500, "fail"},
        {"body until close", {"HTTP/1.0 200 OK\r\n\r\nall of it"}, 200, "all of it"},
    };
    for (const auto& k : cases) {
        e3test::ScriptedProxy server({{"", k.parts, true, false}});
        Recorder r;
        ASSERT_TRUE(r.Get("http://127.0.0.1:" + std::to_string(server.port()) + "/")) << k.name;
        EXPECT_EQ(r.error, 0) << k.name;
        EXPECT_EQ(r.client.StatusCode, k.status) << k.name;
        EXPECT_EQ(r.client.RcvdStream, k.body) << k.name;
        EXPECT_EQ(r.done, 1) << k.name;
    }

    // A reply cut short is a failed request, not a short success.
    e3test::ScriptedProxy cut({{"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nshort", {}, true, false}});
    Recorder r;
    ASSERT_TRUE(r.Get("http://127.0.0.1:" + std::to_string(cut.port()) + "/"));
    EXPECT_NE(r.error, 0);
}

TEST(HttpCliTest, FailuresComeAfterTheCallReturns)
{
    Recorder refused;
    std::vector<int> sessionErrors;
    refused.client.OnSessionConnected = [&](THttpCli&, int error) { sessionErrors.push_back(error); };
    refused.client.URL = "http://127.0.0.1:" + std::to_string(e3test::FreeLoopbackPort()) + "/";
    refused.client.GetASync();
    EXPECT_EQ(refused.done, 0);
    ASSERT_TRUE(Pump([&] { return refused.done > 0; }));
    EXPECT_EQ(refused.error, WSAECONNREFUSED);
    EXPECT_EQ(sessionErrors, std::vector<int>{WSAECONNREFUSED});

    Recorder unknown;
    sessionErrors.clear();
    unknown.client.OnSessionConnected = [&](THttpCli&, int error) { sessionErrors.push_back(error); };
    unknown.client.URL = "http://no-such-host.invalid/";
    unknown.client.GetASync();
    EXPECT_EQ(unknown.done, 0);
    ASSERT_TRUE(Pump([&] { return unknown.done > 0; }));
    EXPECT_EQ(unknown.error, WSAHOST_NOT_FOUND);
    EXPECT_EQ(sessionErrors, std::vector<int>{WSAHOST_NOT_FOUND});
    EXPECT_EQ(unknown.done, 1);
}

TEST(HttpCliTest, AbortCompletesTheRequest)
{
    // The server reads the request and never answers.
    e3test::ScriptedProxy silent({{"", {""}, false, false}});
    Recorder r;
    r.client.URL = "http://127.0.0.1:" + std::to_string(silent.port()) + "/";
    r.client.GetASync();
    ASSERT_TRUE(Pump([&] { return silent.requests().size() == 1; }));
    EXPECT_THROW(r.client.GetASync(), u3::Exception);
    r.client.Abort();
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(r.error, httperrAborted);
    EXPECT_EQ(r.client.CtrlSocket().State(), wsClosed);
    // Nothing more arrives for the aborted request.
    for (int i = 0; i < 5; ++i)
        WSocketProcessMessages(20);
    EXPECT_EQ(r.done, 1);
}

} // namespace

namespace {

TEST(HttpCliTest, PlainProxyGetsAbsoluteURLsAndCredentialsStayOutOfTheLog)
{
    e3test::LoopbackHttpServer proxy;
    proxy.setDefaultReply({200, "text/plain", "via proxy", false});
    Recorder r;
    r.client.Proxy = "127.0.0.1";
    r.client.ProxyPort = std::to_string(proxy.port());
    r.client.ProxyUsername = "alice";
    r.client.ProxyPassword = "s3cret";
    ASSERT_TRUE(r.Get("http://target.example:8080/x"));
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.client.RcvdStream, "via proxy");
    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET http://target.example:8080/x HTTP/1.0\r\n", 0), 0u);
    EXPECT_NE(requests[0].find("\r\nHost: target.example:8080\r\n"), std::string::npos);
    EXPECT_NE(requests[0].find("Proxy-Authorization: Basic " + u3::StringToBase64("alice:s3cret")), std::string::npos);
    EXPECT_NE(std::find(r.commands.begin(), r.commands.end(), "Proxy-Authorization: Basic *****"), r.commands.end());
    for (const auto& line : r.commands)
        EXPECT_EQ(line.find(u3::StringToBase64("alice:s3cret")), std::string::npos);
}

} // namespace

namespace {

TEST(HttpCliTest, ResetConnectionFailsWithItsError)
{
    // A server that reads the request and resets the connection.
    e3test::LoopbackSocket listener(true);
    std::thread server([fd = listener.Fd()] {
        const int conn = ::accept(fd, nullptr, nullptr);
        if (conn < 0)
            return;
        std::string in;
        char buffer[1024];
        while (in.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(conn, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            in.append(buffer, static_cast<size_t>(n));
        }
        (void)!::send(conn, "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npartial", 47, MSG_NOSIGNAL);
        const linger reset{1, 0};
        ::setsockopt(conn, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(conn);
    });
    Recorder r;
    const bool done = r.Get("http://127.0.0.1:" + std::to_string(listener.Port()) + "/");
    server.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(r.error, WSAECONNRESET);
    EXPECT_EQ(r.done, 1);
    EXPECT_EQ(r.client.CtrlSocket().State(), wsClosed);
}

} // namespace
