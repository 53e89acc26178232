#include "enginelink/SOAPClient.h"

#include "support/KeepAliveProbe.h"
#include "support/LogCapture.h"
#include "support/ChildProcess.h"
#include "support/LoopbackHttpServer.h"
#include "support/RecordingUserMessages.h"
#include "support/RunAsUnprivileged.h"
#include "support/TempDir.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/ProgramEnd.h"
#include "u3/StrLib.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using e3test::LoopbackHttpServer;
using enginelink::Te3SOAPClient;

namespace {

struct ProgramExit {
    int code;
};

const std::string kEnvelopeNamespaces =
    "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";

std::string ResponseEnvelope(const std::string& operation, const std::string& userID, const std::string& requestID,
                             const std::string& value)
{
    std::string ids;
    if (!userID.empty())
        ids += "<ServerUserID xsi:type=\"xsd:string\">" + userID + "</ServerUserID>";
    if (!requestID.empty())
        ids += "<RequestID xsi:type=\"xsd:string\">" + requestID + "</RequestID>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SOAP-ENV:Envelope " + kEnvelopeNamespaces +
           "><SOAP-ENV:Body><NS1:" + operation + "Response xmlns:NS1=\"urn:SOAPServer_Intf-IIZerk3Service\">" + ids +
           "<return xsi:type=\"xsd:string\">" + value + "</return></NS1:" + operation +
           "Response></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string FaultEnvelope(const std::string& text)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SOAP-ENV:Envelope " + kEnvelopeNamespaces +
           "><SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>" + text +
           "</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

LoopbackHttpServer::Reply Answer(const std::string& body, int status = 200)
{
    LoopbackHttpServer::Reply reply;
    reply.status = status;
    reply.body = body;
    return reply;
}

LoopbackHttpServer::Reply Dropped()
{
    LoopbackHttpServer::Reply reply;
    reply.closeWithoutReply = true;
    return reply;
}

// The text of the first element named name in a request body.
std::string ElementText(const std::string& request, const std::string& name)
{
    const auto open = request.find("<" + name);
    if (open == std::string::npos)
        return "<missing>";
    const auto begin = request.find('>', open) + 1;
    if (request[begin - 2] == '/')
        return {};
    return request.substr(begin, request.find("</" + name + ">", begin) - begin);
}

std::string BodyOf(const std::string& request)
{
    return request.substr(request.find("\r\n\r\n") + 4);
}

std::string HeadOf(const std::string& request)
{
    return request.substr(0, request.find("\r\n\r\n") + 4);
}

class SOAPClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        u3::SetExeNameOverride((dir.path() / "e3client").string());
        u3::SetProgramExitForTests([](int code) { throw ProgramExit{code}; });
    }
    void TearDown() override
    {
        u3::SetProgramExitForTests(nullptr);
        u3::SetExeNameOverride("");
    }
    void WriteIni(const std::string& text) { dir.write("e3client.ini", text); }
    std::unique_ptr<Te3SOAPClient> ClientFor(int port, bool quiet = false)
    {
        return std::make_unique<Te3SOAPClient>("127.0.0.1", std::to_string(port), quiet);
    }
    // Runs a call that must end the program; the exit code it ended with.
    template <typename F>
    int ExitCodeOf(F&& call)
    {
        try {
            call();
        } catch (const ProgramExit& exit) {
            return exit.code;
        }
        ADD_FAILURE() << "the program did not end";
        return -1;
    }

    e3test::TempDir dir;
    e3test::RecordingUserMessages messages;
};

TEST_F(SOAPClientTest, RequestGoesOutByteForByteAndReusesTheConnection)
{
    LoopbackHttpServer server;
    server.setDefaultReply(Answer(ResponseEnvelope("ExecuteEvent", "", "", "done")));
    auto client = ClientFor(server.port());

    EXPECT_EQ(client->ExecuteEvent("", "FormMain", "TForm", "btnOk.OnClick", "a<b & \"c\"\r\nd"), "done");
    EXPECT_EQ(client->OnMessage("ClientError", "oops"), "done");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    enginelink::Te3SOAPParser expected;
    expected.SetURN(enginelink::kGUIEngineURN);
    expected.SetOperation("ExecuteEvent");
    expected.SetParam("SenderClass", "");
    expected.SetParam("SenderName", "FormMain");
    expected.SetParam("SenderType", "TForm");
    expected.SetParam("EventName", "btnOk.OnClick");
    expected.SetParam("EventValues", "a<b & \"c\"\r\nd");
    std::string envelope;
    expected.WriteEnvelope(envelope);

    EXPECT_EQ(requests[0], "POST /soap/IIZerk3Service HTTP/1.0\r\n"
                           "Connection: Keep-Alive\r\n"
                           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                           "Accept-Language: en\r\n"
                           "Content-Type: application/x-www-form-urlencoded\r\n"
                           "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Win32)\r\n"
                           "Host: 127.0.0.1\r\n"
                           "Content-Length: " + std::to_string(envelope.size()) + "\r\n"
                           "Proxy-Connection: Keep-Alive\r\n"
                           "\r\n" + envelope);
    EXPECT_NE(BodyOf(requests[1]).find("<m:OnMessage"), std::string::npos);
    EXPECT_EQ(ElementText(requests[1], "ParamString"), "oops");
    EXPECT_EQ(server.connectionCount(), 1u);
}

