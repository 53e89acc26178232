#include "u3/Logger.h"

#include "u3/Files.h"

#include "support/RunAsUnprivileged.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <regex>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitLines(const std::string& text)
{
    // Every entry ends with CR LF; anything after the last one is a torn line.
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start != text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// The program pretends to live in a scratch folder, so its log goes there.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = tmp.str() + "/bin/front.exe";
        fs::create_directory(tmp.path() / "bin");
        u3::SetExeNameOverride(program);
        logFile = tmp.str() + "/bin/front_ext.log";
    }
    void TearDown() override { u3::SetExeNameOverride(""); }

    e3test::TempDir tmp;
    std::string program, logFile;
};

const std::regex kLine(R"((\d{2})-(\d{2})-(\d{4}) (\d{2}):(\d{2}):(\d{2})\.(\d{3}) L(\d+) (.*) )");

} // namespace

TEST_F(LoggerTest, LineFormatAndLocalTime)
{
    u3::TApplicationLogger logger(0);
    EXPECT_EQ(logger.MaxLevel, 2);
    EXPECT_EQ(logger.FileName, logFile);

    // The logger's clock, not time(), which may read a coarser clock a tick behind.
    using std::chrono::system_clock;
    const std::time_t before = system_clock::to_time_t(system_clock::now());
    logger.Log(1, "An error occured in StopService. Message: access denied");
    const std::time_t after = system_clock::to_time_t(system_clock::now());

    const std::string text = e3test::ReadWholeFile(logFile);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 3), " \r\n");
    const auto lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, kLine)) << lines[0];
    EXPECT_EQ(m[8], "1");
    EXPECT_EQ(m[9], "An error occured in StopService. Message: access denied");

    std::tm stamp {};
    stamp.tm_mday = std::stoi(m[1]);
    stamp.tm_mon = std::stoi(m[2]) - 1;
    stamp.tm_year = std::stoi(m[3]) - 1900;
    stamp.tm_hour = std::stoi(m[4]);
    stamp.tm_min = std::stoi(m[5]);
    stamp.tm_sec = std::stoi(m[6]);
    stamp.tm_isdst = -1;
    const std::time_t written = std::mktime(&stamp);
    EXPECT_GE(written, before);
    EXPECT_LE(written, after);
}

TEST_F(LoggerTest, LevelsAboveMaxLevelAreDropped)
{
    ASSERT_FALSE(fs::exists(logFile));
    u3::TApplicationLogger logger(0);
    logger.Log(2, "second level");
    logger.Log(3, "third level");
    logger.Log(1, "first level");
    const auto lines = SplitLines(e3test::ReadWholeFile(logFile));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(".* L2 second level ")));
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(".* L1 first level ")));

    // A logger made without a file writes nowhere.
    u3::TApplicationLogger silent(1);
    EXPECT_EQ(silent.MaxLevel, 1);
    EXPECT_EQ(silent.FileName, "");
    silent.Log(1, "nowhere");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path() / "bin"), fs::directory_iterator()), 1);
}

TEST_F(LoggerTest, LevelTenRaisesWithoutWriting)
{
    u3::TApplicationLogger logger(0);
    try {
        logger.Log(10, "stop here");
        ADD_FAILURE() << "level 10 did not raise";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "stop here");
    }
    EXPECT_FALSE(fs::exists(logFile));
}

TEST_F(LoggerTest, TwoThreadsWriteOnlyWholeLines)
{
    u3::TApplicationLogger logger(0);
    constexpr int kEach = 1500;
    auto writer = [&logger](char who) {
        for (int i = 0; i < kEach; ++i)
            // Lengths vary, so that a torn or mixed line cannot look whole.
            logger.Log(1, std::string(1, who) + std::to_string(i) + std::string(static_cast<size_t>(i % 97), who));
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();

    const auto lines = SplitLines(e3test::ReadWholeFile(logFile));
    ASSERT_EQ(lines.size(), 2u * kEach);
    int next[2] = {0, 0};
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, kLine)) << line;
        const std::string msg = m[9];
        const int who = msg[0] - 'a';
        ASSERT_TRUE(who == 0 || who == 1) << line;
        const int i = next[who]++;
        EXPECT_EQ(msg, std::string(1, msg[0]) + std::to_string(i) + std::string(static_cast<size_t>(i % 97), msg[0]));
    }
    EXPECT_EQ(next[0], kEach);
    EXPECT_EQ(next[1], kEach);
}

TEST_F(LoggerTest, ReadOnlyLogLosesEntriesSilently)
{
    const std::string before = tmp.write("bin/front_ext.log", "01-01-2024 00:00:00.000 L1 old \r\n");
    ::chmod(logFile.c_str(), 0444);
    e3test::GiveToUnprivileged(tmp.str());
    const std::string log = logFile;
    const int code = e3test::RunAsUnprivileged([log] {
        u3::TApplicationLogger logger(0);
        if (logger.FileName != log)
            return 1;
        logger.Log(1, "lost");
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(e3test::ReadWholeFile(logFile), "01-01-2024 00:00:00.000 L1 old \r\n");
}

TEST_F(LoggerTest, FallsBackToTheStateFolderWhenTheProgramFolderIsReadOnly)
{
    ::chmod((tmp.str() + "/bin").c_str(), 0555);
    fs::create_directories(tmp.path() / "foreign" / "front");
    e3test::GiveToUnprivileged(tmp.str());
    // A state folder that another user made and anyone may write to is no place for our log.
    ::chown((tmp.str() + "/foreign/front").c_str(), 0, 0);
    ::chmod((tmp.str() + "/foreign/front").c_str(), 0777);
    const std::string t = tmp.str();
    const int code = e3test::RunAsUnprivileged([t] {
        ::setenv("XDG_STATE_HOME", (t + "/state").c_str(), 1);
        u3::TApplicationLogger logger(0);
        if (logger.FileName != t + "/state/front/front_ext.log")
            return 1;
        struct stat st {};
        if (::stat((t + "/state/front").c_str(), &st) != 0 || (st.st_mode & 0777) != 0700)
            return 2;
        logger.Log(1, "beside the state");
        if (!std::regex_match(e3test::ReadWholeFile(logger.FileName), std::regex(".* L1 beside the state \r\n")))
            return 3;

        // Without XDG_STATE_HOME the state folder is below HOME.
        ::unsetenv("XDG_STATE_HOME");
        ::setenv("HOME", (t + "/home").c_str(), 1);
        if (u3::TApplicationLogger(0).FileName != t + "/home/.local/state/front/front_ext.log")
            return 4;

        ::setenv("XDG_STATE_HOME", (t + "/foreign").c_str(), 1);
        if (u3::TApplicationLogger(0).FileName.rfind(t + "/foreign/", 0) == 0)
            return 5;
        return 0;
    });
    if (::geteuid() != 0 && code == 5)
        GTEST_SKIP() << "needs root to give the state folder to another user";
    EXPECT_EQ(code, 0);
}
