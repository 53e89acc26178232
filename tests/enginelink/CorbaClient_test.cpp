#include "enginelink/Cdr.h"
#include "enginelink/CorbaClient.h"
#include "enginelink/OrbBind.h"
#include "enginelink/WireText.h"

#include "support/KeepAliveProbe.h"
#include "support/ChildProcess.h"
#include "support/LogCapture.h"
#include "support/LoopbackSocket.h"
#include "support/RecordingUserMessages.h"
#include "support/TempDir.h"
#include "u3/ProgramEnd.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace enginelink;
using namespace std::chrono_literals;

namespace {

// The engine servant as a child process; killed when the test is done with it.
class TestServer {
public:
    explicit TestServer(const std::vector<std::string>& options = {}) : child_(Arguments(options))
    {
        // "PORT <n>" once it serves; generous for a loaded machine.
        const std::string line = child_.ReadFirstLine(30s);
        if (line.rfind("PORT ", 0) != 0)
            throw std::runtime_error("the test server did not start: " + line);
        port_ = child_.PrintedPort("PORT");
    }

    void Kill() { child_.Stop(); }
    int Port() const { return port_; }
    std::string Address() const { return "inet:127.0.0.1:" + std::to_string(port_); }

private:
    static std::vector<std::string> Arguments(const std::vector<std::string>& options)
    {
        std::vector<std::string> args{std::string(E3_BUILD_DIR) + "/tools/orbtestserver/orbtestserver"};
        args.insert(args.end(), options.begin(), options.end());
        return args;
    }

    e3test::ChildProcess child_;
    int port_ = 0;
};

// A port that nobody listens on: bound but never listening while it is held.
int UnusedPort()
{
    static e3test::LoopbackSocket held(false);
    return held.Port();
}

int ConnectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string ReadMessage(int fd)
{
    std::string message(kGiopHeaderSize, '\0');
    if (::recv(fd, message.data(), kGiopHeaderSize, MSG_WAITALL) != static_cast<ssize_t>(kGiopHeaderSize))
        return {};
    const auto header = ReadGiopHeader(message);
    if (!header)
        return {};
    message.resize(kGiopHeaderSize + header->size);
    if (::recv(fd, message.data() + kGiopHeaderSize, header->size, MSG_WAITALL) != static_cast<ssize_t>(header->size))
        return {};
    return message;
}

struct ProgramEnded {
    int code;
};

// The program's end becomes an exception the test can catch.
class ExitCatcher {
public:
    ExitCatcher()
    {
        u3::SetProgramExitForTests([](int code) { throw ProgramEnded{code}; });
    }
    ~ExitCatcher() { u3::SetProgramExitForTests(nullptr); }
};

std::vector<std::string> CallLog(TmtdORBClient& client)
{
    const std::string text = client.CommandGUIEngine("", "", "", "CallLog");
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

} // namespace

TEST(WireText, ConvertsToAndFromWindows1252)
{
    struct Case {
        std::string utf8;
        std::string wire;
        bool lost;
    };
    const Case cases[] = {
        {"plain", "plain", false},
        {"\xc3\xa4\xc3\xb6\xc3\xbc\xe2\x82\xac", "\xe4\xf6\xfc\x80", false}, // äöü€
        {"\xc2\x81\xc2\x9d", "\x81\x9d", false},                            // undefined bytes keep their value
        {"\xc5\xb8\xc2\xa0\xc3\xbf", "\x9f\xa0\xff", false},                // Ÿ, no-break space, ÿ
        {"a\xe2\x98\x83" "b", "a?b", true},                                 // snowman
        {"\xc2\x80", "?", true},                                            // a C1 control 1252 redefines
        {"\xf0\x9f\x98\x80!", "?!", true},                                  // outside the BMP
        {"\xff\xc3", "??", true},                                           // not UTF-8
        {"\xc0\xaf", "??", true},                                           // overlong
        {"\xed\xa0\x80", "???", true},                                      // surrogate
        {std::string("a\0b", 3), "a?b", true},                              // NUL cannot travel
    };
    for (const auto& c : cases) {
        bool lost = false;
        EXPECT_EQ(Utf8ToWire(c.utf8, lost), c.wire) << c.utf8;
        EXPECT_EQ(lost, c.lost) << c.utf8;
    }
    // Every byte but NUL comes back as itself.
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        bool lost = false;
        EXPECT_EQ(Utf8ToWire(WireToUtf8(byte), lost), byte) << b;
        EXPECT_FALSE(lost) << b;
    }
}