// A file's text goes out from where it is, not copied into the request; the
// bytes are those of the whole envelope all the same, on a try after a failed
// one and on a new connection after the server closed the old one.
TEST_F(SOAPClientTest, LongFileTextsGoOutByteForByte)
{
    std::string base64;
    for (int i = 0; base64.size() < 300000; ++i)
        base64 += "QUJDRGVmZ2hp" + std::to_string(i % 10);
    std::string escaped = base64;
    escaped[1000] = '&';
    escaped[200000] = '<';
    std::string accented = base64;
    accented.replace(5000, 2, "\xC3\xA9");
    // The plain text last: what the parser keeps of it after the call is checked.
    const std::string expectedOf[] = {escaped, accented, base64};

    LoopbackHttpServer server;
    LoopbackHttpServer::Reply closing = Answer(ResponseEnvelope("SetFile", "", "", "OK"));
    closing.closeAfterReply = true;
    server.queueReply(Answer("", 503));
    server.queueReply(closing);
    server.setDefaultReply(Answer(ResponseEnvelope("SetFile", "", "", "OK")));
    auto client = ClientFor(server.port());
    client->SetRetries(2);
    for (const std::string& text : expectedOf)
        EXPECT_TRUE(client->SetFile(text, "File", "/srv/x") == "OK");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], requests[1]);
    for (int i = 0; i < 3; ++i) {
        enginelink::Te3SOAPParser expected;
        expected.SetURN(enginelink::kGUIEngineURN);
        expected.SetOperation("SetFile");
        expected.SetParam("FileName", expectedOf[i]);
        expected.SetParam("FileType", "File");
        expected.SetParam("Path", "/srv/x");
        std::string envelope;
        expected.WriteEnvelope(envelope);
        EXPECT_TRUE(BodyOf(requests[std::size_t(i) + 1]) == envelope) << i;
        EXPECT_NE(HeadOf(requests[std::size_t(i) + 1]).find("Content-Length: " + std::to_string(envelope.size())),
                  std::string::npos);
    }
    EXPECT_EQ(server.connectionCount(), 2u);
    // The call is over: the parser holds none of the caller's texts any more.
    EXPECT_TRUE(client->Parser().GetParam("FileName").empty());
}

TEST_F(SOAPClientTest, ProxyGetsTheAbsoluteUrlAndBasicCredentials)
{
    LoopbackHttpServer proxy;
    proxy.setDefaultReply(Answer(ResponseEnvelope("Connect", "", "", "")));
    WriteIni("[HTTP]\nProxy=127.0.0.1\nProxyPort=" + std::to_string(proxy.port()) +
             "\nProxyUser=alice\nProxyPass=s3cret\n");
    Te3SOAPClient client("engine.example", "21000", false);

    ASSERT_TRUE(client.Connect());

    const auto requests = proxy.requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string body = BodyOf(requests[0]);
    EXPECT_EQ(HeadOf(requests[0]), "POST http://engine.example:21000/soap/IIZerk3Service HTTP/1.0\r\n"
                                   "Connection: Keep-Alive\r\n"
                                   "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                                   "Accept-Language: en\r\n"
                                   "Content-Type: application/x-www-form-urlencoded\r\n"
                                   "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Win32)\r\n"
                                   "Host: engine.example\r\n"
                                   "Content-Length: " + std::to_string(body.size()) + "\r\n"
                                   "Proxy-Authorization: Basic YWxpY2U6czNjcmV0\r\n"
                                   "Proxy-Connection: Keep-Alive\r\n"
                                   "\r\n");
    EXPECT_NE(body.find("<m:Connect"), std::string::npos);
}

