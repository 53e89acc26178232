#include "ClientFixture.h"

#include "client/FileTransfer.h"
#include "u3/Base64.h"

#include <dirent.h>
#include <fstream>
#include <random>
#include <sys/stat.h>

using namespace e3test;
using client::NextChunkSize;

namespace {

constexpr int64_t MiB = 1024 * 1024;

std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    while (const dirent* e = d ? ::readdir(d) : nullptr)
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
            names.push_back(e->d_name);
    if (d)
        ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

class FileTransferTest : public ::testing::Test {
protected:
    void SetUp() override { client::SetFreePageFileMemoryProbe([this] { return freeMemory; }); }
    void TearDown() override { client::SetFreePageFileMemoryProbe(nullptr); }

    // The upload steps as (type, decoded size).
    std::vector<std::pair<std::string, size_t>> UploadSteps() const
    {
        std::vector<std::pair<std::string, size_t>> steps;
        for (const auto& call : engine.CallsOf("SetFile"))
            steps.emplace_back(call.args[1], u3::Base64ToString(call.args[0]).size());
        return steps;
    }
    // The engine answers a download with these replies in turn, then "snil".
    void ServeReplies(std::vector<std::string> replies)
    {
        engine.onGetFile = [replies = std::move(replies), next = size_t {0}](const EngineCall&) mutable {
            return next < replies.size() ? replies[next++] : std::string("snil");
        };
    }

    TempDir dir;
    ScriptedEngine engine;
    int64_t freeMemory = 4096 * MiB;
};

TEST(FreeMemoryTest, MemAvailableAndSwapFreeAreAddedInBytes)
{
    EXPECT_EQ(client::ParseFreePageFileMemory("MemTotal:  8000 kB\nMemFree:   100 kB\nMemAvailable:   2000 kB\n"
                                              "SwapTotal: 500 kB\nSwapFree:        300 kB\n"),
              2300 * 1024);
    EXPECT_EQ(client::ParseFreePageFileMemory("MemAvailable: 10 kB\n"), 10 * 1024);
    EXPECT_EQ(client::ParseFreePageFileMemory("MemTotal: 10 kB\nbroken line\n"), -1);
    EXPECT_EQ(client::ParseFreePageFileMemory(""), -1);
}

TEST(NextChunkSizeTest, SmallestOfRestLimitAndTenthOfMemoryInSixtyFours)
{
    struct Case {
        int64_t remaining, freeMemory, expected;
    };
    const Case cases[] = {
        {20 * MiB, 4096 * MiB, 8 * MiB},  // the part limit
        {100, 4096 * MiB, 100},           // the rest
        {20 * MiB, 6463, 640},            // 6463 div 640 = 10, times 64
        {20 * MiB, 639, 8 * MiB},         // nothing by memory: the limit
        {20 * MiB, -1, 8 * MiB},          // unknown memory
        {20 * MiB, 10 * MiB, MiB},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextChunkSize(c.remaining, c.freeMemory), c.expected) << c.remaining << " " << c.freeMemory;
}

TEST_F(FileTransferTest, UploadStepsBySize)
{
    struct Case {
        int64_t size;
        int64_t freeMemory;
        std::vector<std::pair<std::string, size_t>> steps;
    };
    const size_t M8 = 8 * MiB;
    const Case cases[] = {
        {0, 4096 * MiB, {{"File", 0}}},
        {8 * MiB, 4096 * MiB, {{"File", M8}}}, // at the limit: whole, never a lone first part
        {8 * MiB + 1, 4096 * MiB, {{"PartStart", M8}, {"PartEnd", 1}}},
        {20 * MiB, 4096 * MiB, {{"PartStart", M8}, {"Part", M8}, {"PartEnd", 4 * MiB}}},
        {3 * MiB + 5, 10 * MiB, {{"File", 3 * MiB + 5}}},
        {9 * MiB + 7, 30 * MiB, {{"PartStart", 3 * MiB}, {"Part", 3 * MiB}, {"Part", 3 * MiB}, {"PartEnd", 7}}},
    };
    for (const Case& c : cases) {
        engine.calls.clear();
        freeMemory = c.freeMemory;
        const std::string path = dir.str() + "/up.bin";
        WriteFile(path, std::string(static_cast<size_t>(c.size), 'x'));
        EXPECT_EQ(client::SendFileToServer(engine, path, "srv/up.bin"), 1) << c.size;
        EXPECT_EQ(UploadSteps(), c.steps) << c.size;
        for (const auto& call : engine.CallsOf("SetFile"))
            EXPECT_EQ(call.args[2], "srv/up.bin");
    }
}

TEST_F(FileTransferTest, TwentyMegabytesGoAndComeBackInPartsUnchanged)
{
    const std::string original = RandomBytes(20 * MiB, 7);
    WriteFile(dir.str() + "/big.bin", original);
    std::string received;
    engine.onSetFile = [&](const EngineCall& call) {
        received += u3::Base64ToString(call.args[0]);
        return std::string("ok"); // accepted without regard to case
    };
    ASSERT_EQ(client::SendFileToServer(engine, dir.str() + "/big.bin", "big.bin"), 1);
    ASSERT_EQ(engine.CallsOf("SetFile").size(), 3u);
    ASSERT_TRUE(received == original);

    // Back again in parts of 3 MiB.
    std::vector<std::string> parts;
    for (size_t at = 0; at < received.size(); at += 3 * MiB)
        parts.push_back(u3::StringToBase64(received.substr(at, 3 * MiB)));
    ServeReplies(parts);
    engine.calls.clear();
    ASSERT_EQ(client::ReceiveFileFromServer(engine, dir.str() + "/back.bin", "big.bin"), 1);
    const std::string back = ReadWholeFile(dir.str() + "/back.bin");
    EXPECT_EQ(back.size(), original.size());
    EXPECT_TRUE(back == original);
    const auto calls = engine.CallsOf("GetFile");
    ASSERT_EQ(calls.size(), parts.size() + 1);
    EXPECT_EQ(calls.front().args, (std::vector<std::string> {"", "BPart", "big.bin"}));
    EXPECT_EQ(calls.back().args, (std::vector<std::string> {"", "Part", "big.bin"}));
}

TEST_F(FileTransferTest, MissingLocalFileIsAnnouncedAndFails)
{
    EXPECT_EQ(client::SendFileToServer(engine, dir.str() + "/none.bin", "x"), -1);
    EXPECT_EQ(client::SendFileToServer(engine, dir.str(), "x"), -1); // a folder
    const auto calls = engine.CallsOf("SetFile");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args, (std::vector<std::string> {"snil", "File", "x"}));
}

