// The client program against the sample engine, over each transport: whole
// sessions from "Client.OnClientInit" to "Client.OnDestroy", a lost engine, a
// fault reply and a server that is not there. Both run as real processes on
// loopback; the engine's request log is what the tests read.
#include "support/LoopbackSocket.h"
#include "support/TempDir.h"
#include "u3/ProcUtils.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kBuild = E3_BUILD_DIR;
const std::string kData = E3_TEST_DATA_DIR "/enginelink";
const std::string kEngineProgram = kBuild + "/tools/sample-engine/sample-engine";
const std::string kClientProgram = kBuild + "/src/client/program/filingclient";

struct Transport {
    const char* name;
    bool corba;
};

std::string PrintTransport(const ::testing::TestParamInfo<Transport>& info)
{
    return info.param.name;
}

// One call of the engine's log: the fields of its line, unescaped.
using LogLine = std::vector<std::string>;

std::vector<LogLine> ReadEngineLog(const std::string& path)
{
    std::vector<LogLine> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        LogLine fields(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '\t') {
                fields.emplace_back();
            } else if (c == '\\' && i + 1 < line.size()) {
                const char e = line[++i];
                if (e == 'r')
                    fields.back() += '\r';
                else if (e == 'n')
                    fields.back() += '\n';
                else if (e == 't')
                    fields.back() += '\t';
                else if (e == 'x' && i + 2 < line.size()) {
                    fields.back() += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                } else
                    fields.back() += e;
            } else {
                fields.back() += c;
            }
        }
        lines.push_back(std::move(fields));
    }
    return lines;
}

// The operation and, for ExecuteEvent, the event name: "ExecuteEvent Main.X".
std::string CallName(const LogLine& line)
{
    if (line.size() < 4)
        return {};
    if (line[3] == "ExecuteEvent" && line.size() >= 8)
        return "ExecuteEvent " + line[7];
    if (line[3] == "GetFile" || line[3] == "SetFile")
        return line[3] + " " + (line.size() > 5 ? line[5] : std::string());
    return line[3];
}

class EngineLinkTest : public ::testing::TestWithParam<Transport> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(kEngineProgram)) << kEngineProgram;
        ASSERT_TRUE(fs::exists(kClientProgram)) << kClientProgram;
        fs::create_directories(dir.path() / "client");
        fs::create_directories(dir.path() / "files");
        fs::create_directories(dir.path() / "received");
        fs::create_directories(dir.path() / "runtime");
        fs::permissions(dir.path() / "runtime", fs::perms::owner_all);
        clientPath = (dir.path() / "client" / "filingclient").string();
        fs::copy_file(kClientProgram, clientPath);
    }
    void TearDown() override
    {
        if (engine.state() != QProcess::NotRunning) {
            engine.terminate();
            if (!engine.waitForFinished(10000))
                engine.kill();
            engine.waitForFinished(5000);
        }
    }

    // The sample engine in the foreground on free ports; false when it did not
    // come up.
    bool StartEngine(const std::string& scenario, const QStringList& extra = {})
    {
        QStringList args {"--soap", "0", "--corba", "0",
                          "--forms", QString::fromStdString(kData + "/forms"),
                          "--files", QString::fromStdString((dir.path() / "files").string()),
                          "--received", QString::fromStdString((dir.path() / "received").string()),
                          "--scenario", QString::fromStdString(kData + "/" + scenario),
                          "--log", QString::fromStdString(EngineLogPath())};
        args += extra;
        engine.setProgram(QString::fromStdString(kEngineProgram));
        engine.setArguments(args);
        engine.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        engine.start();
        if (!engine.waitForStarted(10000))
            return false;
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (out.find("ready") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            engine.waitForReadyRead(200);
            out += engine.readAllStandardOutput().toStdString();
            if (engine.state() == QProcess::NotRunning)
                return false;
        }
        std::istringstream lines(out);
        std::string word;
        int port = 0;
        while (lines >> word) {
            if (word == "soap" && lines >> port)
                soapPort = port;
            else if (word == "corba" && lines >> port)
                corbaPort = port;
        }
        return out.find("ready") != std::string::npos && soapPort > 0 && corbaPort > 0;
    }

    std::string EngineLogPath() const { return (dir.path() / "engine.log").string(); }

    // The client's INI beside its program: the transport, the engine's address
    // and a local server program that does not exist unless given.
    void WriteClientIni(int port, int retries, const std::string& localServer = "no-local-server")
    {
        std::ofstream ini(clientPath + ".ini", std::ios::binary);
        ini << "[Common]\r\nCORBA=" << (GetParam().corba ? 1 : 0) << "\r\nRetryConnect=" << retries << "\r\n"
            << "[Location]\r\nFMExeName=" << localServer << "\r\n"
            << "[CORBA]\r\nORBBINDADDR=inet:localhost:" << port << "\r\n"
            << "[SOAP]\r\nORBBINDADDR=inet:localhost:" << port << "\r\n";
    }
    int EnginePort() const { return GetParam().corba ? corbaPort : soapPort; }

    struct ClientRun {
        int exitCode = -1;
        bool finished = false;
        std::chrono::milliseconds elapsed {};
    };

    ClientRun RunClient(const QStringList& args, std::chrono::seconds limit = 120s)
    {
        QProcess client;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        // The local server keeps its pid file there: private to this test.
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir.path() / "runtime").string()));
        client.setProcessEnvironment(env);
        client.setWorkingDirectory(QString::fromStdString((dir.path() / "client").string()));
        client.setProcessChannelMode(QProcess::ForwardedChannels);
        const auto start = std::chrono::steady_clock::now();
        client.start(QString::fromStdString(clientPath), args);
        ClientRun run;
        if (!client.waitForStarted(10000))
            return run;
        run.finished = client.waitForFinished(static_cast<int>(std::chrono::milliseconds(limit).count()));
        run.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (!run.finished) {
            client.kill();
            client.waitForFinished(5000);
            return run;
        }
        run.exitCode = client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
        return run;
    }

    std::vector<std::string> CallNames() const
    {
        std::vector<std::string> names;
        for (const auto& line : ReadEngineLog(EngineLogPath()))
            names.push_back(CallName(line));
        return names;
    }

    e3test::TempDir dir;
    std::string clientPath;
    QProcess engine;
    int soapPort = 0;
    int corbaPort = 0;
};

