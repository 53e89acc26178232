#include "client/FrmIP.h"
#include "client/StartUp.h"
#include "support/FakePollClock.h"
#include "support/FakeServiceManager.h"
#include "support/RecordingUserMessages.h"
#include "support/TempDir.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/ProcUtils.h"
#include "u3/ProgramEnd.h"
#include "u3/SystemInfo.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

void ResetStartUpGlobals()
{
    client::LaunchString.clear();
    client::EngineName.clear();
    client::UseCORBA = false;
    client::ConnectRetries = 0;
    client::Silent = false;
    client::LocalServerPath.clear();
    client::ServiceStarted = false;
    client::ProgramStarted = false;
    client::OrbBindAddr.clear();
    client::ServerHost.clear();
    client::ServerPort.clear();
}

// A local server program: "/a" runs until a stop file appears, "/s" makes that
// file (unless the server is told to ignore it); each call is logged.
const char* const kServerScript = R"(#!/bin/sh
here=$(dirname "$0")
echo "$1" >> "$here/calls.log"
case "$1" in
/a) while [ ! -e "$here/stop" ]; do sleep 0.02; done ;;
/s) [ -e "$here/ignore-stop" ] || : > "$here/stop" ;;
esac
)";

// Waits in real time for at most the asked duration, but no longer than the
// server runs.
class ServerWatchClock final : public u3::PollClock {
public:
    explicit ServerWatchClock(std::string program) : program_(std::move(program)) { u3::SetPollClock(this); }
    ~ServerWatchClock() override { u3::SetPollClock(nullptr); }
    std::chrono::steady_clock::time_point Now() override { return std::chrono::steady_clock::now(); }
    void Sleep(std::chrono::milliseconds duration) override
    {
        asked.push_back(duration);
        const auto until = std::chrono::steady_clock::now() + duration;
        while (u3::FindRunningProcess(program_) != 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
    }
    std::vector<std::chrono::milliseconds> asked;

private:
    std::string program_;
};

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetStartUpGlobals();
        u3::SetExeNameOverride(dir.str() + "/front");
    }
    void TearDown() override
    {
        // Whatever the test did, no server is left behind.
        dir.write("stop", "");
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!serverPath.empty() && u3::FindRunningProcess(serverPath) != 0
               && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        u3::SetExeNameOverride("");
    }
    void Ini(const char* section, const char* key, const char* value)
    {
        u3::IniFile(dir.str() + "/front.ini").WriteString(section, key, value);
    }
    // The server as "Tolmfm" beside the client: found under its ".exe" name.
    std::string InstallServer(const std::string& name = "Tolmfm")
    {
        serverPath = dir.write(name, kServerScript);
        std::filesystem::permissions(serverPath, std::filesystem::perms::owner_all);
        return serverPath;
    }
    std::string Calls() const
    {
        const auto path = dir.str() + "/calls.log";
        return std::filesystem::exists(path) ? e3test::ReadWholeFile(path) : std::string();
    }
    // The "/s" call is started without waiting.
    bool WaitForCalls(const std::string& expected) const
    {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (Calls() != expected && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        return Calls() == expected;
    }

    e3test::TempDir dir;
    e3test::RecordingUserMessages messages;
    std::string serverPath;
};

