#include "support/TempDir.h"
#include "u3/AtomicFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using e3test::ReadWholeFile;
using e3test::TempDir;

namespace {

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

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST(AtomicFileTest, NewAndReplacedFilesGetTheBytesAndTheRightMode)
{
    TempDir dir;
    const std::string fresh = dir.str() + "/fresh.ini";
    ASSERT_TRUE(u3::WriteFileAtomically(fresh, "a=1\r\n", 0640));
    EXPECT_EQ(ReadWholeFile(fresh), "a=1\r\n");
    EXPECT_EQ(ModeOf(fresh) & 07777, 0640u);

    const std::string old = dir.write("old.ini", "old text that is longer");
    ::chmod(old.c_str(), 0604);
    ASSERT_TRUE(u3::WriteFileAtomically(old, "new", 0600));
    EXPECT_EQ(ReadWholeFile(old), "new");
    EXPECT_EQ(ModeOf(old) & 07777, 0604u);

    // A link to a regular file is replaced by the new file, as a rename does.
    const std::string link = dir.str() + "/link.ini";
    ASSERT_EQ(::symlink(old.c_str(), link.c_str()), 0);
    ASSERT_TRUE(u3::WriteFileAtomically(link, "through the link", 0644));
    EXPECT_TRUE(S_ISREG(ModeOf(link)));
    EXPECT_EQ(ReadWholeFile(old), "new");

    EXPECT_EQ(FolderEntries(dir.str()), (std::vector<std::string> {"fresh.ini", "link.ini", "old.ini"}));
}

TEST(AtomicFileTest, TargetsThatAreNoRegularFileAreLeftAlone)
{
    TempDir dir;
    const std::string fifo = dir.str() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.str() + "/folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    // Judged by what the link points to: the device stays a device.
    const std::string toDevice = dir.str() + "/null";
    ASSERT_EQ(::symlink("/dev/null", toDevice.c_str()), 0);

    struct Case {
        std::string path;
        int error;
        bool (*isKind)(mode_t);
    };
    const Case cases[] = {
        {fifo, EEXIST, [](mode_t m) { return S_ISFIFO(m); }},
        {folder, EISDIR, [](mode_t m) { return S_ISDIR(m); }},
        {toDevice, EEXIST, [](mode_t m) { return S_ISLNK(m); }},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(u3::IsReplaceableTarget(c.path)) << c.path;
        errno = 0;
        EXPECT_FALSE(u3::WriteFileAtomically(c.path, "bytes", 0644)) << c.path;
        EXPECT_EQ(errno, c.error) << c.path;
        EXPECT_TRUE(c.isKind(ModeOf(c.path))) << c.path;

        u3::AtomicFile file(c.path);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.Write("streamed"));
        EXPECT_FALSE(file.Commit()) << c.path;
        EXPECT_EQ(file.Error(), c.error) << c.path;
        EXPECT_TRUE(c.isKind(ModeOf(c.path))) << c.path;
    }
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(FolderEntries(dir.str()), (std::vector<std::string> {"fifo", "folder", "null"}));
    EXPECT_TRUE(FolderEntries(folder).empty());
}

TEST(AtomicFileTest, AnUncommittedFileLeavesTheTargetAsItWas)
{
    TempDir dir;
    const std::string target = dir.write("t.txt", "old");
    {
        u3::AtomicFile file(target);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.Write("half of the new"));
        EXPECT_EQ(FolderEntries(dir.str()).size(), 2u);
    }
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FolderEntries(dir.str()), std::vector<std::string> {"t.txt"});

    // A writer that reopens the file by name: the handle is closed first.
    u3::AtomicFile file(target);
    ASSERT_TRUE(file.Finish());
    std::ofstream(file.TempPath(), std::ios::binary) << "written by name";
    ASSERT_TRUE(file.KeepModeOr(0644));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadWholeFile(target), "written by name");
    EXPECT_EQ(FolderEntries(dir.str()), std::vector<std::string> {"t.txt"});

    // No folder to write into.
    errno = 0;
    EXPECT_FALSE(u3::WriteFileAtomically(dir.str() + "/missing/t.txt", "x", 0644));
    EXPECT_EQ(errno, ENOENT);
}

} // namespace