// The entries of a request text, as name -> value.
std::vector<std::pair<std::string, std::string>> RequestEntries(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t i = 0; i + 2 < lines.size(); ++i)
        if (lines[i] == ";" && lines[i + 1] != "}")
        {
            entries.emplace_back(lines[i + 1], lines[i + 2]);
            i += 2;
        }
    return entries;
}

TEST_P(EngineLinkTest, ASessionRunsFromInitToDestroyWithFormsEventsAndAThreeMebibyteFile)
{
    // 3 MiB that no text conversion leaves intact by chance.
    std::string big(3 * 1024 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : big)
        c = static_cast<char>(random());
    dir.write("files/big.bin", big);

    ASSERT_TRUE(StartEngine("scenario.txt"));
    WriteClientIni(EnginePort(), 2);
    const ClientRun run = RunClient({"GUIEngine=GUIEngine", "second arg"});
    ASSERT_TRUE(run.finished) << "the client hung";
    EXPECT_EQ(run.exitCode, 0);

    const auto log = ReadEngineLog(EngineLogPath());
    std::vector<std::string> names;
    for (const auto& line : log)
        names.push_back(CallName(line));

    // The order of a session; the file parts in between are counted apart.
    std::vector<std::string> outline;
    int getParts = 0, setParts = 0;
    for (const auto& name : names) {
        if (name == "GetFile BPart" || name == "GetFile Part" || name == "GetFile File")
            ++getParts;
        else if (name.rfind("SetFile", 0) == 0)
            ++setParts;
        else
            outline.push_back(name);
    }
    std::vector<std::string> expected;
    if (GetParam().corba)
        expected.push_back("CreateInstance");
    else
        expected.push_back("Connect");
    expected.insert(expected.end(), {"CommandGUIEngine", "ExecuteEvent Client.OnClientInit", "GetFile Form",
                                     "ExecuteEvent Main.NameChanged", "ExecuteEvent Main.Received",
                                     "ExecuteEvent Main.Sent", "ExecuteEvent Client.OnClientDone",
                                     "ExecuteEvent Client.OnDestroy"});
    EXPECT_EQ(outline, expected);
    EXPECT_GE(getParts, 1);
    EXPECT_GE(setParts, 1);

    // The three client events with their entries.
    const std::string clientDir = (dir.path() / "client").string();
    for (const auto& line : log) {
        if (CallName(line) == "ExecuteEvent Client.OnClientInit") {
            ASSERT_GE(line.size(), 9u);
            EXPECT_EQ(line[4], "");
            EXPECT_EQ(line[5], "Client");
            EXPECT_EQ(line[6], "TClient");
            const auto entries = RequestEntries(line[8]);
            ASSERT_GE(entries.size(), 4u);
            EXPECT_EQ(entries.front(), (std::pair<std::string, std::string>("Sender", "Client")));
            const auto n = entries.size();
            EXPECT_EQ(entries[n - 3], (std::pair<std::string, std::string>("ClientDirectory", clientDir)));
            EXPECT_EQ(entries[n - 2], (std::pair<std::string, std::string>(
                                           "CommandLine", clientPath + " GUIEngine=GUIEngine \"second arg\"")));
            EXPECT_EQ(entries[n - 1], (std::pair<std::string, std::string>("Language", "en")));
        }
        if (CallName(line) == "CommandGUIEngine") {
            ASSERT_GE(line.size(), 8u);
            EXPECT_EQ(line[4], "GUIEngine");
            EXPECT_EQ(line[5], "second arg");
            EXPECT_EQ(line[6], "");
            EXPECT_EQ(line[7], "InitStr");
        }
        if (CallName(line) == "ExecuteEvent Main.NameChanged") {
            ASSERT_GE(line.size(), 9u);
            EXPECT_NE(line[8].find("edtName.Text\r\nGrüße from the engine\r\n"), std::string::npos) << line[8];
        }
        if (CallName(line) == "ExecuteEvent Client.OnClientDone" || CallName(line) == "ExecuteEvent Client.OnDestroy") {
            ASSERT_GE(line.size(), 9u);
            EXPECT_EQ(line[8], "");
        }
    }

    // The file went to the client and came back unchanged.
    const std::string fetched = (dir.path() / "client" / "big.bin").string();
    ASSERT_TRUE(fs::exists(fetched));
    EXPECT_TRUE(e3test::ReadWholeFile(fetched) == big);
    const std::string back = (dir.path() / "received" / "back.bin").string();
    ASSERT_TRUE(fs::exists(back));
    EXPECT_TRUE(e3test::ReadWholeFile(back) == big);
}

