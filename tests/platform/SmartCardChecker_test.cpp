#include "platform/SmartCardChecker.h"

#include "support/FakePollClock.h"
#include "support/RecordingUserMessages.h"
#include "support/RunAsUnprivileged.h"
#include "support/TempDir.h"

#include "u3/CommandLine.h"
#include "u3/ProcUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kStandInDir = std::string(E3_BUILD_DIR) + "/tools/scard-standin";
const std::string kStandIn = kStandInDir + "/SCard";

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 15s)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Live children of this test running the given program.
std::vector<pid_t> ChildrenRunning(const std::string& program)
{
    std::vector<pid_t> found;
    u3::ProcessList list;
    u3::GetProcessList(list, true);
    for (const auto& entry : list) {
        const pid_t pid = static_cast<pid_t>(std::stol(entry.Text));
        if (entry.Object == ::getpid() && u3::GetProcessExePath(pid) == program)
            found.push_back(pid);
    }
    return found;
}

// Every test gets its own socket folder, so that tests running side by side
// (and checkers of other runs) never meet.
class SmartCardCheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntimeDir_ = old;
        ::setenv("XDG_RUNTIME_DIR", runtime_.str().c_str(), 1);
        oldTimeouts_ = platform::GetSmartCardCheckerTimeouts();
    }
    void TearDown() override
    {
        platform::CloseSmartCardChecker();
        for (pid_t pid : ChildrenRunning(kStandIn))
            u3::TerminateProcessExecute(pid, false);
        platform::SetSmartCardCheckerTimeouts(oldTimeouts_);
        if (oldRuntimeDir_)
            ::setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }

    // Starts the stand-in with options and waits until it answers.
    ::testing::AssertionResult StartStandIn(std::vector<std::string> options)
    {
        options.insert(options.begin(), kStandIn);
        if (u3::StartCommandLine(u3::JoinCommandLine(options)) == 0)
            return ::testing::AssertionFailure() << "could not start " << kStandIn;
        if (!WaitFor(platform::SmartCardCheckerRunning))
            return ::testing::AssertionFailure() << "the stand-in never answered";
        return ::testing::AssertionSuccess();
    }

    e3test::TempDir runtime_;
    e3test::TempDir work_;

private:
    std::optional<std::string> oldRuntimeDir_;
    platform::SmartCardCheckerTimeouts oldTimeouts_;
};

// A socket file left behind by a checker that ended must read as no checker.
void LeaveStaleSocket()
{
    const std::string path = platform::SmartCardCheckerSocketPath();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
}

TEST_F(SmartCardCheckerTest, WithoutCheckerTheListIsAskedFiveTimes100msApartAndSigningFiveTimes500msApart)
{
    for (const bool stale : {false, true}) {
        SCOPED_TRACE(stale ? "stale socket file" : "no socket file");
        if (stale)
            LeaveStaleSocket();
        EXPECT_FALSE(platform::SmartCardCheckerRunning());

        {
            e3test::FakePollClock clock;
            EXPECT_EQ(platform::GetSmartCardCertList(), "");
            EXPECT_EQ(clock.sleeps, 5);
            EXPECT_EQ(clock.elapsed, 500ms);
        }
        {
            e3test::FakePollClock clock;
            const std::string input = work_.write("in.xml", "<a/>");
            EXPECT_FALSE(platform::SignFileWithSmartCard(input, work_.str() + "/out"));
            EXPECT_EQ(clock.sleeps, 5);
            EXPECT_EQ(clock.elapsed, 2500ms);
            EXPECT_FALSE(std::filesystem::exists(work_.str() + "/out"));
        }

        platform::CloseSmartCardChecker(); // nothing to close: must simply return
    }
}

