#include "platform/SystemdServiceManager.h"
#include "u3/ServUtils.h"
#include "u3/SystemdUnit.h"

#include "support/FakePollClock.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

const std::string kGatePath = "/srv/my app/gate$ 100%";

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::string text = e3test::ReadWholeFile(path);
    size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

TEST(SystemdUnitTest, TextMatchesTheGoldenFile)
{
    const u3::ServiceConfig config {2, kGatePath, "V-ARKOSTEN gate Server", {"db", "net", "bad name"}};
    EXPECT_EQ(u3::SystemdUnitText(config, true), e3test::ReadWholeFile(E3_TEST_DATA_DIR "/gate.service"));
}

TEST(SystemdUnitTest, ReadsBackWhatItWrites)
{
    const u3::ServiceConfig cases[] = {
        {2, kGatePath, "V-ARKOSTEN gate Server", {"db", "net"}},
        {3, "/opt/x/srv", "On demand 50%", {}},
        {4, "/opt/\"quoted\"\\back\tslash", "Disabled", {"a"}},
    };
    for (const auto& config : cases) {
        for (bool restart : {false, true}) {
            u3::ServiceConfig parsed;
            bool restartParsed = !restart;
            ASSERT_TRUE(u3::ParseSystemdUnit(u3::SystemdUnitText(config, restart), parsed, restartParsed));
            EXPECT_EQ(parsed, config) << config.ProgramPath;
            EXPECT_EQ(restartParsed, restart);
        }
    }
    const std::string disabled = u3::SystemdUnitText(cases[2], false);
    EXPECT_NE(disabled.find("RefuseManualStart=yes"), std::string::npos);
    EXPECT_EQ(disabled.find("[Install]"), std::string::npos);
    EXPECT_EQ(disabled.find("Requires"), std::string::npos);
}

// Runs the service logic against a stand-in systemctl that records its
// arguments and keeps the unit's state in a file.
class SystemdManagerTest : public ::testing::Test {
protected:
    SystemdManagerTest()
    {
        const std::string script = dir.write("bin/systemctl",
            "#!/bin/sh\n"
            "d='" + dir.str() + "'\n"
            "printf '%s\\n' \"$*\" >> \"$d/calls\"\n"
            "case \"$2\" in\n"
            "  is-system-running) cat \"$d/manager\" 2>/dev/null || echo running ;;\n"
            "  show) case \"$*\" in\n"
            "      *LoadState*) echo not-found ;;\n"
            "      *) echo \"ActiveState=$(cat \"$d/state\" 2>/dev/null || echo inactive)\"\n"
            "         echo SubState=dead; echo UnitFileState=disabled ;;\n"
            "    esac ;;\n"
            "  start) echo active > \"$d/state\" ;;\n"
            "  stop) echo inactive > \"$d/state\" ;;\n"
            "esac\n");
        ::chmod(script.c_str(), 0700);
        systemctl = script;
    }

    Lines Calls() const { return ReadLines((dir.path() / "calls").string()); }

    e3test::TempDir dir;
    e3test::LogCapture log {dir.path()};
    e3test::FakePollClock clock {std::chrono::microseconds(0)};
    std::string systemctl;
    std::string units = (dir.path() / "config" / "systemd" / "user").string();
};

TEST_F(SystemdManagerTest, InstallsStartsAndStopsAUnit)
{
    platform::SystemdServiceManager manager(units, systemctl);
    ASSERT_TRUE(u3::StartService(manager, "gate", "V-ARKOSTEN gate Server", kGatePath, 2, true, {"db", "net"}));
    EXPECT_EQ(e3test::ReadWholeFile(units + "/gate.service"), e3test::ReadWholeFile(E3_TEST_DATA_DIR "/gate.service"));
    EXPECT_EQ(Calls(), (Lines {
        "--user is-system-running",
        "--user show -p LoadState --value gate.service",
        "--user daemon-reload",
        "--user enable gate.service",
        "--user daemon-reload",
        "--user show -p ActiveState,SubState,UnitFileState gate.service",
        "--user start --no-block gate.service",
        "--user show -p ActiveState,SubState,UnitFileState gate.service",
    }));
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 2);

    // On demand from now on: rewritten and disabled, failure actions kept; it
    // runs already, so it is not started again.
    fs::remove(dir.path() / "calls");
    EXPECT_FALSE(u3::StartService(manager, "gate", "ignored", kGatePath, 3, false, {}));
    const std::string unit = e3test::ReadWholeFile(units + "/gate.service");
    EXPECT_NE(unit.find("Restart=on-failure"), std::string::npos);
    EXPECT_NE(unit.find("Description=V-ARKOSTEN gate Server"), std::string::npos);
    EXPECT_EQ(unit.find("WantedBy"), std::string::npos);
    EXPECT_EQ(Calls(), (Lines {"--user is-system-running", "--user daemon-reload", "--user disable gate.service",
                       "--user show -p ActiveState,SubState,UnitFileState gate.service"}));
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 3);

    fs::remove(dir.path() / "calls");
    u3::StopService(manager, "gate");
    EXPECT_EQ(Calls(), (Lines {
        "--user is-system-running",
        "--user stop --no-block gate.service",
        "--user show -p ActiveState,SubState,UnitFileState gate.service",
    }));
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(SystemdManagerTest, RefusesUnsafeNamesAndReportsAMissingManager)
{
    platform::SystemdServiceManager manager(units, systemctl);
    EXPECT_FALSE(u3::StartService(manager, "../evil", "x", "/bin/true", 3, false, {}));
    EXPECT_FALSE(fs::exists(dir.path() / "config" / "systemd" / "evil.service"));
    EXPECT_EQ(log.Entries(), Lines {"L1 An error occured in StartService. ServiceName ../evil. Message: Service "
                                    "opening: Invalid service name: ../evil"});

    dir.write("manager", "offline\n");
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 3);
    EXPECT_EQ(log.Entries().back(),
              "L1 An error occured in GetServiceStartType. Message: Can't connect to the service control manager.");

    platform::SystemdServiceManager absent(units, (dir.path() / "no-such-systemctl").string());
    std::string error;
    EXPECT_FALSE(absent.Connect(error));
    EXPECT_FALSE(error.empty());
}

TEST(SystemdLiveTest, RunsAUnitUnderTheUserManager)
{
    QProcess probe;
    probe.start(QStringLiteral("systemctl"), {QStringLiteral("--user"), QStringLiteral("is-system-running")});
    probe.waitForFinished(10000);
    const std::string state = probe.readAllStandardOutput().trimmed().toStdString();
    if (state != "running" && state != "degraded")
        GTEST_SKIP() << "no systemd user manager here (state \"" << state << "\")";

    const std::string name = "e3test-" + std::to_string(::getpid());
    platform::SystemdServiceManager manager;
    ASSERT_TRUE(u3::StartService(manager, name, "e3 live test", "/bin/sleep", 3, false, {}));
    u3::StopService(manager, name);
    u3::ServiceState status = u3::ServiceState::Running;
    std::string error;
    EXPECT_TRUE(manager.QueryStatus(name, status, error)) << error;
    EXPECT_EQ(status, u3::ServiceState::Stopped);
    fs::remove(manager.UnitFilePath(name));
    QProcess::execute(QStringLiteral("systemctl"), {QStringLiteral("--user"), QStringLiteral("daemon-reload")});
}

} // namespace
