// The client program in its window-less batch mode against the test PMS
// gateway: no display, one request per run, the response document or an
// error response in the output folder, and an exit code that says which.
#include "support/ChildProcess.h"
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
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kBuild = E3_BUILD_DIR;
const std::string kData = E3_TEST_DATA_DIR "/enginelink";
const std::string kClientProgram = kBuild + "/src/client/program/filingclient";
const std::string kGatewayProgram = kBuild + "/tools/pms-gateway/pms-gateway";
const std::string kEngineProgram = kBuild + "/tools/sample-engine/sample-engine";

bool XmllintAccepts(const std::string& file)
{
    return e3test::RunProgram({"xmllint", "--noout", file}).first == 0;
}

std::string Read(const fs::path& path)
{
    return e3test::ReadWholeFile(path.string());
}

class PMSBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(kClientProgram)) << kClientProgram;
        ASSERT_TRUE(fs::exists(kGatewayProgram)) << kGatewayProgram;
        fs::create_directories(dir.path() / "client");
        fs::create_directories(dir.path() / "gateway");
        fs::create_directories(dir.path() / "runtime");
        fs::permissions(dir.path() / "runtime", fs::perms::owner_all);
        clientPath = (dir.path() / "client" / "filingclient").string();
        fs::copy_file(kClientProgram, clientPath);
        // The archive the gateway returns: a folder entry, a file inside it
        // and one at the top, as zip -r makes them.
        fs::create_directories(dir.path() / "z" / "sub");
        dir.write("z/sub/a.txt", "alpha\n");
        dir.write("z/b.txt", "bravo\n");
        const auto [code, out] = e3test::RunProgram(
            {"sh", "-c", "cd \"$1\" && zip -qr ../returned.zip .", "zip", (dir.path() / "z").string()});
        ASSERT_EQ(code, 0) << out;

        StartGateway({});
        WriteClientIni(gatewayPort);
    }

    void StartGateway(const std::vector<std::string>& extra)
    {
        std::vector<std::string> args {kGatewayProgram, "--log-dir", (dir.path() / "gateway").string(), "--archive",
                                       (dir.path() / "returned.zip").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        gateway = std::make_unique<e3test::ChildProcess>(args, SIGTERM);
        gateway->ReadUntilReady();
        gatewayPort = gateway->PrintedPort("pms");
        ASSERT_GT(gatewayPort, 0);
    }

    void WriteClientIni(int port, const std::string& localServer = "no-local-server", int enginePort = 11000)
    {
        std::ofstream ini(clientPath + ".ini", std::ios::binary);
        ini << "[WEB]\r\nIP=127.0.0.1\r\nPort=" << port << "\r\n"
            << "[Location]\r\nFMExeName=" << localServer << "\r\n"
            << "[CORBA]\r\nORBBINDADDR=inet:localhost:" << enginePort << "\r\n";
    }

    struct Run {
        int exitCode = -1;
        bool finished = false;
        std::string err;
    };

    // The client without a display: no DISPLAY, no Qt platform.
    Run RunClient(const QStringList& args)
    {
        QProcess client;
        auto env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir.path() / "runtime").string()));
        env.insert("XDG_STATE_HOME", QString::fromStdString((dir.path() / "state").string()));
        client.setProcessEnvironment(env);
        client.start(QString::fromStdString(clientPath), args);
        Run run;
        if (!client.waitForStarted(10000))
            return run;
        run.finished = client.waitForFinished(120000);
        if (!run.finished) {
            client.kill();
            client.waitForFinished(5000);
            return run;
        }
        run.err = client.readAllStandardError().toStdString();
        run.exitCode = client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
        return run;
    }

    QString Out() const { return QString::fromStdString("-Outputdir=" + (dir.path() / "out").string()); }
    fs::path Response() const { return dir.path() / "out" / "PMSResponse.xml"; }

    e3test::TempDir dir;
    std::string clientPath;
    std::unique_ptr<e3test::ChildProcess> gateway;
    int gatewayPort = 0;
};

