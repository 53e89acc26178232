#include "u3/Files.h"

#include "support/RunAsUnprivileged.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using e3test::TempDir;

namespace {

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(PathText, DelimitersAndEnginePaths)
{
    struct Case {
        std::string in, appended;
    };
    // No drive letters on this system: "c" and "C:" are ordinary names.
    const std::vector<Case> cases = {
        {"", ""}, {"dir", "dir/"}, {"dir/", "dir/"}, {"dir\\", "dir\\"},
        {"/", "/"}, {"c", "c/"}, {"C:", "C:/"}, {"a/b c", "a/b c/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(u3::AppendPathDelimiter(c.in), c.appended) << c.in;

    EXPECT_EQ(u3::ToLocalPath("a\\b\\c.pdf"), "a/b/c.pdf");
    EXPECT_EQ(u3::ToLocalPath("/x/y\\"), "/x/y/");
}

TEST(FileFacts, DirectoryAndSize)
{
    TempDir tmp;
    const std::string five = tmp.write("five.bin", "12345");
    const std::string empty = tmp.write("empty.bin", "");
    fs::create_directory(tmp.path() / "folder");
    fs::create_symlink(tmp.path() / "folder", tmp.path() / "link-to-folder");
    fs::create_symlink(five, tmp.path() / "link-to-file");
    const std::string base = tmp.str() + "/";

    struct Case {
        std::string path;
        bool isDirectory;
        int64_t size;
    };
    const std::vector<Case> cases = {
        {five, false, 5},
        {empty, false, 0},
        {base + "folder", true, -1},
        {base + "link-to-folder", true, -1},
        {base + "link-to-file", false, 5},
        {base + "missing", false, -1},
        {tmp.str() + "\\five.bin", false, 5},
        {"", false, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(u3::IsDirectory(c.path), c.isDirectory) << c.path;
        EXPECT_EQ(u3::GetFileSize64(c.path), c.size) << c.path;
    }
}

TEST(FileFacts, SizeBeyondFourGigabytes)
{
    TempDir tmp;
    const std::string big = tmp.str() + "/big.bin";
    const int64_t size = 5LL * 1024 * 1024 * 1024 + 3;
    int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    // Sparse: no disk space is used.
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
    EXPECT_EQ(u3::GetFileSize64(big), size);
}

TEST(MoveFileTo, ToNameOrIntoFolder)
{
    TempDir tmp;
    fs::create_directory(tmp.path() / "target");
    const std::string target = tmp.str() + "/target";
    struct Case {
        std::string dest, arrivesAt;
    };
    const std::vector<Case> cases = {
        {target + "/renamed.txt", target + "/renamed.txt"},
        {target + "/", target + "/a.txt"},
        {target + "\\", target + "/a.txt"},
    };
    for (const auto& c : cases) {
        const std::string source = tmp.write("a.txt", "payload");
        EXPECT_TRUE(u3::MoveFileTo(source, c.dest)) << c.dest;
        EXPECT_FALSE(Exists(source)) << c.dest;
        EXPECT_EQ(e3test::ReadWholeFile(c.arrivesAt), "payload") << c.dest;
        fs::remove(c.arrivesAt);
    }
    EXPECT_FALSE(u3::MoveFileTo(tmp.str() + "/missing.txt", target + "/"));
    EXPECT_FALSE(Exists(target + "/missing.txt"));
}

TEST(MoveFileTo, AcrossFileSystems)
{
    TempDir tmp;
    std::string other = "/dev/shm/e3move.XXXXXX";
    if (!Exists("/dev/shm") || !::mkdtemp(other.data()))
        GTEST_SKIP() << "no second file system at /dev/shm";
    struct stat a {}, b {};
    ::stat(tmp.str().c_str(), &a);
    ::stat(other.c_str(), &b);
    if (a.st_dev == b.st_dev) {
        fs::remove_all(other);
        GTEST_SKIP() << "/dev/shm is on the same file system as the temp folder";
    }
    const std::string source = other + "/doc.pdf";
    {
        int fd = ::open(source.c_str(), O_WRONLY | O_CREAT, 0640);
        ASSERT_EQ(::write(fd, "%PDF-1.4", 8), 8);
        ::close(fd);
    }
    const bool moved = u3::MoveFileTo(source, tmp.str() + "/");
    const bool sourceLeft = Exists(source);
    fs::remove_all(other);
    EXPECT_TRUE(moved);
    EXPECT_FALSE(sourceLeft);
    EXPECT_EQ(e3test::ReadWholeFile(tmp.str() + "/doc.pdf"), "%PDF-1.4");
    EXPECT_EQ(ModeOf(tmp.str() + "/doc.pdf"), 0640u);
    // No copy left behind under a temporary name.
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);
}

TEST(HasZipSignature, OnlyReadableFilesStartingWithPK)
{
    TempDir tmp;
    fs::create_directory(tmp.path() / "folder");
    ::mkfifo((tmp.str() + "/pipe").c_str(), 0600);
    struct Case {
        std::string path;
        bool zip;
    };
    const std::vector<Case> cases = {
        {tmp.write("a.zip", std::string("PK\x03\x04rest", 8)), true},
        {tmp.write("two.bin", "PK"), true},
        {tmp.write("one.bin", "P"), false},
        {tmp.write("empty.bin", ""), false},
        {tmp.write("lower.bin", "pk\x03\x04"), false},
        {tmp.write("pdf.bin", "%PDF"), false},
        {tmp.str() + "/missing.zip", false},
        {tmp.str() + "/folder", false},
        {tmp.str() + "/pipe", false},
        {"", false},
        {"   ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(u3::HasZipSignature(c.path), c.zip) << c.path;
}

TEST(NextNumberedFileName, HighestNumberWithTheSameExtensionPlusOne)
{
    struct Case {
        std::vector<std::string> existing;
        std::string templ, expected;
    };
    const std::vector<Case> cases = {
        {{}, "doc.pdf", "00000001.pdf"},
        {{"00000012.pdf"}, "x.pdf", "00000013.pdf"},
        {{"abc.pdf", "12a.pdf", "+5.pdf", "0x10.pdf", ".pdf"}, "x.pdf", "00000001.pdf"},
        {{"00000040.txt", "00000003.pdf"}, "x.pdf", "00000004.pdf"},
        {{"00000007.PDF"}, "x.pdf", "00000008.pdf"},
        {{"7.pdf", "00000002.pdf"}, "x.pdf", "00000008.pdf"},
        {{"99999999.pdf"}, "x.pdf", "100000000.pdf"},
        {{"4294967296.pdf", "00000002.pdf"}, "x.pdf", "00000003.pdf"},
        {{"5", "00000009.pdf"}, "noext", "00000006"},
        {{"3.tar.gz"}, "x.gz", "00000001.gz"},
    };
    for (const auto& c : cases) {
        TempDir tmp;
        for (const auto& name : c.existing)
            tmp.write(name, "x");
        EXPECT_EQ(u3::NextNumberedFileName(tmp.str() + "/" + c.templ), tmp.str() + "/" + c.expected)
            << c.templ << " after " << c.existing.size() << " files";
    }
    // An engine path with backslashes gives a local one.
    TempDir tmp;
    tmp.write("00000001.tif", "x");
    EXPECT_EQ(u3::NextNumberedFileName(tmp.str() + "\\scan.tif"), tmp.str() + "/00000002.tif");
}

// A tree with files, nested folders and links that lead out of it.
class DeleteTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = tmp.str() + "/tree";
        outside = tmp.str() + "/outside";
        tmp.write("outside/keep.txt", "keep");
        outsideFile = tmp.write("outside-file.txt", "keep too");
        tmp.write("tree/a.txt", "a");
        tmp.write("tree/sub/b.txt", "b");
        tmp.write("tree/sub/deeper/c.txt", "c");
        fs::create_symlink(outside, root + "/link-to-folder");
        fs::create_symlink(outsideFile, root + "/sub/link-to-file");
        fs::create_symlink(root + "/nowhere", root + "/dangling");
    }

    void ExpectOutsideIntact()
    {
        EXPECT_EQ(e3test::ReadWholeFile(outside + "/keep.txt"), "keep");
        EXPECT_EQ(e3test::ReadWholeFile(outsideFile), "keep too");
    }

    TempDir tmp;
    std::string root, outside, outsideFile;
};

TEST_F(DeleteTreeTest, RemoveDirDeletesEverythingButWhatLinksLeadTo)
{
    EXPECT_TRUE(u3::DeleteDirectoryTree(root, true));
    EXPECT_FALSE(Exists(root));
    ExpectOutsideIntact();
}

TEST_F(DeleteTreeTest, KeepDirEmptiesFoldersButKeepsThem)
{
    EXPECT_TRUE(u3::DeleteDirectoryTree(root, false));
    ExpectOutsideIntact();
    std::vector<std::string> left;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
        left.push_back(fs::relative(it->path(), root).string() + (it->is_symlink() ? "@" : ""));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string> {"sub", "sub/deeper"}));
}

TEST_F(DeleteTreeTest, DirThatIsALinkLosesOnlyTheLink)
{
    const std::string link = tmp.str() + "/link-to-tree";
    fs::create_symlink(root, link);
    EXPECT_FALSE(u3::DeleteDirectoryTree(link, false));
    EXPECT_TRUE(Exists(link));
    EXPECT_TRUE(Exists(root + "/a.txt"));

    EXPECT_TRUE(u3::DeleteDirectoryTree(link, true));
    EXPECT_FALSE(Exists(link));
    EXPECT_TRUE(Exists(root + "/a.txt"));
    EXPECT_TRUE(Exists(root + "/sub/deeper/c.txt"));
}

TEST_F(DeleteTreeTest, NotAFolder)
{
    EXPECT_FALSE(u3::DeleteDirectoryTree(root + "/a.txt", true));
    EXPECT_TRUE(Exists(root + "/a.txt"));
    EXPECT_FALSE(u3::DeleteDirectoryTree(root + "/missing", true));
    EXPECT_FALSE(u3::DeleteDirectoryTree(root + "/link-to-folder/keep.txt", true));
    ExpectOutsideIntact();
}

TEST_F(DeleteTreeTest, ReadOnlyFilesAndOwnReadOnlyFoldersAreDeleted)
{
    ::chmod((root + "/a.txt").c_str(), 0400);
    ::chmod((root + "/sub/b.txt").c_str(), 0444);
    ::chmod((root + "/sub/deeper").c_str(), 0500);
    ::chmod((root + "/sub").c_str(), 0555);
    e3test::GiveToUnprivileged(tmp.str());
    const std::string r = root;
    const int code = e3test::RunAsUnprivileged([r] {
        if (u3::DeleteDirectoryTree(r, false) != true)
            return 1;
        if (Exists(r + "/a.txt") || Exists(r + "/sub/b.txt") || Exists(r + "/sub/deeper/c.txt"))
            return 2;
        // Folders that stay get their own modes back.
        if (ModeOf(r + "/sub") != 0555 || ModeOf(r + "/sub/deeper") != 0500)
            return 3;
        if (u3::DeleteDirectoryTree(r, true) != true || Exists(r))
            return 4;
        return 0;
    });
    EXPECT_EQ(code, 0);
    ExpectOutsideIntact();
}

TEST_F(DeleteTreeTest, FalseWhenSomethingCannotBeDeleted)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    e3test::GiveToUnprivileged(tmp.str());
    // A read-only folder of another user keeps its file.
    ::chown((root + "/sub/deeper").c_str(), 0, 0);
    ::chmod((root + "/sub/deeper").c_str(), 0555);
    const std::string r = root;
    const int code = e3test::RunAsUnprivileged([r] {
        if (u3::DeleteDirectoryTree(r, true) != false)
            return 1;
        if (!Exists(r + "/sub/deeper/c.txt"))
            return 2;
        // Everything else went.
        if (Exists(r + "/a.txt") || Exists(r + "/sub/b.txt") || Exists(r + "/link-to-folder"))
            return 3;
        return 0;
    });
    EXPECT_EQ(code, 0);
    ExpectOutsideIntact();
}