TEST_F(StartUpTest, LaunchStringAndIniGiveTheAddressAndTheLocalServerDecision)
{
    struct Case {
        const char* name;
        std::vector<std::string> params;
        std::vector<std::array<const char*, 3>> ini;
        const char* orbBindAddr;
        const char* host;
        const char* port;
        const char* launchString;
        bool corba;
        int retries;
    };
    const std::string remote = "GUIEngine=GUIEngine||ORBBINDADDR=inet:10.0.0.5:11000||APPL=srv.exe";
    const std::string local = "GUIEngine=GUIEngine||ORBBINDADDR=inet:localhost:11000||APPL=srv.exe";
    const std::string driveLetter = "GUIEngine=Other||ORBBINDADDR=inet:localhost:11000||APPL=C:\\srv.exe";
    const Case cases[] = {
        {"no parameters, no INI", {}, {}, "inet:localhost:11000", "localhost", "11000", "APPL=Tolmfm.exe", true, 5},
        {"remote host keeps its APPL field", {remote}, {}, "inet:10.0.0.5:11000", "10.0.0.5", "11000", remote.c_str(),
         true, 5},
        {"localhost takes the FMExeName program", {local}, {{"Location", "FMExeName", "engine.exe"}},
         "inet:localhost:11000", "localhost", "11000", "APPL=engine.exe", true, 5},
        {"the default address in the launch string still takes the INI address",
         {"GUIEngine=GUIEngine||ORBBINDADDR=INET:LOCALHOST:11000"}, {{"CORBA", "ORBBINDADDR", "inet:corba.example:12000"}},
         "inet:corba.example:12000", "corba.example", "12000",
         "GUIEngine=GUIEngine||ORBBINDADDR=INET:LOCALHOST:11000", true, 5},
        {"another engine never starts the local server", {"GUIEngine=Billing"}, {}, "inet:localhost:11000",
         "localhost", "11000", "GUIEngine=Billing", true, 5},
        {"SOAP from the INI file", {}, {{"Common", "CORBA", "0"}, {"Common", "RetryConnect", "2"},
                                        {"SOAP", "ORBBINDADDR", "inet:soap.example:21500"}},
         "inet:soap.example:21500", "soap.example", "21500", "", false, 2},
        {"SOAP takes host and port from the ORBBINDADDR field only", {driveLetter},
         {{"Common", "CORBA", "2"}, {"SOAP", "ORBBINDADDR", "inet:soap.example:21500"}}, "inet:soap.example:21500",
         "localhost", "11000", driveLetter.c_str(), false, 5},
        {"SOAP field without port keeps the INI port", {"GUIEngine=Other||orbbindaddr=inet:gate.example||APPL=a:b"},
         {{"Common", "CORBA", "0"}, {"SOAP", "ORBBINDADDR", "inet:soap.example:21500"}}, "inet:soap.example:21500",
         "gate.example", "21500", "GUIEngine=Other||orbbindaddr=inet:gate.example||APPL=a:b", false, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir.str() + "/front.ini");
        for (const auto& [section, key, value] : c.ini)
            Ini(section, key, value);
        ResetStartUpGlobals();
        client::ReadEngineName(c.params);
        client::ReadConnectionSettings(c.params, nullptr);
        EXPECT_EQ(client::OrbBindAddr, c.orbBindAddr);
        EXPECT_EQ(client::ServerHost, c.host);
        EXPECT_EQ(client::ServerPort, c.port);
        EXPECT_EQ(client::LaunchString, c.launchString);
        EXPECT_EQ(client::UseCORBA, c.corba);
        EXPECT_EQ(client::ConnectRetries, c.retries);
        EXPECT_FALSE(client::ProgramStarted || client::ServiceStarted);
    }
}

TEST_F(StartUpTest, ThisMachinesOwnAddressCountsAsLocal)
{
    const std::vector<std::string> params {"GUIEngine=guiengine||ORBBINDADDR=inet:" + u3::HostAddress() + ":11000"};
    client::ReadEngineName(params);
    client::ReadConnectionSettings(params, nullptr);
    EXPECT_EQ(client::LaunchString, "APPL=Tolmfm.exe");
}