TEST_F(FileTransferTest, PipesAndDevicesAreNotSent)
{
    const std::string fifo = dir.str() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/null"), fifo}) {
        EXPECT_EQ(client::SendFileToServer(engine, path, "x"), -1) << path;
        EXPECT_TRUE(engine.CallsOf("SetFile").empty()) << path;
    }
}

TEST_F(FileTransferTest, TheFirstRefusedPartEndsTheUpload)
{
    WriteFile(dir.str() + "/big.bin", std::string(20 * MiB, 'a'));
    engine.onSetFile = [](const EngineCall& call) { return call.args[1] == "Part" ? "disk full" : "OK"; };
    EXPECT_EQ(client::SendFileToServer(engine, dir.str() + "/big.bin", "x"), -1);
    EXPECT_EQ(engine.CallsOf("SetFile").size(), 2u);

    engine.onSetFile = [](const EngineCall&) { return "refused"; };
    WriteFile(dir.str() + "/small.bin", "abc");
    EXPECT_EQ(client::SendFileToServer(engine, dir.str() + "/small.bin", "x"), -1);
}

TEST_F(FileTransferTest, FailedDownloadsKeepTheOldFileAndLeaveNothingBehind)
{
    struct Case {
        const char* name;
        std::vector<std::string> replies;
    };
    const Case cases[] = {
        {"no such file", {"SNIL"}},
        {"an error text among the parts", {u3::StringToBase64("first"), "Error: the server failed"}},
        {"an error text first", {"Access denied."}},
        {"an empty first part", {""}},
        {"an empty next part", {u3::StringToBase64("first"), ""}},
        // Texts a lenient decoder would take: line breaks, blanks, a fill mid-text.
        {"a part broken into lines", {"QUJD\r\nQUJD"}},
        {"blanks between the groups", {u3::StringToBase64("first"), "QUJD    QUJD"}},
        {"a fill inside a part", {"QQ==QUJD"}},
        {"a part of uneven length", {"QUJDQ"}},
    };
    const std::string target = dir.str() + "/sub/target.txt";
    ::mkdir((dir.str() + "/sub").c_str(), 0700);
    for (const Case& c : cases) {
        WriteFile(target, "old content");
        ServeReplies(c.replies);
        if (std::string(c.name) == "an empty next part")
            engine.onGetFile = [first = true, part = c.replies[0]](const EngineCall&) mutable {
                // An engine that keeps answering empty parts must not hold the client.
                return std::exchange(first, false) ? part : std::string();
            };
        EXPECT_EQ(client::ReceiveFileFromServer(engine, target, "t.txt"), -1) << c.name;
        EXPECT_EQ(ReadWholeFile(target), "old content") << c.name;
        EXPECT_EQ(FolderEntries(dir.str() + "/sub"), std::vector<std::string> {"target.txt"}) << c.name;
    }
    ::unlink(target.c_str());
    ServeReplies({"snil"});
    EXPECT_EQ(client::ReceiveFileFromServer(engine, target, "t.txt"), -1);
    EXPECT_TRUE(FolderEntries(dir.str() + "/sub").empty());
}