TEST(DeleteDirectoryTree, RefusesRootsHomeAndShortPaths)
{
    TempDir tmp;
    const std::string home = tmp.str() + "/users/me";
    tmp.write("users/me/notes.txt", "mine");
    tmp.write("users/other.txt", "theirs");
    fs::create_symlink(home, tmp.path() / "home-link");
    ScopedEnv env("HOME", home);

    // Dangerous paths are only asked about, never handed to the deletion.
    const std::vector<std::string> refused = {
        "", "/", "//", "/tmp", "/usr/..", "/usr/../tmp/", "/usr",
        home, home + "/", tmp.str() + "/users", tmp.str() + "/home-link",
    };
    for (const auto& path : refused)
        EXPECT_TRUE(u3::IsProtectedFromTreeDeletion(path)) << path;
    fs::create_directories(home + "/sub");
    fs::create_directories(tmp.str() + "/elsewhere");
    EXPECT_FALSE(u3::IsProtectedFromTreeDeletion(home + "/sub"));
    EXPECT_FALSE(u3::IsProtectedFromTreeDeletion(tmp.str() + "/elsewhere"));

    for (const std::string& path : {home, tmp.str() + "/users", tmp.str() + "/home-link", std::string()}) {
        EXPECT_FALSE(u3::DeleteDirectoryTree(path, false)) << path;
        EXPECT_FALSE(u3::DeleteDirectoryTree(path, true)) << path;
    }
    EXPECT_EQ(e3test::ReadWholeFile(home + "/notes.txt"), "mine");
    EXPECT_EQ(e3test::ReadWholeFile(tmp.str() + "/users/other.txt"), "theirs");
    EXPECT_TRUE(Exists(tmp.str() + "/home-link"));
}