TEST(CorbaClient, FactoryIdFollowsTheEngineName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"GUIEngine", "IDL:FFMGUIEngineFactory:3.0"},
        {"guiengine", "IDL:FFMGUIEngineFactory:3.0"},
        {"PCTGUIEngine", "IDL:FPCTGUIEngineFactory:1.0"},
        {"pctguiengine", "IDL:FPCTGUIEngineFactory:1.0"},
        {"other", "IDL:FPluginGUIEngineFactory:3.0"},
        {"", "IDL:FPluginGUIEngineFactory:3.0"},
    };
    for (const auto& [name, id] : cases)
        EXPECT_EQ(TmtdORBClient::FactoryRepositoryId(name), id) << name;
}

TEST(CorbaClient, ConnectsForEachEngineNameAndForwardsEveryOperation)
{
    TestServer server;
    // The last two bind references whose own type id is not the factory's, so
    // that the narrow has to ask the object.
    for (const char* engineName : {"GUIEngine", "pctguiengine", "other"}) {
        TmtdORBClient client(engineName, server.Address(), false);
        ASSERT_TRUE(client.Connect()) << engineName;
    }

    TmtdORBClient client("GUIEngine", server.Address(), false);
    ASSERT_TRUE(client.Connect());
    EXPECT_EQ(client.ExecuteEvent("", "FormMain", "TForm", "Button1.OnClick", "a=1"),
              "ExecuteEvent||FormMain|TForm|Button1.OnClick|a=1");
    EXPECT_EQ(client.GetFile("form1", "Form", "dir"), "GetFile|form1|Form|dir");
    EXPECT_EQ(client.SetFile("QUJD", "File", "out.bin"), "OK|4|File|out.bin");
    EXPECT_EQ(client.OnMessage("Info", "text"), "OnMessage|Info|text");
    EXPECT_EQ(client.CommandGUIEngine("E", "P", "7", "Run"), "CommandGUIEngine|E|P|7|Run");

    std::string third = "in";
    auto engine = std::shared_ptr<client::IGUIEngine>();
    EXPECT_EQ(client.GetGUIEngine("one", "two", third, engine), "GetGUIEngine|one|two|in|nil");
    EXPECT_EQ(third, "back:one");
    EXPECT_EQ(engine, nullptr);
    EXPECT_EQ(client.SetGUIEngine("x", "y", "z", nullptr), "SetGUIEngine|x|y|z|nil");
    EXPECT_EQ(CallLog(client).size(), 7u);
}

TEST(CorbaClient, TheOrbsLinkProbesADeadPeerWithinAboutTwoMinutes)
{
    e3test::LoopbackSocket reserved(false); // the engine's own port, free once released
    const int endpointPort = reserved.Port();
    reserved.Close();
    TestServer server({"--endpoint-port", std::to_string(endpointPort)});
    TmtdORBClient client("GUIEngine", server.Address(), false);
    ASSERT_TRUE(client.Connect());
    EXPECT_EQ(client.OnMessage("Info", "text"), "OnMessage|Info|text");
    const auto options = e3test::KeepAliveOfConnectionTo(endpointPort);
    ASSERT_TRUE(options.has_value());
    EXPECT_NE(options->on, 0);
    EXPECT_GT(options->idle, 0);
    EXPECT_GT(options->interval, 0);
    EXPECT_GT(options->probes, 0);
    EXPECT_LE(options->idle + options->interval * options->probes, 150);
}

