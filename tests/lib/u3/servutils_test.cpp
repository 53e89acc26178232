#include "u3/ServUtils.h"

#include "support/FakePollClock.h"
#include "support/FakeServiceManager.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using e3test::FakeServiceManager;
using u3::ServiceConfig;
using u3::ServiceState;
using Lines = std::vector<std::string>;

namespace {

const std::string kMissing = "The specified service does not exist as an installed service.";

class ServUtilsTest : public ::testing::Test {
protected:
    bool StartGate(int startType, bool failureActions = false)
    {
        return u3::StartService(manager, "gate", "Gate Server", "/srv/App/bin/gate", startType, failureActions,
                                {"db", "net"});
    }

    e3test::TempDir dir;
    e3test::LogCapture log {dir.path()};
    e3test::FakePollClock clock {std::chrono::microseconds(0)};
    FakeServiceManager manager;
};

TEST_F(ServUtilsTest, AMissingServiceIsCreatedOnDemandAndStarted)
{
    const int startType = u3::GetServiceStartType(manager, "gate");
    EXPECT_EQ(startType, 3);
    manager.calls.clear();

    manager.stateAfterStart = ServiceState::StartPending;
    manager.upcoming = {ServiceState::Stopped, ServiceState::StartPending, ServiceState::StartPending,
                        ServiceState::Running};
    EXPECT_TRUE(StartGate(startType));

    EXPECT_EQ(manager.calls, (Lines {
        "Connect",
        "OpenService gate",
        "CreateService gate type=3 path=/srv/App/bin/gate display=Gate Server deps=db,net",
        "QueryStatus gate",
        "Start gate",
        "QueryStatus gate",
        "QueryStatus gate",
        "QueryStatus gate",
    }));
    EXPECT_EQ(clock.sleeps, 2);
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(ServUtilsTest, ARunningServiceIsLeftAloneWithoutALogEntry)
{
    manager.installed = ServiceConfig {3, "/srv/App/bin/gate", "Gate Server", {}};
    manager.state = ServiceState::Running;

    EXPECT_FALSE(StartGate(3));
    EXPECT_EQ(manager.CountCalls("Start"), 0);
    EXPECT_EQ(manager.CountCalls("ChangeConfig"), 0);
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(ServUtilsTest, ReconfiguresOnlyForAnotherStartTypeOrAnotherPath)
{
    struct Case {
        ServiceConfig installed;
        bool changes;
    };
    const Case cases[] = {
        {{3, "/SRV/app/BIN/Gate", "Old Name", {}}, false},
        {{2, "/srv/App/bin/gate", "Old Name", {}}, true},
        {{3, "/srv/App/bin/gate2", "Old Name", {}}, true},
    };
    for (const Case& c : cases) {
        manager = FakeServiceManager();
        manager.installed = c.installed;
        EXPECT_TRUE(StartGate(3)) << c.installed.ProgramPath;
        if (c.changes) {
            // The installation keeps its display name.
            EXPECT_EQ(manager.CountCalls("ChangeConfig gate type=3 path=/srv/App/bin/gate display=Old Name deps=db,net"),
                      1);
        } else {
            EXPECT_EQ(manager.CountCalls("ChangeConfig"), 0);
        }
    }
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(ServUtilsTest, StartTypeMinusOneOnlyStartsWhatExists)
{
    EXPECT_FALSE(StartGate(-1));
    EXPECT_EQ(log.Entries(), Lines {"L1 An error occured in StartService. ServiceName gate. Message: Service opening: "
                                    + kMissing});
    EXPECT_EQ(manager.CountCalls("CreateService"), 0);

    manager = FakeServiceManager();
    manager.installed = ServiceConfig {4, "/other/path", "Other", {}};
    EXPECT_TRUE(StartGate(-1));
    EXPECT_EQ(manager.CountCalls("QueryConfig"), 0);
    EXPECT_EQ(manager.CountCalls("ChangeConfig"), 0);
    EXPECT_EQ(manager.CountCalls("Start gate"), 1);
}

TEST_F(ServUtilsTest, ADisabledServiceIsNotStarted)
{
    manager.installed = ServiceConfig {4, "/srv/App/bin/gate", "Gate Server", {}};
    EXPECT_FALSE(StartGate(4));
    EXPECT_EQ(manager.CountCalls("Start"), 0);
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(ServUtilsTest, AServiceStuckStartingIsGivenUpAfterTheTimeout)
{
    manager.stateAfterStart = ServiceState::StartPending;
    EXPECT_FALSE(StartGate(3));
    EXPECT_EQ(log.Entries(), Lines {"L1 An error occured in StartService. ServiceName gate. Message: Can't start "
                                    "service gate. This service didsn't return any error."});
    EXPECT_GE(clock.elapsed, u3::kServiceWaitTimeout);
    EXPECT_LT(clock.elapsed, u3::kServiceWaitTimeout + u3::kPollInterval);

    // A start that ends in the stopped state is as much a failure.
    manager = FakeServiceManager();
    manager.stateAfterStart = ServiceState::Stopped;
    EXPECT_FALSE(StartGate(3));
    EXPECT_EQ(log.Entries().size(), 2u);
}

TEST_F(ServUtilsTest, EachFailingStepIsLoggedWithItsText)
{
    struct Case {
        const char* operation;
        bool installed;
        const char* message;
    };
    const Case cases[] = {
        {"Connect", false, "Can't connect to the service control manager."},
        {"OpenService", true, "Service opening: boom"},
        {"CreateService", false, "Can't create service: boom"},
        {"QueryConfig", true, "Request service configuration: boom"},
        {"ChangeConfig", true, "Changing service configuration: boom"},
        {"QueryStatus", true, "Status service request: boom"},
        {"Start", true, "Service starting: boom"},
    };
    for (const Case& c : cases) {
        e3test::TempDir scratch;
        e3test::LogCapture caseLog(scratch.path());
        manager = FakeServiceManager();
        if (c.installed)
            manager.installed = ServiceConfig {2, "/srv/App/bin/gate", "Gate Server", {}};
        manager.failures[c.operation] = "boom";
        EXPECT_FALSE(StartGate(3)) << c.operation;
        EXPECT_EQ(caseLog.Entries(),
                  Lines {std::string("L1 An error occured in StartService. ServiceName gate. Message: ") + c.message});
    }
}

TEST_F(ServUtilsTest, AFailureToSetFailureActionsIsLoggedAndTheStartGoesOn)
{
    EXPECT_TRUE(StartGate(3, true));
    EXPECT_EQ(manager.CountCalls("SetFailureActions gate"), 1);
    EXPECT_TRUE(log.Entries().empty());

    manager = FakeServiceManager();
    manager.failures["SetFailureActions"] = "Access is denied.";
    EXPECT_TRUE(StartGate(3, true));
    EXPECT_EQ(log.Entries(),
              Lines {"L1 The error is occurred while trying to set errorprocessing service action gate: Access is denied."});

    manager = FakeServiceManager();
    EXPECT_TRUE(StartGate(3, false));
    EXPECT_EQ(manager.CountCalls("SetFailureActions"), 0);
}

TEST_F(ServUtilsTest, StopWaitsUntilStopped)
{
    manager.installed = ServiceConfig {3, "/srv/App/bin/gate", "Gate Server", {}};
    manager.state = ServiceState::Running;
    manager.stateAfterStop = ServiceState::StopPending;
    manager.upcoming = {ServiceState::StopPending, ServiceState::StopPending, ServiceState::Stopped};

    u3::StopService(manager, "gate");

    EXPECT_EQ(manager.calls, (Lines {"Connect", "OpenService gate", "Stop gate", "QueryStatus gate", "QueryStatus gate",
                                     "QueryStatus gate"}));
    EXPECT_EQ(clock.elapsed, 2 * u3::kPollInterval + std::chrono::milliseconds(100));
    EXPECT_TRUE(log.Entries().empty());
}

TEST_F(ServUtilsTest, StopOutcomes)
{
    // Missing: nothing after the attempt to open it, and nothing logged.
    u3::StopService(manager, "gate");
    EXPECT_EQ(manager.calls, (Lines {"Connect", "OpenService gate"}));

    // Never stops: gives up after the timeout, without a log entry.
    manager = FakeServiceManager();
    manager.installed = ServiceConfig {};
    manager.stateAfterStop = ServiceState::StopPending;
    u3::StopService(manager, "gate");
    EXPECT_GE(clock.elapsed, u3::kServiceWaitTimeout);
    EXPECT_LT(clock.elapsed, u3::kServiceWaitTimeout + u3::kPollInterval + std::chrono::milliseconds(100));
    EXPECT_TRUE(log.Entries().empty());

    // A status query failing while waiting is logged with its text.
    manager = FakeServiceManager();
    manager.installed = ServiceConfig {};
    manager.failures["QueryStatus"] = "The handle is invalid.";
    u3::StopService(manager, "gate");
    EXPECT_EQ(log.Entries(), Lines {"L1 An error occured in StopService. Message: The handle is invalid."});
}

TEST_F(ServUtilsTest, StartTypeOfTheInstalledService)
{
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 3);
    EXPECT_TRUE(log.Entries().empty());

    manager.installed = ServiceConfig {2, "/srv/App/bin/gate", "Gate Server", {}};
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 2);
    manager.installed->StartType = 4;
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 4);

    manager.failures["QueryConfig"] = "Access is denied.";
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 3);
    manager.failures = {{"Connect", "no bus"}};
    EXPECT_EQ(u3::GetServiceStartType(manager, "gate"), 3);
    EXPECT_EQ(log.Entries(), (Lines {"L1 An error occured in GetServiceStartType. Message: Access is denied.",
                                     "L1 An error occured in GetServiceStartType. Message: Can't connect to the "
                                     "service control manager."}));
}

} // namespace