TEST_F(PMSBatchTest, EveryCommandRoundTripsThroughTheGateway)
{
    const std::string application = dir.write("in/Anmeldung gr\u00fcn.xml", "<application>gr\u00fcn</application>");
    const std::string fax = dir.write("in/fax.tif", std::string("II*\0fax", 7));
    struct Case {
        QStringList args;
        const char* operation;
        const std::string* attachment;
        bool archive;
    };
    const std::vector<Case> cases = {
        {{"-validate", "-FileName=" + QString::fromStdString(application)}, "validate", &application, true},
        {{"-IMPORT", "-FileName=\"" + QString::fromStdString(application) + "\"", "-ImportState=draft"}, "import",
         &application, false},
        {{"-sign", "-ApplID=4", "-SignatureType=F", "-signfile=" + QString::fromStdString(fax), "-isfinal=1",
          "-applicantname=J\u00fcrgen M\u00fcller", "-placeofsign=K\u00f6ln"},
         "sign", &fax, false},
        {{"-send", "-ApplID=4"}, "send", nullptr, false},
        {{"-exportzip", "-Folder=Entw\u00fcrfe", "-ApplState=sent"}, "export", nullptr, true},
        {{"-remove", "-ApplID=4"}, "remove", nullptr, false},
        {{"-information", "-Procedure=EP"}, "information", nullptr, true},
    };
    int request = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        fs::remove_all(dir.path() / "out");
        QStringList args = c.args;
        args << Out() << "-UserName=J\u00fcrgen" << "-Password=p\u00e4ss" << "-Language=de" << "-Mode=production";
        const Run run = RunClient(args);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        ++request;

        const std::string response = Read(Response());
        EXPECT_TRUE(XmllintAccepts(Response().string())) << response;
        EXPECT_NE(response.find("result=\"success\""), std::string::npos) << response;
        EXPECT_NE(response.find("operation=\"" + std::string(c.operation) + "\""), std::string::npos) << response;
        EXPECT_NE(response.find("user_name=\"J\u00fcrgen\" password=\"p\u00e4ss\""), std::string::npos) << response;
        EXPECT_NE(response.find("mode=\"production\" language=\"de\""), std::string::npos) << response;

        const fs::path logged = dir.path() / "gateway" / ("request-" + std::to_string(request) + ".xml");
        EXPECT_TRUE(XmllintAccepts(logged.string())) << Read(logged);
        const fs::path attachment = dir.path() / "gateway" / ("attachment-" + std::to_string(request) + ".bin");
        if (c.attachment)
            EXPECT_EQ(Read(attachment), Read(*c.attachment));
        else
            EXPECT_FALSE(fs::exists(attachment));

        EXPECT_EQ(fs::exists(dir.path() / "out" / "a.txt"), c.archive);
        EXPECT_EQ(fs::exists(dir.path() / "out" / "b.txt"), c.archive);
        for (const auto& entry : fs::directory_iterator(dir.path() / "out"))
            EXPECT_TRUE(entry.is_regular_file()) << "left behind: " << entry.path();
    }
    // The sign request names only the facsimile's file name.
    const std::string sign = Read(dir.path() / "gateway" / "request-3.xml");
    EXPECT_NE(sign.find("<fax-image file=\"fax.tif\">"), std::string::npos) << sign;
    EXPECT_NE(sign.find("final_signature=\"yes\""), std::string::npos) << sign;
}

TEST_F(PMSBatchTest, ValidateWithoutFileNameWritesError36AndSendsNothing)
{
    const Run run = RunClient({"-validate", Out(), "-Language=fr"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    const std::string response = Read(Response());
    EXPECT_TRUE(XmllintAccepts(Response().string()));
    EXPECT_NE(response.find("<return_value error_ID=\"36\">Required file name is missing</return_value>"),
              std::string::npos)
        << response;
    EXPECT_NE(response.find("language=\"en\" result=\"failure\""), std::string::npos) << response;
    EXPECT_FALSE(fs::exists(dir.path() / "gateway" / "http-1.txt"));
}

// The gateway's failures reach the response; the local server this client
// started is stopped on that path as on the normal one.
TEST_F(PMSBatchTest, FailuresWriteAnErrorResponseAndStopTheLocalServer)
{
    ASSERT_TRUE(fs::exists(kEngineProgram));
    const fs::path serverDir = dir.path() / "server";
    fs::create_directories(serverDir);
    const std::string server = (serverDir / "engine").string();
    fs::copy_file(kEngineProgram, server);
    {
        const std::vector<int> ports = e3test::FreeLoopbackPorts(2);
        std::ofstream ini(server + ".ini", std::ios::binary);
        ini << "[SampleEngine]\nForms=" << kData << "/forms\nFiles=" << (dir.path() / "files").string()
            << "\nReceived=received\nScenario=" << kData << "/scenario.txt\nLog=engine.log\n"
            << "SoapPort=" << ports[0] << "\nCorbaPort=" << ports[1] << "\n";
    }
    // The local server is up (its pid file written) before the gateway
    // answers, so that it can hear the stop request.
    gateway.reset();
    StartGateway({"--wait-for", (dir.path() / "runtime" / "sample-engine").string()});
    WriteClientIni(gatewayPort, server);

    struct Case {
        const char* user;
        int exitCode;
        const char* text;
    };
    const Case cases[] = {
        {"fault:The gateway is closed \u00e0 pr\u00e9sent", 1, "The gateway is closed \u00e0 pr\u00e9sent"},
        {"garbage", 1, "Parser error!"},
        // The connection-lost text in the client's own language.
        {"empty", 1, "Connection"},
        {"ok", 0, "result=\"success\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        const Run run = RunClient({"-send", "-ApplID=1", Out(), QString("-UserName=") + c.user});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        const std::string response = Read(Response());
        EXPECT_NE(response.find(c.text), std::string::npos) << response;
        EXPECT_TRUE(XmllintAccepts(Response().string()));
        if (c.exitCode != 0) {
            EXPECT_NE(response.find("error_ID=\"36\""), std::string::npos) << response;
        }
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (u3::FindRunningProcess(server) != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(50ms);
        EXPECT_EQ(u3::FindRunningProcess(server), 0) << "the local server still runs";
    }
}

TEST_F(PMSBatchTest, AGatewayThatIsNotThereIsTriedFiveTimes)
{
    WriteClientIni(e3test::FreeLoopbackPort());
    const Run run = RunClient({"-information", Out()});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(Read(Response()).find("<return_value error_ID=\"36\">Connection"), std::string::npos)
        << Read(Response());
}

TEST_F(PMSBatchTest, AnOutputFolderThatCannotBeWrittenIsReportedOnStandardError)
{
    const std::string blocker = dir.write("blocker", "a file, not a folder");
    const Run run = RunClient({"-send", "-ApplID=1", QString::fromStdString("-Outputdir=" + blocker + "/out")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("PMSResponse.xml"), std::string::npos) << run.err;
}

} // namespace