TEST_F(SOAPClientTest, SettingsComeFromTheIniBesideTheProgram)
{
    struct Case {
        std::string ini;
        std::string host;
        std::string port;
    };
    const Case cases[] = {
        {"", "localhost", "61000"},
        {"[SOAP]\nORBBINDADDR=inet:10.0.0.5:21000\n", "10.0.0.5", "21000"},
        {"[soap]\norbbindaddr = inet:engine:0021000\n", "engine", "21000"},
        {"[SOAP]\nORBBINDADDR=inet:engine:port\n", "engine", "61000"},
        {"[SOAP]\nORBBINDADDR=engine:21001\n", "localhost", "21001"},
        {"[SOAP]\nORBBINDADDR=inet::21002\n", "localhost", "21002"},
        {"[SOAP]\nORBBINDADDR=inet:engine\n", "engine", "61000"},
        {"[SOAP]\nORBBINDADDR=engine\n", "localhost", "61000"},
    };
    for (const Case& c : cases) {
        WriteIni(c.ini);
        Te3SOAPClient client("", "", false);
        EXPECT_EQ(client.Host(), c.host) << c.ini;
        EXPECT_EQ(client.Port(), c.port) << c.ini;
    }
    WriteIni("[SOAP]\nORBBINDADDR=inet:engine:21000\n");
    Te3SOAPClient given("10.1.1.1", "", false);
    EXPECT_EQ(given.Host(), "10.1.1.1");
    EXPECT_EQ(given.Port(), "21000");
}

TEST_F(SOAPClientTest, ServerUserIdIsLearnedOnceAndRequestIdEchoed)
{
    LoopbackHttpServer server;
    server.queueReply(Answer(ResponseEnvelope("Connect", "U1", "R1", "")));
    server.queueReply(Answer(ResponseEnvelope("ExecuteEvent", "U2", "R2", "x")));
    server.queueReply(Answer(ResponseEnvelope("ExecuteEvent", "", "", "y")));
    server.queueReply(Answer(ResponseEnvelope("GetFile", "", "", "z")));
    auto client = ClientFor(server.port());

    ASSERT_TRUE(client->Connect());
    EXPECT_EQ(client->ServerUserID(), "U1");
    EXPECT_EQ(client->ExecuteEvent("", "Client", "TClient", "Ev", ""), "x");
    EXPECT_EQ(client->ExecuteEvent("", "Client", "TClient", "Ev", ""), "y");
    EXPECT_EQ(client->GetFile("", "File", "/srv/a.txt"), "z");
    EXPECT_EQ(client->ServerUserID(), "U1");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    const std::pair<const char*, const char*> sent[] = {{"", ""}, {"U1", "R1"}, {"U1", "R2"}, {"U1", ""}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ElementText(requests[i], "ServerUserID"), sent[i].first) << i;
        EXPECT_EQ(ElementText(requests[i], "RequestID"), sent[i].second) << i;
    }
}

TEST_F(SOAPClientTest, NoServerMeansTriesASecondApartThenTheEnd)
{
    const int port = LoopbackHttpServer::UnusedPort();
    auto client = ClientFor(port);
    client->SetRetries(3);

    e3test::LogCapture log(dir.path());
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ExitCodeOf([&] { client->ExecuteEvent("", "Client", "TClient", "Ev", ""); }), 1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    // The cause is kept where the user's message box is not.
    const std::vector<std::string> entries = log.Entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.front().rfind("L1 The engine call ExecuteEvent to http://127.0.0.1:" + std::to_string(port), 0), 0u)
        << entries.front();
    EXPECT_GE(elapsed, 1900ms);
    EXPECT_LT(elapsed, 15s);
    EXPECT_EQ(messages.plain, std::vector<std::string>{u3::ServerNotFoundText()});
    EXPECT_TRUE(client->Disconnected());

    // Lost is final: later calls end silently, without touching the network.
    messages.plain.clear();
    EXPECT_THROW(client->OnMessage("ClientError", "x"), u3::EAbort);
    EXPECT_THROW(client->GetFile("a", "Form", ""), u3::EAbort);
    std::string third;
    std::shared_ptr<client::IGUIEngine> engine;
    EXPECT_EQ(client->GetGUIEngine("a", "b", third, engine), "");
    EXPECT_TRUE(messages.plain.empty());

    // During Connect the same only says no.
    auto connecting = ClientFor(port);
    connecting->SetRetries(3);
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connecting->Connect());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1900ms);
    EXPECT_TRUE(messages.plain.empty());
}