TEST(CreateUniqueDirectory, TwoQuickCallsGiveTwoPrivateFolders)
{
    TempDir tmp;
    const std::string base = tmp.str() + "/missing/parent";
    const auto before = std::chrono::system_clock::now();
    const std::string first = u3::CreateUniqueDirectory(base);
    const std::string second = u3::CreateUniqueDirectory(base);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    for (const auto& dir : {first, second}) {
        EXPECT_EQ(fs::path(dir).parent_path().string(), base);
        EXPECT_TRUE(u3::IsDirectory(dir));
        EXPECT_EQ(ModeOf(dir), 0700u);
        EXPECT_TRUE(fs::is_empty(dir));
    }

    // The name counts milliseconds since 2005 on the local clock; a day-light
    // saving offset is the most it may differ from the elapsed time.
    const std::string name = fs::path(first).filename().string();
    ASSERT_TRUE(std::regex_match(name, std::regex("000[0-9A-F]+"))) << name;
    std::tm start {};
    start.tm_year = 105;
    start.tm_mday = 1;
    start.tm_isdst = -1;
    const auto since2005 = before - std::chrono::system_clock::from_time_t(std::mktime(&start));
    const long long expected = std::chrono::duration_cast<std::chrono::milliseconds>(since2005).count();
    const long long got = std::stoll(name.substr(3), nullptr, 16);
    EXPECT_LT(std::llabs(got - expected), 3600LL * 1000 + 5000) << name;
}

