#include "u3/CommandLine.h"
#include "u3/Files.h"
#include "u3/ProcUtils.h"

#include "support/FakePollClock.h"
#include "support/LogCapture.h"
#include "support/RecordingUserMessages.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string CopyProgram(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all);
    return to.string();
}

std::string WriteScript(const e3test::TempDir& dir, const std::string& relative, const std::string& body)
{
    const std::string path = dir.write(relative, body);
    ::chmod(path.c_str(), 0700);
    return path;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// Real time, for things the kernel does on its own schedule.
template <typename Pred>
bool Eventually(Pred pred, std::chrono::milliseconds limit = 5000ms)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Ends whatever a test started, even when an assertion failed half-way.
struct Reaper {
    std::vector<pid_t> pids;
    ~Reaper()
    {
        for (pid_t pid : pids)
            u3::TerminateProcessExecute(pid, false);
    }
};

class ProcUtilsTest : public ::testing::Test {
protected:
    e3test::TempDir dir;
    e3test::RecordingUserMessages messages;
    Reaper reaper;
};

TEST_F(ProcUtilsTest, FindsACopiedProgramByNameInAnyCaseAndByPath)
{
    const std::string program = CopyProgram("/bin/sleep", dir.path() / "my tools" / "e3sleeper");
    const pid_t pid = u3::StartCommandLine(u3::JoinCommandLine({program, "30"}));
    ASSERT_GT(pid, 0);
    reaper.pids.push_back(pid);

    struct Case {
        std::string query;
        pid_t expected;
    };
    const Case cases[] = {
        {"e3sleeper", pid},
        {"E3Sleeper", pid},
        {"E3SLEEPER.EXE", pid},
        {program, pid},
        {Upper(program), pid},
        {(dir.path() / "my tools" / "." / "e3sleeper").string(), pid},
        {(dir.path() / "e3sleeper").string(), 0},
        {"e3sleepe", 0},
        {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(u3::FindRunningProcess(c.query), c.expected) << c.query;
    EXPECT_EQ(u3::GetProcessExePath(pid), program);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ProcUtilsTest, FindsAScriptByItsPath)
{
    const std::string script = WriteScript(dir, "my tools/run me.sh", "#!/bin/sh\nwhile :; do sleep 0.1; done\n");
    const pid_t pid = u3::StartCommandLine(u3::JoinCommandLine({script}));
    ASSERT_GT(pid, 0);
    reaper.pids.push_back(pid);

    EXPECT_TRUE(Eventually([&] { return u3::FindRunningProcess(script) == pid; }));
    EXPECT_EQ(u3::FindRunningProcess(Upper(script)), pid);
    EXPECT_EQ(u3::GetProcessScriptPath(pid), script);
    EXPECT_EQ(u3::GetProcessScriptPath(::getpid()), "");
}

TEST_F(ProcUtilsTest, AFailedStartShowsTheCommandLineAndReturnsZero)
{
    WriteScript(dir, "garbage", "this is not a program\n");
    const std::string notExecutable = dir.write("plain.txt", "text\n");
    const std::string cases[] = {
        "/nonexistent/e3prog -a",
        u3::JoinCommandLine({(dir.path() / "garbage").string(), "x"}),
        u3::JoinCommandLine({notExecutable}),
        (dir.path()).string(),
        "",
    };
    for (const std::string& commandLine : cases) {
        messages.shown.clear();
        EXPECT_EQ(u3::StartCommandLine(commandLine), 0) << commandLine;
        EXPECT_EQ(messages.shown, std::vector<std::string> {"Cannot start application " + commandLine});
    }

    messages.shown.clear();
    u3::RunCommandLineAndWait("/nonexistent/e3prog");
    EXPECT_EQ(messages.shown, std::vector<std::string> {"Cannot start application /nonexistent/e3prog"});
}

TEST_F(ProcUtilsTest, BareNamesAreFoundBesideTheClientWithOrWithoutExe)
{
    WriteScript(dir, "bin/e3helper", "#!/bin/sh\necho \"$@\" > \"$1\"\n");
    u3::SetExeNameOverride((dir.path() / "bin" / "front").string());
    const std::string marker = (dir.path() / "out put.txt").string();

    u3::RunCommandLineAndWait(u3::JoinCommandLine({"e3helper.exe", marker, "two words"}));
    u3::SetExeNameOverride("");

    // RunCommandLineAndWait returned only after the program had written.
    EXPECT_EQ(e3test::ReadWholeFile(marker), marker + " two words\n");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ProcUtilsTest, TerminateKillsAChildThatIgnoresTerm)
{
    e3test::FakePollClock clock;
    e3test::LogCapture log(dir.path());
    const pid_t pid = u3::StartCommandLine(R"(/bin/sh -c "trap '' TERM; exec sleep 30")");
    ASSERT_GT(pid, 0);
    reaper.pids.push_back(pid);
    // Once sleep runs, TERM is ignored for good.
    ASSERT_TRUE(Eventually([&] { return u3::GetProcessExePath(pid).ends_with("/sleep"); }));

    u3::TerminateProcessExecute(pid, false);

    EXPECT_FALSE(u3::ProcessExists(pid));
    EXPECT_GE(clock.elapsed, u3::kProcessWaitTimeout);
    EXPECT_TRUE(log.Entries().empty());
    // Our child was reaped by its own id.
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
}

TEST_F(ProcUtilsTest, ARememberedIdWithAnotherStartTimeIsNotKilled)
{
    const u3::StartedProcess started = u3::StartCommandLineProcess("sleep 30");
    ASSERT_GT(started.Pid, 0);
    reaper.pids.push_back(started.Pid);
    ASSERT_EQ(u3::ReadProcessStartTime(started.Pid), started.StartTime);

    u3::TerminateProcessExecute(u3::StartedProcess {started.Pid, started.StartTime + 1}, false);
    EXPECT_TRUE(u3::ProcessExists(started.Pid));

    u3::TerminateProcessExecute(started, false);
    EXPECT_FALSE(u3::ProcessExists(started.Pid));
    EXPECT_EQ(u3::ReadProcessStartTime(started.Pid), 0u);
}

TEST_F(ProcUtilsTest, AZombieCountsAsGone)
{
    // A child of somebody else's: left unreaped, it is a zombie and not ours to reap.
    const pid_t foreign = ::fork();
    ASSERT_GE(foreign, 0);
    if (foreign == 0)
        ::_exit(0);
    siginfo_t info {};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(foreign), &info, WEXITED | WNOWAIT), 0);
    EXPECT_FALSE(u3::ProcessExists(foreign));
    EXPECT_EQ(u3::ReadProcessStartTime(foreign), 0u);
    EXPECT_EQ(::waitpid(foreign, nullptr, 0), foreign);

    // Our own child that ended is reaped as soon as somebody asks.
    const pid_t own = u3::StartCommandLine("true");
    ASSERT_GT(own, 0);
    EXPECT_TRUE(Eventually([&] { return !u3::ProcessExists(own); }));
    EXPECT_EQ(::waitpid(own, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(ProcUtilsTest, StartProcessHidden)
{
    const std::string sleeper = CopyProgram("/bin/sleep", dir.path() / "bin" / "e3hidden");
    const std::string quitter = CopyProgram("/bin/true", dir.path() / "bin" / "e3quitter");

    ASSERT_TRUE(u3::StartProcessHidden(sleeper, "30", false));
    const pid_t pid = u3::FindRunningProcess(sleeper);
    ASSERT_GT(pid, 0);
    reaper.pids.push_back(pid);

    {
        e3test::FakePollClock clock;
        // Running already: no second copy, no waiting.
        EXPECT_FALSE(u3::StartProcessHidden(sleeper, "30", true));
        EXPECT_EQ(clock.sleeps, 0);
    }
    u3::ProcessList list;
    ASSERT_TRUE(u3::GetProcessList(list, false));
    // Only this test's copy counts: other runs on the machine may have theirs.
    EXPECT_EQ(std::count_if(list.begin(), list.end(),
                            [&](const u3::ListEntry& e) {
                                return e.Text == "e3hidden" &&
                                       u3::GetProcessExePath(static_cast<pid_t>(e.Object)) == sleeper;
                            }),
              1);

    const std::string missing = (dir.path() / "bin" / "e3missing").string();
    EXPECT_FALSE(u3::StartProcessHidden(missing, "", false));
    try {
        u3::StartProcessHidden(missing, "", true);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "The error occurred while trying to start " + missing);
    }
    EXPECT_TRUE(messages.shown.empty());

    // A program that ends at once is usually gone by the first look; whenever
    // it is missed, the whole wait runs out before giving up. A loaded machine
    // may catch it alive every time, which proves nothing either way.
    bool missed = false;
    for (int attempt = 0; attempt < 200 && !missed; ++attempt) {
        // The copy an earlier attempt caught alive may still be ending; a copy
        // found running would make the start refuse at once, without a wait.
        for (int i = 0; i < 500 && u3::FindRunningProcess(quitter) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        e3test::FakePollClock clock;
        missed = !u3::StartProcessHidden(quitter, "", false);
        if (missed) {
            EXPECT_GE(clock.elapsed, u3::kProcessWaitTimeout);
        }
    }
    if (!missed)
        GTEST_SKIP() << "the quitting program was caught alive on every try; its wait was not exercised";
}

TEST_F(ProcUtilsTest, ListsByNameByIdAndModules)
{
    const std::string self = u3::GetProcessExePath(::getpid());
    ASSERT_FALSE(self.empty());

    u3::ProcessList byName;
    ASSERT_TRUE(u3::GetProcessList(byName, false));
    EXPECT_NE(std::find(byName.begin(), byName.end(), u3::ListEntry {fs::path(self).filename().string(), ::getpid()}),
              byName.end());

    u3::ProcessList byId;
    ASSERT_TRUE(u3::GetProcessList(byId, true));
    EXPECT_NE(std::find(byId.begin(), byId.end(), u3::ListEntry {std::to_string(::getpid()), ::getppid()}), byId.end());

    u3::ProcessList paths;
    ASSERT_TRUE(u3::GetProcessPathList(paths));
    EXPECT_NE(std::find(paths.begin(), paths.end(), u3::ListEntry {self, ::getpid()}), paths.end());

    u3::ProcessList modules;
    ASSERT_TRUE(u3::GetProcessModuleList(::getpid(), modules));
    auto program = std::find_if(modules.begin(), modules.end(), [&](const u3::ListEntry& e) { return e.Text == self; });
    ASSERT_NE(program, modules.end());
    // The lowest address among the program's mappings: where its code is.
    const auto here = reinterpret_cast<std::uintptr_t>(&u3::FindRunningProcess);
    EXPECT_LE(static_cast<std::uintptr_t>(program->Object), here);
    EXPECT_EQ(std::count_if(modules.begin(), modules.end(), [&](const u3::ListEntry& e) { return e.Text == self; }), 1);

    EXPECT_THROW(u3::GetProcessModuleList(-5, modules), std::runtime_error);
}

TEST(ProcUtilsErrorText, NamesTheSystemTextOrTheCode)
{
    errno = ENOENT;
    EXPECT_EQ(u3::GetLastErrorText(), "No such file or directory");
    errno = 99999;
    EXPECT_EQ(u3::GetLastErrorText(), "Error code 99999");
    EXPECT_EQ(u3::GetErrorText(-3), "Error code -3");
}

} // namespace