TEST(CorbaClient, ConnectFailsWhenTheFactoryCannotBeUsed)
{
    for (const char* option : {"--wrong-object", "--fail-create"}) {
        e3test::TempDir dir;
        e3test::LogCapture log(dir.path());
        TestServer server({option});
        TmtdORBClient client("GUIEngine", server.Address(), false);
        EXPECT_FALSE(client.Connect()) << option;
        const auto entries = log.Entries();
        ASSERT_FALSE(entries.empty()) << option;
        EXPECT_NE(entries.back().find(server.Address()), std::string::npos) << entries.back();
    }
}

TEST(CorbaClient, ConnectGivesUpAfterTheRetriesAndTheirPauses)
{
    TmtdORBClient client("GUIEngine", "inet:127.0.0.1:" + std::to_string(UnusedPort()), false);
    client.SetRetries(3);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Connect());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 9s);
    EXPECT_LT(elapsed, 25s);
}

TEST(CorbaClient, LostLinkEndsTheProgramWithTheTextUnlessQuiet)
{
    struct Case {
        const char* name;
        bool quiet;
        const char* eventName; // the call that finds the link gone
        bool killFirst;        // the engine is gone before the call
        bool messageShown;
    };
    const Case cases[] = {
        {"engine ends in the call", false, "Button1.OnClick", false, true},
        {"engine killed before", false, "Button1.OnClick", true, true},
        {"quiet client", true, "Button1.OnClick", true, false},
        {"client done", false, "CLIENT.onclientdone", false, false},
    };
    for (const auto& c : cases) {
        e3test::RecordingUserMessages messages;
        ExitCatcher exits;
        TestServer server({"--exit-on", "ExecuteEvent"});
        TmtdORBClient client("GUIEngine", server.Address(), c.quiet);
        ASSERT_TRUE(client.Connect()) << c.name;
        if (c.killFirst)
            server.Kill();
        try {
            client.ExecuteEvent("", "FormMain", "TForm", c.eventName, "");
            ADD_FAILURE() << c.name << ": the program went on";
        } catch (const ProgramEnded& ended) {
            EXPECT_EQ(ended.code, 1) << c.name;
        }
        if (c.messageShown)
            EXPECT_EQ(messages.plain, std::vector<std::string>{u3::ServerNotFoundText()}) << c.name;
        else
            EXPECT_TRUE(messages.plain.empty()) << c.name;
        // Disconnected for good: nothing is sent, nothing is shown again.
        EXPECT_EQ(client.OnMessage("Info", "x"), "") << c.name;
        EXPECT_EQ(messages.plain.size(), c.messageShown ? 1u : 0u) << c.name;
    }
}

TEST(CorbaClient, TextTravelsInWindows1252AndLossesAreReportedOnce)
{
    e3test::TempDir dir;
    e3test::LogCapture log(dir.path());
    TestServer server;
    TmtdORBClient client("GUIEngine", server.Address(), false);
    ASSERT_TRUE(client.Connect());

    const std::string umlauts = "\xc3\xa4\xc3\xb6\xc3\xbc\xe2\x82\xac"; // äöü€
    EXPECT_EQ(client.ExecuteEvent("", umlauts, "TForm", "E", umlauts),
              "ExecuteEvent||" + umlauts + "|TForm|E|" + umlauts);
    EXPECT_EQ(client.SetFile(umlauts, "File", ""), "OK|4|File|"); // one byte each on the wire
    EXPECT_TRUE(log.Entries().empty());

    const std::string snowman = "\xe2\x98\x83";
    EXPECT_EQ(client.ExecuteEvent("", "F", "TForm", "E", "a" + snowman), "ExecuteEvent||F|TForm|E|a?");
    EXPECT_EQ(client.OnMessage("Info", snowman + snowman), "OnMessage|Info|??");

    const auto calls = CallLog(client);
    ASSERT_EQ(calls.size(), 6u);
    const std::string report = "Characters that the engine's code page cannot hold were sent as \"?\" in ";
    EXPECT_EQ(calls[2], "ExecuteEvent||F|TForm|E|a?");
    EXPECT_EQ(calls[3], "OnMessage|ClientError|" + report + "ExecuteEvent");
    EXPECT_EQ(calls[4], "OnMessage|Info|??");
    EXPECT_EQ(calls[5], "OnMessage|ClientError|" + report + "OnMessage");
    EXPECT_EQ(log.Entries(),
              (std::vector<std::string>{"L1 " + report + "ExecuteEvent", "L1 " + report + "OnMessage"}));
}