TEST(CreateUniqueDirectory, ConcurrentCallersNeverShareAFolder)
{
    TempDir tmp;
    std::vector<std::vector<std::string>> made(6);
    std::vector<std::thread> threads;
    for (auto& mine : made)
        threads.emplace_back([&tmp, &mine] {
            for (int i = 0; i < 5; ++i)
                mine.push_back(u3::CreateUniqueDirectory(tmp.str()));
        });
    for (auto& t : threads)
        t.join();
    std::set<std::string> distinct;
    for (const auto& mine : made) {
        for (const auto& dir : mine) {
            EXPECT_FALSE(dir.empty());
            distinct.insert(dir);
        }
    }
    EXPECT_EQ(distinct.size(), 30u);
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 30);
}

TEST(CreateUniqueDirectory, EmptyWhenNothingCanBeCreated)
{
    TempDir tmp;
    const std::string file = tmp.write("file", "x");
    EXPECT_EQ(u3::CreateUniqueDirectory(file), "");
    EXPECT_EQ(u3::CreateUniqueDirectory(file + "/below"), "");
    EXPECT_EQ(u3::CreateUniqueDirectory(""), "");

    fs::create_directory(tmp.path() / "locked");
    ::chmod((tmp.str() + "/locked").c_str(), 0555);
    e3test::GiveToUnprivileged(tmp.str());
    const std::string locked = tmp.str() + "/locked";
    const int code = e3test::RunAsUnprivileged([locked] {
        if (!u3::CreateUniqueDirectory(locked).empty())
            return 1;
        return fs::is_empty(locked) ? 0 : 2;
    });
    EXPECT_EQ(code, 0);
}