TEST_F(SmartCardCheckerTest, ListIsReadWholeAndTrimmedOfBlanks)
{
    std::string longList;
    for (int i = 0; longList.size() <= 2000; ++i)
        longList += (i ? "<|>" : "") + std::to_string(i) + "||64||CN=Holder " + std::to_string(i) + "||CN=CA";
    const std::string file = work_.write("long.txt", " \r\n" + longList + "\t \n");

    struct Case {
        const char* name;
        std::vector<std::string> options;
        std::string expected;
    };
    const std::vector<Case> cases {
        {"short list with blanks", {"--list", "  0||128||CN=A||CN=B \n"}, "0||128||CN=A||CN=B"},
        {"list beyond 511 characters", {"--list-file", file}, longList},
        {"blanks inside kept", {"--list", "0||128||CN=A B||CN=C<|>1||64||CN=D||CN=E"},
         "0||128||CN=A B||CN=C<|>1||64||CN=D||CN=E"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(StartStandIn(c.options));
        EXPECT_EQ(platform::GetSmartCardCertList(), c.expected);
        platform::CloseSmartCardChecker();
        ASSERT_TRUE(WaitFor([] { return !platform::SmartCardCheckerRunning(); }));
    }
}

TEST_F(SmartCardCheckerTest, GeneratedLongListArrivesWhole)
{
    ASSERT_TRUE(StartStandIn({"--long-list", "100000"}));
    const std::string list = platform::GetSmartCardCertList();
    EXPECT_GE(list.size(), 100000u);
    // The last entry is complete: the text was not cut anywhere.
    const std::string last = list.substr(list.rfind("<|>") + 3);
    EXPECT_EQ(last.substr(last.size() - 9), "O=Example") << last;
}

TEST_F(SmartCardCheckerTest, SigningWritesTheOutputAndReportsTheCheckersAnswer)
{
    ASSERT_TRUE(StartStandIn({}));
    const std::string input = work_.write("filing.xml", "hello");
    struct Case {
        const char* name;
        std::string request;
        bool expected;
        std::string output; // the file the request names, empty when none
    };
    const std::vector<Case> cases {
        {"signed", input + ";" + work_.str() + "/sig1", true, work_.str() + "/sig1"},
        {"missing input", work_.str() + "/absent.xml;" + work_.str() + "/sig2", false, work_.str() + "/sig2"},
        {"no separator", input, false, ""},
        {"unwritable output", input + ";" + work_.str() + "/no/such/folder/sig", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::SendToSmartCardChecker(c.request), c.expected);
        if (!c.output.empty()) {
            EXPECT_EQ(std::filesystem::exists(c.output), c.expected);
        }
    }
    EXPECT_EQ(e3test::ReadWholeFile(work_.str() + "/sig1"), "aaf4c61ddcc5e8a2dabede0f3b482cd9aea9434d");

    EXPECT_TRUE(platform::SignFileWithSmartCard(input, work_.str() + "/sig3"));
    EXPECT_EQ(e3test::ReadWholeFile(work_.str() + "/sig3"), "aaf4c61ddcc5e8a2dabede0f3b482cd9aea9434d");
}

TEST_F(SmartCardCheckerTest, ASlowCheckerIsWaitedForOnlyUntilTheReplyTimeOut)
{
    ASSERT_TRUE(StartStandIn({"--list", "0||128||CN=Slow||CN=CA", "--delay-ms", "700"}));
    EXPECT_EQ(platform::GetSmartCardCertList(), "0||128||CN=Slow||CN=CA");

    platform::SetSmartCardCheckerTimeouts({150ms, 150ms});
    {
        // Each try waits for the reply until the time-out, then the next one.
        e3test::FakePollClock clock;
        EXPECT_EQ(platform::GetSmartCardCertList(), "");
        EXPECT_EQ(clock.sleeps, 5);
    }
    {
        // One request only: no further attempts after the checker was found.
        e3test::FakePollClock clock;
        const std::string input = work_.write("in.xml", "x");
        EXPECT_FALSE(platform::SignFileWithSmartCard(input, work_.str() + "/out"));
        EXPECT_EQ(clock.sleeps, 0);
    }
}

TEST_F(SmartCardCheckerTest, StartCloseAndRestartFromTheProgramFolder)
{
    platform::StartSmartCardChecker(work_.str()); // no checker there: nothing starts
    EXPECT_TRUE(ChildrenRunning(kStandIn).empty());

    platform::StartSmartCardChecker(kStandInDir + "/");
    ASSERT_TRUE(WaitFor(platform::SmartCardCheckerRunning));
    const auto first = ChildrenRunning(kStandIn);
    ASSERT_EQ(first.size(), 1u);

    platform::RestartSmartCardChecker(kStandInDir);
    // The restart looks for the old checker before it starts the new one; the
    // old process itself may take a moment longer to go.
    ASSERT_TRUE(WaitFor(platform::SmartCardCheckerRunning));
    EXPECT_TRUE(WaitFor([&] { return !u3::ProcessExists(first[0]); }));
    std::vector<pid_t> second;
    EXPECT_TRUE(WaitFor([&] {
        second = ChildrenRunning(kStandIn);
        return second.size() == 1;
    }));
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(second[0], first[0]);
    EXPECT_NE(platform::GetSmartCardCertList(), "");

    platform::CloseSmartCardChecker();
    EXPECT_TRUE(WaitFor([] { return ChildrenRunning(kStandIn).empty(); }));
    EXPECT_FALSE(platform::SmartCardCheckerRunning());
}

TEST_F(SmartCardCheckerTest, ACheckerFileThatCannotRunIsReportedWithItsCommandLine)
{
    const std::string program = work_.write("SCard", "not a program\n");
    e3test::RecordingUserMessages messages;
    platform::StartSmartCardChecker(work_.str());
    EXPECT_EQ(messages.shown, std::vector<std::string> {"Cannot start application " + u3::JoinCommandLine({program})});
}

TEST_F(SmartCardCheckerTest, ACheckerOfAnotherUserIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a peer as another user";
    e3test::GiveToUnprivileged(runtime_.str());
    const std::string path = platform::SmartCardCheckerSocketPath();

    // The impostor serves one connection: 1 when it was asked for the list.
    int impostor = -1;
    std::thread server([&] {
        impostor = e3test::RunAsUnprivileged([&] {
            const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr {};
            addr.sun_family = AF_UNIX;
            std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
            if (::bind(listener, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0
                || ::listen(listener, 8) != 0)
                return 10;
            pollfd p {listener, POLLIN, 0};
            if (::poll(&p, 1, 20000) != 1)
                return 11;
            const int fd = ::accept(listener, nullptr, nullptr);
            const auto request = platform::ReadScardFrame(fd, Clock::now() + 5s);
            if (!request)
                return 0;
            platform::WriteScardFrame(fd, {platform::kScardListMessage, 0, "0||128||CN=Impostor||CN=CA"},
                                      Clock::now() + 5s);
            return 1;
        });
    });
    const bool listening = WaitFor([&] { return std::filesystem::exists(path); });
    EXPECT_TRUE(listening);
    EXPECT_FALSE(platform::SmartCardCheckerRunning());
    EXPECT_EQ(platform::GetSmartCardCertList(), "");
    server.join();
    EXPECT_EQ(impostor, 0);
}

} // namespace