TEST(BindResponder, AnswersEveryRequestOnEveryConnection)
{
    TestServer server;
    std::string why;
    const auto reference = BindObject(server.Address(), "IDL:FFMGUIEngineFactory:3.0", 10s, &why);
    ASSERT_TRUE(reference) << why;
    const auto ior = cdr::IorFromString(*reference);
    ASSERT_TRUE(ior);
    EXPECT_EQ(ior->typeId, "IDL:FFMGUIEngineFactory:3.0");
    EXPECT_FALSE(ior->profiles.empty());
    EXPECT_FALSE(BindObject(server.Address(), "IDL:Other:1.0", 10s, &why));

    // Two requests in one write on one connection, the second big-endian as
    // another ORB might send it, while a second connection stays open idle.
    const int idle = ConnectLoopback(server.Port());
    const int fd = ConnectLoopback(server.Port());
    ASSERT_GE(fd, 0);
    std::string both = EncodeBindRequest(11, "IDL:FPCTGUIEngineFactory:1.0");
    cdr::Writer out(false);
    out.Bytes() = std::string("GIOP\x01\x00\x00\x00", 8);
    out.Ulong(0);
    out.Ulong(0);
    out.Ulong(12);
    out.Boolean(true);
    out.Octets("");
    out.String("_bind");
    out.Octets("");
    out.String("IDL:Unknown:1.0");
    out.Octets("");
    out.PatchUlong(8, static_cast<std::uint32_t>(out.Size() - kGiopHeaderSize));
    both += out.Bytes();
    ASSERT_EQ(::send(fd, both.data(), both.size(), MSG_NOSIGNAL), static_cast<ssize_t>(both.size()));
    const auto first = DecodeBindReply(ReadMessage(fd), 11);
    ASSERT_TRUE(first);
    EXPECT_EQ(cdr::IorFromString(*first)->typeId, "IDL:FPCTGUIEngineFactory:1.0");
    const std::string second = ReadMessage(fd);
    ASSERT_FALSE(second.empty());
    EXPECT_FALSE(ReadGiopHeader(second)->littleEndian);
    EXPECT_FALSE(DecodeBindReply(second, 12)); // status 0: not here

    // Garbage ends that connection, and only that one.
    const std::string junk = "HTTP/1.0 GET /\r\n\r\n";
    ::send(fd, junk.data(), junk.size(), MSG_NOSIGNAL);
    char c;
    EXPECT_EQ(::recv(fd, &c, 1, 0), 0);
    ::close(fd);
    ::close(idle);
    EXPECT_TRUE(BindObject(server.Address(), "IDL:FPluginGUIEngineFactory:3.0", 10s, &why)) << why;
}