TEST_F(FileTransferTest, DownloadsNeverReplaceWhatIsNotARegularFile)
{
    // A link to /dev/null shows the device case without touching the device: a
    // rename over it would only replace the link inside the scratch folder.
    const std::string sub = dir.str() + "/sub";
    ::mkdir(sub.c_str(), 0700);
    const std::string fifo = sub + "/fifo", folder = sub + "/folder", device = sub + "/device";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::symlink("/dev/null", device.c_str()), 0);
    const auto kindOf = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
    };
    const std::vector<std::string> entries = FolderEntries(sub);
    const std::vector<std::vector<std::string>> replySets = {
        {"sizezero"},
        {u3::StringToBase64("data"), "snil"},
    };
    for (const std::string& target : {fifo, folder, device}) {
        const auto kind = kindOf(target);
        for (const auto& replies : replySets) {
            ServeReplies(replies);
            EXPECT_EQ(client::ReceiveFileFromServer(engine, target, "t"), -1) << target;
            EXPECT_EQ(kindOf(target), kind) << target;
        }
        ServeReplies({u3::StringToBase64("data")});
        EXPECT_EQ(client::ReceiveWholeFile(engine, target, "t"), -1) << target;
        EXPECT_EQ(kindOf(target), kind) << target;
        EXPECT_EQ(FolderEntries(sub), entries) << target;
    }
}

TEST_F(FileTransferTest, DownloadsOntoAFifoOrFolderFailAndLeaveItInPlace)
{
    const std::string fifo = dir.str() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.str() + "/folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    for (const std::string& target : {fifo, folder}) {
        ServeReplies({u3::StringToBase64("payload")});
        EXPECT_EQ(client::ReceiveFileFromServer(engine, target, "t"), -1) << target;
        ServeReplies({u3::StringToBase64("payload")});
        EXPECT_EQ(client::ReceiveWholeFile(engine, target, "t"), -1) << target;
    }
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(FolderEntries(dir.str()), (std::vector<std::string> {"fifo", "folder"}));
}

TEST_F(FileTransferTest, DownloadsThatSucceed)
{
    const std::string target = dir.str() + "/target.txt";
    WriteFile(target, "old content");
    ServeReplies({"sizezero", "garbage that is never asked for"});
    EXPECT_EQ(client::ReceiveFileFromServer(engine, target, "t"), 1);
    EXPECT_EQ(ReadWholeFile(target), "");
    EXPECT_EQ(engine.CallsOf("GetFile").size(), 1u);

    ServeReplies({u3::StringToBase64("Hello, "), u3::StringToBase64("world"), "Snil"});
    EXPECT_EQ(client::ReceiveFileFromServer(engine, target, "t"), 1);
    EXPECT_EQ(ReadWholeFile(target), "Hello, world");
    EXPECT_EQ(FolderEntries(dir.str()), std::vector<std::string> {"target.txt"});
}

TEST_F(FileTransferTest, WholeFileDownload)
{
    const std::string target = dir.str() + "/w.xml";
    struct Case {
        std::string reply;
        int32_t result;
        std::string content;
    };
    const Case cases[] = {
        {u3::StringToBase64("<a/>"), 1, "<a/>"},
        {"", 1, ""},                         // an empty file
        {"sNIL", -1, "before"},              // no such file
        {"Internal error", -1, "before"},    // not Base64
        {"QUJD QUJD ", -1, "before"},        // blanks are no part of the engine's Base64
        {"QQ==QUJD", -1, "before"},          // a fill before the end
    };
    for (const Case& c : cases) {
        WriteFile(target, "before");
        engine.onGetFile = [&](const EngineCall& call) {
            EXPECT_EQ(call.args, (std::vector<std::string> {"", "File", "srv\\w.xml"}));
            return c.reply;
        };
        EXPECT_EQ(client::ReceiveWholeFile(engine, target, "srv\\w.xml"), c.result) << c.reply;
        EXPECT_EQ(ReadWholeFile(target), c.content) << c.reply;
    }
    EXPECT_EQ(FolderEntries(dir.str()), std::vector<std::string> {"w.xml"});
}

} // namespace
