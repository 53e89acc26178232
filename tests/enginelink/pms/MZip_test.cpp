#include "enginelink/pms/MZip.h"

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using enginelink::TMiniZip;
using enginelink::UnzipArchive;

const std::string kZips = E3_TEST_DATA_DIR "/zip/";

// Every file below root, by its path relative to root, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = e3test::ReadWholeFile(entry.path().string());
    }
    return files;
}

std::map<std::string, std::string> UnzipTool(const std::string& option, const std::string& zip, const fs::path& dest)
{
    fs::create_directories(dest);
    const auto [code, out] = e3test::RunProgram({"unzip", option, "-qq", zip, "-d", dest.string()});
    EXPECT_TRUE(code == 0 || code == 1) << "unzip " << option << " " << zip << ": " << code << "\n" << out;
    return Tree(dest);
}

struct Fixture {
    const char* file;
    const char* made;
};

class UnzipAgainstInfoZip : public ::testing::TestWithParam<Fixture> {};

// Our unpacking gives the same files with the same bytes as Info-ZIP's unzip,
// with paths (-o) and without (-jo): folder entries, duplicate names, zip64,
// data descriptors, UTF-8 names and names that try to leave the folder.
TEST_P(UnzipAgainstInfoZip, GivesTheSameFilesAsUnzip)
{
    const std::string zip = kZips + GetParam().file;
    for (const bool withoutPath : {true, false}) {
        SCOPED_TRACE(withoutPath ? "without paths" : "with paths");
        e3test::TempDir dir;
        const fs::path ours = dir.path() / "ours";
        fs::create_directories(ours);
        TMiniZip unzip;
        unzip.UzWithoutPath = withoutPath;
        unzip.SetZipFileName(zip);
        ASSERT_TRUE(unzip.UnzipAll(ours.string()));
        const auto expected = UnzipTool(withoutPath ? "-jo" : "-o", zip, dir.path() / "theirs");
        EXPECT_EQ(Tree(ours), expected);
        EXPECT_FALSE(expected.empty());
        // Nothing escaped into the scratch folder beside the two destinations.
        for (const auto& entry : fs::directory_iterator(dir.path()))
            EXPECT_TRUE(entry.path().filename() == "ours" || entry.path().filename() == "theirs")
                << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, UnzipAgainstInfoZip,
                         ::testing::Values(Fixture {"py_tree.zip", "zipfile"}, Fixture {"py_duplicates.zip", "zipfile"},
                                           Fixture {"py_slip.zip", "zipfile"}, Fixture {"py_utf8.zip", "zipfile"},
                                           Fixture {"py_zip64.zip", "zipfile"},
                                           Fixture {"py_descriptor.zip", "zipfile"}, Fixture {"py_dos.zip", "zipfile"},
                                           Fixture {"zip_tree.zip", "zip"}, Fixture {"zip_stream.zip", "zip"}),
                         [](const ::testing::TestParamInfo<Fixture>& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });

TEST(UnzipArchive, PutsEveryFileDirectlyIntoTheFolderAndTheLaterDuplicateWins)
{
    e3test::TempDir dir;
    ASSERT_TRUE(UnzipArchive(kZips + "py_tree.zip", dir.str(), ""));
    ASSERT_TRUE(UnzipArchive(kZips + "py_duplicates.zip", dir.str(), ""));
    const std::map<std::string, std::string> expected {
        {"a.txt", "alpha\n"}, {"b.txt", "bravo\n"}, {"same.txt", "second\n"}};
    EXPECT_EQ(Tree(dir.path()), expected);
}

TEST(UnzipArchive, NamesWithoutTheUtf8FlagAreCodePage437)
{
    e3test::TempDir dir;
    ASSERT_TRUE(UnzipArchive(kZips + "py_cp437.zip", dir.str(), ""));
    const std::map<std::string, std::string> expected {{"caf\u00e9.txt", "cp437\n"}, {"\u00e4.txt", "ae\n"}};
    EXPECT_EQ(Tree(dir.path()), expected);
}

TEST(UnzipArchive, OneEntryIsFoundByNameWithoutRegardToCase)
{
    e3test::TempDir dir;
    EXPECT_TRUE(UnzipArchive(kZips + "py_tree.zip", dir.str(), "SUB/A.TXT"));
    EXPECT_FALSE(UnzipArchive(kZips + "py_tree.zip", dir.str(), "missing.txt"));
    const std::map<std::string, std::string> expected {{"a.txt", "alpha\n"}};
    EXPECT_EQ(Tree(dir.path()), expected);
}

// A damaged entry fails the run and leaves neither the file nor a temporary
// copy of it; a damaged or missing archive writes nothing.
TEST(UnzipArchive, DamagedArchivesFailWithoutLeavingCorruptFiles)
{
    {
        e3test::TempDir dir;
        EXPECT_FALSE(UnzipArchive(kZips + "py_badcrc.zip", dir.str(), ""));
        const std::map<std::string, std::string> expected {{"good.txt", "fine\n"}};
        EXPECT_EQ(Tree(dir.path()), expected);
    }
    {
        // A good earlier copy of the damaged entry stays as it was.
        e3test::TempDir dir;
        dir.write("bad.txt", "earlier copy");
        EXPECT_FALSE(UnzipArchive(kZips + "py_badcrc.zip", dir.str(), ""));
        EXPECT_EQ(e3test::ReadWholeFile((dir.path() / "bad.txt").string()), "earlier copy");
        EXPECT_EQ(Tree(dir.path()).size(), 2u);
    }
    for (const char* zip : {"py_truncated.zip", "does-not-exist.zip", "make_fixtures.py"}) {
        SCOPED_TRACE(zip);
        e3test::TempDir dir;
        EXPECT_FALSE(UnzipArchive(kZips + zip, dir.str(), ""));
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
}

TEST(UnzipArchive, AnArchiveWithoutEntriesSucceeds)
{
    e3test::TempDir dir;
    EXPECT_TRUE(UnzipArchive(kZips + "py_empty.zip", dir.str(), ""));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(TMiniZip, OverwriteRuleAndEvents)
{
    e3test::TempDir dir;
    dir.write("b.txt", "kept");
    TMiniZip zip;
    zip.UzWithoutPath = true;
    zip.UzOverwrite = false;
    zip.SetZipFileName(kZips + "py_tree.zip");
    std::vector<std::string> asked;
    zip.OnUnzipFile = [&](TMiniZip&, std::time_t, uint64_t size, uint64_t, const std::string& dest, bool&) {
        asked.push_back(fs::path(dest).filename().string() + ":" + std::to_string(size));
    };
    // An existing file that may not be replaced stops the run.
    EXPECT_FALSE(zip.UnzipAll(dir.str()));
    EXPECT_EQ(e3test::ReadWholeFile((dir.path() / "b.txt").string()), "kept");
    EXPECT_EQ(asked, (std::vector<std::string> {"a.txt:6", "b.txt:6"}));

    // The event may allow it; progress reports every byte written.
    zip.OnUnzipFile = [](TMiniZip&, std::time_t, uint64_t, uint64_t, const std::string&, bool& canOverwrite) {
        canOverwrite = true;
    };
    int64_t progress = 0;
    zip.OnProgress = [&](TMiniZip&, enginelink::PrgsType kind, int64_t bytes, const std::string&) {
        EXPECT_EQ(kind, enginelink::PrgsType::ptUnzip);
        progress += bytes;
    };
    EXPECT_TRUE(zip.UnzipAll(dir.str()));
    EXPECT_EQ(e3test::ReadWholeFile((dir.path() / "b.txt").string()), "bravo\n");
    EXPECT_EQ(progress, 12);
}

TEST(TMiniZip, FilesTakeTheEntryDateAndTheUsualPermissions)
{
    e3test::TempDir dir;
    ASSERT_TRUE(UnzipArchive(kZips + "py_zip64.zip", dir.str(), "two.txt"));
    struct stat st {};
    ASSERT_EQ(::stat((dir.path() / "two.txt").c_str(), &st), 0);
    std::tm local {};
    ::localtime_r(&st.st_mtime, &local);
    EXPECT_EQ(local.tm_year + 1900, 1980);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST(SafeEntryPath, NeverLeavesTheDestination)
{
    struct Case {
        const char* name;
        bool withoutPath;
        const char* expected;
    };
    const Case cases[] = {
        {"a/b/c.txt", false, "a/b/c.txt"}, {"a/b/c.txt", true, "c.txt"},  {"../../x", false, "x"},
        {"../../x", true, "x"},            {"/etc/passwd", false, "etc/passwd"},
        {"a\\..\\b", false, "a\\..\\b"},     {"sub/", false, "sub/"},      {"sub/", true, ""},
        {"..", false, ""},                 {"a/..", true, "a"},           {"././/x", false, "x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(enginelink::SafeEntryPath(c.name, c.withoutPath), c.expected) << c.name << " " << c.withoutPath;
}

TEST(ForceDirs, MakesMissingLevelsAndFailsWhereNoFolderCanBe)
{
    e3test::TempDir dir;
    const std::string deep = (dir.path() / "one" / "two" / "three").string();
    EXPECT_TRUE(enginelink::ForceDirs(deep + "/"));
    EXPECT_TRUE(enginelink::DirExists(deep));
    EXPECT_TRUE(enginelink::ForceDirs(deep));
    const std::string file = dir.write("plain", "x");
    EXPECT_FALSE(enginelink::ForceDirs(file + "/below"));
    EXPECT_FALSE(enginelink::ForceDirs(""));
    EXPECT_FALSE(enginelink::DirExists(file));
    EXPECT_EQ(enginelink::ParentDir("/a/b/"), "/a");
    EXPECT_EQ(enginelink::AddBackslash("/a"), "/a/");
    EXPECT_EQ(enginelink::AddBackslash(""), "");
}

} // namespace