// The engine goes away in the middle of the session (the process ends, or the
// link drops): the client ends with the connection-lost code, without hanging,
// and stops the local server it started.
TEST_P(EngineLinkTest, ALostEngineEndsTheClientAndStopsTheLocalServer)
{
    for (const char* fault : {"exit", "drop"}) {
        SCOPED_TRACE(fault);
        // The engine as this client's local server: a copy with its settings
        // beside it, started with "/a" and stopped with "/s".
        const fs::path serverDir = dir.path() / (std::string("server-") + fault);
        fs::create_directories(serverDir);
        const std::string server = (serverDir / "engine").string();
        fs::copy_file(kEngineProgram, server);
        // The ports are chosen before the engine binds them, so another
        // program may take one in between; only then is the run repeated.
        std::vector<LogLine> calls;
        ClientRun run;
        for (int attempt = 0; attempt < 3 && calls.empty(); ++attempt) {
            const std::vector<int> ports = e3test::FreeLoopbackPorts(2);
            const int port = ports[0];
            const int otherPort = ports[1];
            {
                std::ofstream ini(server + ".ini", std::ios::binary);
                ini << "[SampleEngine]\nForms=" << kData << "/forms\nFiles=" << (dir.path() / "files").string()
                    << "\nReceived=received\nScenario=" << kData << "/scenario.txt\nLog=engine.log\n"
                    << "SoapPort=" << (GetParam().corba ? otherPort : port) << "\nCorbaPort="
                    << (GetParam().corba ? port : otherPort) << "\nFault=" << fault << "@Main.NameChanged\n";
            }
            dir.write("files/big.bin", "small");
            WriteClientIni(port, 2, server);

            run = RunClient({"-silent"});
            ASSERT_TRUE(run.finished) << "the client hung";
            EXPECT_EQ(run.exitCode, 1);
            calls = ReadEngineLog((serverDir / "engine.log").string());
        }
        bool sawEvent = false;
        for (const auto& line : calls)
            sawEvent |= CallName(line) == "ExecuteEvent Main.NameChanged";
        EXPECT_TRUE(sawEvent);
        for (const auto& line : calls)
            EXPECT_NE(CallName(line), "ExecuteEvent Client.OnClientDone");
        // Stopped by the client's "/s" (or gone by itself): nothing left running.
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (u3::FindRunningProcess(server) != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(50ms);
        EXPECT_EQ(u3::FindRunningProcess(server), 0);
    }
}

TEST_P(EngineLinkTest, AFaultReplyEndsTheSessionWithoutRepeatingTheCall)
{
    ASSERT_TRUE(StartEngine("scenario.txt", {"--fault", "fault500:Refused by the engine@Main.NameChanged"}));
    WriteClientIni(EnginePort(), 3);
    const ClientRun run = RunClient({"-silent"});
    ASSERT_TRUE(run.finished) << "the client hung";
    EXPECT_EQ(run.exitCode, 1);
    int tries = 0;
    for (const auto& name : CallNames())
        tries += name == "ExecuteEvent Main.NameChanged";
    EXPECT_EQ(tries, 1) << "a fault is an answer, not a lost server";
}

TEST_P(EngineLinkTest, NoServerMeansRetryConnectTriesThenTheEnd)
{
    const int port = e3test::FreeLoopbackPort(); // nobody listens
    WriteClientIni(port, 3);
    const ClientRun run = RunClient({"-silent"});
    ASSERT_TRUE(run.finished) << "the client hung";
    EXPECT_EQ(run.exitCode, 1);
    if (GetParam().corba) {
        // Three binds, three pauses of 3 s.
        EXPECT_GE(run.elapsed, 8500ms);
        EXPECT_LT(run.elapsed, 60s);
    } else {
        // Three tries, 1 s apart.
        EXPECT_GE(run.elapsed, 1900ms);
        EXPECT_LT(run.elapsed, 30s);
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, EngineLinkTest,
                         ::testing::Values(Transport {"CORBA", true}, Transport {"SOAP", false}), PrintTransport);

} // namespace