TEST_F(StartUpTest, EngineNameAndSilentParameters)
{
    client::ReadEngineName({"ORBBINDADDR=inet:h:1||GUIEngine=Billing||APPL=x"});
    EXPECT_EQ(client::EngineName, "Billing");
    client::ReadEngineName({});
    EXPECT_EQ(client::EngineName, "GUIEngine");
    EXPECT_EQ(client::LaunchString, "");

    struct Case {
        std::vector<std::string> params;
        bool silent;
    };
    const Case cases[] = {
        {{}, false},
        {{"-SILENT"}, true},
        {{"GUIEngine=X", "user=a||AccessRights=Hi"}, true},
        {{"GUIEngine=X", "accessrights=low"}, false},
        {{"GUIEngine=X", "x", "accessrights=hi"}, false},
        {{"GUIEngine=X", "x", "-silent"}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client::SilentParameters(c.params), c.silent) << ::testing::PrintToString(c.params);
}

TEST_F(StartUpTest, CommandLineAndDirectoryEntries)
{
    u3::SetExeNameOverride("/opt/filing client/front");
    EXPECT_EQ(client::ClientDirectory(), "/opt/filing client");
    EXPECT_EQ(client::ClientCommandLine({"GUIEngine=X", "a b", ""}), "\"/opt/filing client/front\" GUIEngine=X \"a b\" ");
    u3::SetExeNameOverride("/front");
    EXPECT_EQ(client::ClientDirectory(), "/");
}

TEST_F(StartUpTest, LocalServerProgramStartsWithAAndStopsWithS)
{
    InstallServer();
    const std::vector<std::string> params;
    client::ReadEngineName(params);
    client::ReadConnectionSettings(params, nullptr);
    ASSERT_TRUE(client::ProgramStarted);
    EXPECT_EQ(client::LocalServerPath, serverPath);
    EXPECT_TRUE(WaitForCalls("/a\n"));
    EXPECT_NE(u3::FindRunningProcess(serverPath), 0);

    ServerWatchClock clock(serverPath);
    client::StopLocalEngine(nullptr);
    EXPECT_TRUE(WaitForCalls("/a\n/s\n"));
    EXPECT_EQ(u3::FindRunningProcess(serverPath), 0);
    // Looked at every tenth of a second, not once per five seconds.
    EXPECT_LE(clock.asked.size(), 250u);
    for (auto asked : clock.asked)
        EXPECT_EQ(asked, 100ms);
}

TEST_F(StartUpTest, AServerThatKeepsRunningIsWaitedForFiveTimesFiveSeconds)
{
    InstallServer();
    dir.write("ignore-stop", "");
    client::ReadEngineName({});
    client::ReadConnectionSettings({}, nullptr);
    ASSERT_TRUE(client::ProgramStarted);
    ASSERT_TRUE(WaitForCalls("/a\n"));

    e3test::FakePollClock clock;
    client::StopLocalEngine(nullptr);
    EXPECT_EQ(clock.sleeps, 250);
    EXPECT_EQ(clock.elapsed, 25000ms);
    EXPECT_TRUE(WaitForCalls("/a\n/s\n"));
}

TEST_F(StartUpTest, NothingStartedMeansNothingStoppedOrAwaited)
{
    InstallServer();
    client::ReadEngineName({"GUIEngine=Billing"});
    client::ReadConnectionSettings({"GUIEngine=Billing"}, nullptr);
    EXPECT_FALSE(client::ProgramStarted);
    e3test::FakePollClock clock;
    client::StopLocalEngine(nullptr);
    EXPECT_EQ(clock.sleeps, 0);
    EXPECT_EQ(Calls(), "");
    EXPECT_EQ(client::AddLocalEngineEndStep(nullptr), -1);
}

TEST_F(StartUpTest, ARunningServerIsNeitherStartedNorStopped)
{
    InstallServer();
    client::ReadEngineName({});
    client::ReadConnectionSettings({}, nullptr);
    ASSERT_TRUE(client::ProgramStarted);
    // A second client finds the server running: it did not start it.
    client::ReadConnectionSettings({}, nullptr);
    EXPECT_FALSE(client::ProgramStarted);
    client::StopLocalEngine(nullptr);
    EXPECT_TRUE(WaitForCalls("/a\n"));
}

TEST_F(StartUpTest, ALostLinkStillStopsTheServer)
{
    InstallServer();
    client::ReadEngineName({});
    client::ReadConnectionSettings({}, nullptr);
    ASSERT_TRUE(client::ProgramStarted);
    // The server is up (its process may be seen before its first line runs).
    ASSERT_TRUE(WaitForCalls("/a\n"));
    ASSERT_GE(client::AddLocalEngineEndStep(nullptr), 0);

    struct Ended {
        int code;
    };
    u3::SetProgramExitForTests([](int code) { throw Ended {code}; });
    ServerWatchClock clock(serverPath);
    try {
        u3::EndProgramAfterLostLink("lost");
        ADD_FAILURE() << "the program did not end";
    } catch (const Ended& ended) {
        EXPECT_EQ(ended.code, 1);
    }
    u3::SetProgramExitForTests(nullptr);
    EXPECT_TRUE(WaitForCalls("/a\n/s\n")) << Calls();
    EXPECT_EQ(u3::FindRunningProcess(serverPath), 0);
    EXPECT_EQ(messages.plain, std::vector<std::string> {"lost"});
}

TEST_F(StartUpTest, ServiceFieldStartsAndStopsAService)
{
    const std::string program = InstallServer("gate");
    e3test::FakePollClock clock;
    e3test::FakeServiceManager services;
    const std::vector<std::string> params {"GUIEngine=Billing||SERVICE=" + program};
    client::ReadEngineName(params);
    client::ReadConnectionSettings(params, &services);
    EXPECT_TRUE(client::ServiceStarted);
    EXPECT_FALSE(client::ProgramStarted);
    ASSERT_EQ(services.CountCalls("CreateService"), 1);
    bool dependsOnDatabase = false;
    for (const auto& call : services.calls)
        dependsOnDatabase |= call.rfind("CreateService", 0) == 0 && call.find("deps=FirebirdServerVesk") != std::string::npos;
    EXPECT_TRUE(dependsOnDatabase) << ::testing::PrintToString(services.calls);
    EXPECT_EQ(Calls(), "");

    client::StopLocalEngine(&services);
    EXPECT_EQ(services.CountCalls("Stop "), 1);
}

TEST_F(StartUpTest, ServiceFieldWithoutExecutableStartsNothing)
{
    dir.write("gate.txt", "not a program");
    e3test::FakeServiceManager services;
    for (const std::string& field : {"SERVICE=" + dir.str() + "/gate.txt", std::string("SERVICE=missing.exe")}) {
        const std::vector<std::string> params {"GUIEngine=Billing||" + field};
        client::ReadEngineName(params);
        client::ReadConnectionSettings(params, &services);
        EXPECT_FALSE(client::ServiceStarted) << field;
    }
    EXPECT_TRUE(services.calls.empty()) << ::testing::PrintToString(services.calls);
}

} // namespace