namespace {

// Forwards each connection made to one of its two listening ports to the
// matching target port and keeps every chunk that passes, in order.
class RecordingRelay {
public:
    RecordingRelay()
    {
        if (::pipe2(wake_, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
    }
    ~RecordingRelay()
    {
        const char stop = 's';
        if (thread_.joinable()) {
            (void)!::write(wake_[1], &stop, 1);
            thread_.join();
        }
        ::close(wake_[0]);
        ::close(wake_[1]);
    }
    int FirstPort() const { return first_.Port(); }
    int SecondPort() const { return second_.Port(); }
    void Start(int firstTarget, int secondTarget)
    {
        thread_ = std::thread([this, firstTarget, secondTarget] { Run(firstTarget, secondTarget); });
    }
    std::vector<std::string> Chunks() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return chunks_;
    }

private:
    void Run(int firstTarget, int secondTarget)
    {
        std::vector<std::pair<int, int>> links; // each direction once: from, to
        for (;;) {
            std::vector<pollfd> polled{{wake_[0], POLLIN, 0}, {first_.Fd(), POLLIN, 0}, {second_.Fd(), POLLIN, 0}};
            for (const auto& [from, to] : links)
                polled.push_back({from, POLLIN, 0});
            if (::poll(polled.data(), polled.size(), -1) < 0 || polled[0].revents)
                break;
            for (std::size_t i = 0; i < links.size(); ++i) {
                if (!polled[i + 3].revents)
                    continue;
                char buffer[8192];
                const ssize_t n = ::recv(links[i].first, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    ::shutdown(links[i].second, SHUT_WR);
                    links[i].first = -1; // poll passes over it from now on
                    continue;
                }
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    chunks_.emplace_back(buffer, static_cast<std::size_t>(n));
                }
                ::send(links[i].second, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
            }
            for (int k = 1; k <= 2; ++k) {
                if (!(polled[static_cast<std::size_t>(k)].revents & POLLIN))
                    continue;
                const int in = ::accept4(polled[static_cast<std::size_t>(k)].fd, nullptr, nullptr, SOCK_CLOEXEC);
                const int out = ConnectLoopback(k == 1 ? firstTarget : secondTarget);
                if (in < 0 || out < 0)
                    continue;
                links.emplace_back(in, out);
                links.emplace_back(out, in);
                open_.push_back(in);
                open_.push_back(out);
            }
        }
        for (int fd : open_)
            ::close(fd);
    }

    e3test::LoopbackSocket first_{true};
    e3test::LoopbackSocket second_{true};
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::vector<int> open_;
    mutable std::mutex lock_;
    std::vector<std::string> chunks_;
};

bool ProgramOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "";
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t end = std::min(rest.find(':', start), rest.size());
        if (::access((rest.substr(start, end - start) + "/" + name).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

// An independent reading of what goes over the wire: the bind and an engine
// call, captured through a relay and decoded by tshark's GIOP dissector.
TEST(CorbaClient, TsharkReadsTheBindAndAnEngineCall)
{
    if (!ProgramOnPath("tshark") || !ProgramOnPath("text2pcap"))
        GTEST_SKIP() << "tshark or text2pcap is not installed";
    RecordingRelay relay;
    e3test::LoopbackSocket reserved(false); // the engine's own port, free once released
    const int endpointPort = reserved.Port();
    reserved.Close();
    TestServer server({"--endpoint-port", std::to_string(endpointPort), "--publish-port",
                       std::to_string(relay.SecondPort())});
    relay.Start(server.Port(), endpointPort);

    TmtdORBClient client("GUIEngine", "inet:127.0.0.1:" + std::to_string(relay.FirstPort()), false);
    ASSERT_TRUE(client.Connect());
    ASSERT_EQ(client.ExecuteEvent("", "FormMain", "TForm", "Button1.OnClick", "x"),
              "ExecuteEvent||FormMain|TForm|Button1.OnClick|x");

    e3test::TempDir dir;
    std::string dump;
    char line[24];
    for (const auto& chunk : relay.Chunks()) {
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            if (i % 16 == 0) {
                std::snprintf(line, sizeof line, "%06zx", i);
                dump += (i ? "\n" : "") + std::string(line);
            }
            std::snprintf(line, sizeof line, " %02x", static_cast<unsigned char>(chunk[i]));
            dump += line;
        }
        dump += "\n";
    }
    const std::string text = dir.write("relay.txt", dump);
    const std::string pcap = dir.str() + "/relay.pcap";
    constexpr int kPort = 2809;
    ASSERT_EQ(e3test::RunProgram({"text2pcap", "-q", "-T", "40000," + std::to_string(kPort), text, pcap}).first, 0);
    const auto [status, decoded] =
        e3test::RunProgram({"tshark", "-r", pcap, "-V", "-d", "tcp.port==" + std::to_string(kPort) + ",giop"});
    ASSERT_EQ(status, 0);
    for (const char* expected : {"Request operation: _bind", "Request operation: ExecuteEvent", "Message type: Reply",
                                 "Message type: Request"})
        EXPECT_NE(decoded.find(expected), std::string::npos) << expected << "\n" << decoded;
}