TEST_F(SOAPClientTest, TheLinkProbesADeadPeerWithinAboutTwoMinutes)
{
    LoopbackHttpServer server;
    server.setDefaultReply(Answer(ResponseEnvelope("GetFile", "", "", "QUJD")));
    auto client = ClientFor(server.port());
    ASSERT_EQ(client->GetFile("", "File", "/srv/x"), "QUJD");
    // The kept-alive connection is still open after the call.
    const auto options = e3test::KeepAliveOfConnectionTo(server.port());
    ASSERT_TRUE(options.has_value());
    EXPECT_NE(options->on, 0);
    EXPECT_GT(options->idle, 0);
    EXPECT_GT(options->interval, 0);
    EXPECT_GT(options->probes, 0);
    EXPECT_LE(options->idle + options->interval * options->probes, 150);
}

TEST_F(SOAPClientTest, BytesThatAreNotUtf8NeitherReachTheClientNorGoBackOut)
{
    const std::string bad = "\xEF\xBF\xBD"; // U+FFFD
    struct Case {
        const char* name;
        std::string sent;
        std::string delivered;
    };
    const Case cases[] = {
        {"a UTF-16 byte-order mark", "a\xFF\xFE" "b", "a" + bad + bad + "b"},
        {"an overlong slash", "\xC0\xAF", bad + bad},
        {"a surrogate", "\xED\xA0\x80", bad + bad + bad},
        {"a sequence cut off at the end", "x\xE2\x82", "x" + bad},
        {"Windows-1252 text", "Stra\xDF" "e \x80", "Stra" + bad + "e " + bad},
        {"controls sent on purpose", "\x01\x08\x1B", "\x01\x08\x1B"},
        {"UTF-8", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server;
        server.setDefaultReply(Answer(ResponseEnvelope("ExecuteEvent", "", "", c.sent)));
        auto client = ClientFor(server.port());
        const std::string got = client->ExecuteEvent("", "Client", "TClient", "Ev", "");
        EXPECT_EQ(got, c.delivered) << c.name;
        // Text that came from elsewhere (a file, say) is mended on the way out too.
        client->ExecuteEvent("", "Client", "TClient", "Ev", c.sent);
        const std::string body = BodyOf(server.requests().back());
        EXPECT_TRUE(u3::IsValidUtf8(body)) << c.name;
        EXPECT_EQ(ElementText(body, "EventValues"), c.delivered) << c.name;
    }
}

TEST_F(SOAPClientTest, ErrorRepliesAreTriedAgainASecondLater)
{
    const LoopbackHttpServer::Reply failures[] = {
        Dropped(),
        Answer("<html>busy</html>", 503),
        Answer("<html>internal error</html>", 500),
        Answer(ResponseEnvelope("ExecuteEvent", "", "", "not a fault"), 500),
    };
    for (const auto& failure : failures) {
        LoopbackHttpServer server;
        server.setDefaultReply(failure);
        auto client = ClientFor(server.port());
        client->SetRetries(2);
        EXPECT_EQ(ExitCodeOf([&] { client->ExecuteEvent("", "Client", "TClient", "Ev", ""); }), 1);
        const auto times = server.requestTimes();
        ASSERT_EQ(times.size(), 2u) << failure.status;
        EXPECT_GE(times[1] - times[0], 950ms);
        EXPECT_EQ(messages.plain, std::vector<std::string>{u3::ServerNotFoundText()});
        messages.plain.clear();
    }

    // A try that fails is forgotten when the next one works.
    LoopbackHttpServer server;
    server.queueReply(Answer("", 503));
    server.setDefaultReply(Answer(ResponseEnvelope("GetFile", "", "", "QUJD")));
    auto client = ClientFor(server.port());
    client->SetRetries(2);
    EXPECT_EQ(client->GetFile("", "File", "/srv/x"), "QUJD");
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_FALSE(client->Disconnected());
}

TEST_F(SOAPClientTest, FaultShowsItsTextOnceWithoutAnotherTry)
{
    for (int status : {200, 500}) {
        LoopbackHttpServer server;
        server.setDefaultReply(Answer(FaultEnvelope("Form &quot;X&quot; unknown"), status));
        auto client = ClientFor(server.port());
        client->SetRetries(3);
        e3test::TempDir logFolder;
        e3test::LogCapture log(logFolder.path());
        EXPECT_EQ(ExitCodeOf([&] { client->SetFile("QUJD", "File", "/srv/x"); }), 1);
        EXPECT_EQ(server.requests().size(), 1u) << status;
        const std::vector<std::string> entries = log.Entries();
        ASSERT_FALSE(entries.empty());
        EXPECT_NE(entries.front().find("failed: fault Form \"X\" unknown"), std::string::npos) << entries.front();
        EXPECT_EQ(messages.plain, std::vector<std::string>{"Form \"X\" unknown"}) << status;
        EXPECT_TRUE(client->Disconnected());
        messages.plain.clear();
    }

    // In Connect a refused link says no; a fault with a good status is not looked at.
    const std::pair<int, bool> connects[] = {{500, false}, {200, true}};
    for (const auto& [status, result] : connects) {
        LoopbackHttpServer server;
        server.setDefaultReply(Answer(FaultEnvelope("no licence"), status));
        auto client = ClientFor(server.port());
        client->SetRetries(3);
        EXPECT_EQ(client->Connect(), result) << status;
        EXPECT_EQ(server.requests().size(), 1u) << status;
    }
    EXPECT_TRUE(messages.plain.empty());
}

TEST_F(SOAPClientTest, QuietClientsEndWithoutAMessage)
{
    LoopbackHttpServer server;
    server.setDefaultReply(Dropped());
    auto client = ClientFor(server.port());
    client->SetRetries(1);
    EXPECT_EQ(ExitCodeOf([&] { client->ExecuteEvent("", "Client", "TClient", "client.ONCLIENTDONE", ""); }), 1);
    EXPECT_TRUE(client->Quiet());
    EXPECT_EQ(server.requests().size(), 1u);

    auto quiet = ClientFor(server.port(), true);
    quiet->SetRetries(1);
    EXPECT_EQ(ExitCodeOf([&] { quiet->OnMessage("ClientError", "x"); }), 1);
    EXPECT_TRUE(messages.plain.empty());
}

TEST_F(SOAPClientTest, EngineObjectCallsSendNothing)
{
    LoopbackHttpServer server;
    auto client = ClientFor(server.port());
    std::string third = "kept";
    std::shared_ptr<client::IGUIEngine> engine;
    EXPECT_EQ(client->GetGUIEngine("a", "b", third, engine), "");
    EXPECT_EQ(client->SetGUIEngine("a", "b", "c", nullptr), "");
    EXPECT_EQ(third, "kept");
    EXPECT_EQ(engine, nullptr);
    EXPECT_EQ(server.connectionCount(), 0u);
}

TEST_F(SOAPClientTest, NoTriesPostsNothing)
{
    LoopbackHttpServer server;
    server.setDefaultReply(Answer(ResponseEnvelope("Connect", "U1", "", "")));
    for (int retries : {0, -1}) {
        auto connecting = ClientFor(server.port());
        connecting->SetRetries(retries);
        EXPECT_FALSE(connecting->Connect());
        auto calling = ClientFor(server.port());
        calling->SetRetries(retries);
        EXPECT_EQ(ExitCodeOf([&] { calling->OnMessage("ClientError", "x"); }), 1);
    }
    EXPECT_EQ(server.connectionCount(), 0u);
    EXPECT_EQ(messages.plain.size(), 2u);
}

TEST_F(SOAPClientTest, EmptyOrUnreadableRepliesOfAGoodStatus)
{
    // An empty reply is a lost server at once.
    LoopbackHttpServer server;
    server.queueReply(Answer(""));
    auto client = ClientFor(server.port());
    client->SetRetries(3);
    EXPECT_EQ(ExitCodeOf([&] { client->GetFile("", "File", "/srv/x"); }), 1);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(client->Disconnected());

    // A reply that is no envelope reaches the caller and the link stays.
    LoopbackHttpServer other;
    other.queueReply(Answer("<html><body>proxy error</body></html>"));
    other.queueReply(Answer(ResponseEnvelope("GetFile", "", "", "ok")));
    auto second = ClientFor(other.port());
    EXPECT_THROW(second->GetFile("", "File", "/srv/x"), u3::Exception);
    EXPECT_FALSE(second->Disconnected());
    EXPECT_EQ(second->GetFile("", "File", "/srv/x"), "ok");
}

TEST_F(SOAPClientTest, MultipartReplyIsSplitWithItsBoundary)
{
    const std::string envelope = ResponseEnvelope("GetFile", "", "", "see attachment");
    const std::string binary("\x00\x01\r\n--Not\xff", 11);
    for (const std::string& type : {std::string("Multipart/Related; type=\"text/xml\"; boundary=\"Part_Xy\""),
                                    std::string("multipart/related; boundary=Part_Xy")}) {
        LoopbackHttpServer server;
        LoopbackHttpServer::Reply reply;
        reply.contentType = type;
        reply.body = "--Part_Xy\r\nContent-Type: text/xml\r\n\r\n" + envelope +
                     "\r\n--Part_Xy\r\nContent-Type: application/binary\r\nContent-ID: <files/abc>\r\n\r\n" + binary +
                     "\r\n--Part_Xy--\r\n";
        server.setDefaultReply(reply);
        auto client = ClientFor(server.port());
        client->Parser().SetAttachmentDir((dir.path() / "in").string());
        EXPECT_EQ(client->GetFile("", "File", "/srv/abc"), "see attachment") << type;
        EXPECT_EQ(e3test::ReadWholeFile((dir.path() / "in" / "abc").string()), binary) << type;
    }
}

// squid as the proxy, with Basic authentication against a password file.
class SquidProxy {
public:
    SquidProxy(const std::string& folder, const std::string& user, const std::string& password)
    {
        port_ = LoopbackHttpServer::UnusedPort();
        const std::string hash = e3test::RunProgram({"openssl", "passwd", "-apr1", password}).second;
        std::ofstream(folder + "/passwd") << user << ":" << hash;
        std::ofstream conf(folder + "/squid.conf");
        conf << "http_port 127.0.0.1:" << port_ << "\n"
             << "pid_filename none\ncache deny all\naccess_log none\ncache_store_log none\n"
             << "cache_log " << folder << "/cache.log\ncoredump_dir " << folder << "\n"
             << "netdb_filename none\nshutdown_lifetime 0 seconds\n"
             << "auth_param basic program /usr/lib/squid/basic_ncsa_auth " << folder << "/passwd\n"
             << "auth_param basic realm e3test\n"
             << "acl authed proxy_auth REQUIRED\nhttp_access allow authed\nhttp_access deny all\n";
        if (::geteuid() == 0)
            conf << "cache_effective_user nobody\n";
        conf.close();
        e3test::GiveToUnprivileged(folder);

        squid_.emplace(std::vector<std::string>{"squid", "-N", "-f", folder + "/squid.conf"}, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline && !squid_->Exited() && !listening())
            std::this_thread::sleep_for(50ms);
    }
    bool ready() { return squid_->Pid() > 0 && !squid_->Exited() && listening(); }
    int port() const { return port_; }

private:
    bool listening() const
    {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port_));
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }

    int port_ = 0;
    std::optional<e3test::ChildProcess> squid_;
};

bool SquidInstalled()
{
    return ::access("/usr/sbin/squid", X_OK) == 0 && ::access("/usr/lib/squid/basic_ncsa_auth", X_OK) == 0;
}

TEST_F(SOAPClientTest, CallsPassThroughAnAuthenticatingSquid)
{
    if (!SquidInstalled())
        GTEST_SKIP() << "squid is not installed";
    e3test::TempDir squidDir;
    SquidProxy squid(squidDir.str(), "alice", "s3cret");
    ASSERT_TRUE(squid.ready()) << e3test::ReadWholeFile(squidDir.str() + "/cache.log");

    LoopbackHttpServer server;
    server.setDefaultReply(Answer(ResponseEnvelope("ExecuteEvent", "U9", "", "through")));
    const std::string proxyIni = "[HTTP]\nProxy=127.0.0.1\nProxyPort=" + std::to_string(squid.port()) +
                                 "\nProxyUser=alice\nProxyPass=";

    WriteIni(proxyIni + "s3cret\n");
    auto client = ClientFor(server.port());
    EXPECT_TRUE(client->Connect());
    EXPECT_EQ(client->ExecuteEvent("", "Client", "TClient", "Ev", "v"), "through");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    // It came through squid, which keeps the credentials to itself.
    EXPECT_NE(HeadOf(requests[1]).find("Via:"), std::string::npos);
    EXPECT_EQ(HeadOf(requests[1]).find("Proxy-Authorization"), std::string::npos);
    EXPECT_EQ(ElementText(requests[1], "ServerUserID"), "U9");

    // A wrong password is refused by the proxy: the link is lost.
    WriteIni(proxyIni + "wrong\n");
    auto refused = ClientFor(server.port());
    refused->SetRetries(1);
    EXPECT_FALSE(refused->Connect());
    EXPECT_EQ(server.requests().size(), 2u);
}

} // namespace
