#include "u3/Files.h"
#include "u3/IniFile.h"

#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using testing::ElementsAre;

namespace u3 {
namespace {

const std::string sample =
    "; client settings\r\n"
    "[Server]\r\n"
    "Host = engine.example  \r\n"
    "Port=\"4711\"\r\n"
    "Quoted=' padded '\r\n"
    "Half=\"open\r\n"
    "Empty=\r\n"
    "no equals sign here\r\n"
    "# unknown line\r\n"
    "host=second\r\n"
    "\r\n"
    "[ Paths ]\r\n"
    "Temp=/tmp/x=y\r\n"
    "[server]\r\n"
    "Only=in second\r\n";

TEST(IniRead, ProfileSemantics)
{
    e3test::TempDir dir;
    const std::string file = dir.write("a.ini", sample);
    const IniFile ini(file);
    struct Case {
        std::string section, key, expected;
    };
    const std::vector<Case> cases = {
        {"Server", "Host", "engine.example"},
        {"SERVER", "host", "engine.example"}, // case-insensitive, the first key wins
        {"Server", "Port", "4711"},
        {"Server", "Quoted", " padded "},
        {"Server", "Half", "\"open"},
        {"Server", "Empty", ""},
        {"Server", "no equals sign here", "dflt"},
        {"Server", "Only", "dflt"}, // the first section wins
        {"paths", "Temp", "/tmp/x=y"},
        {"Missing", "Host", "dflt"},
        {"Server", "Missing", "dflt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(ini.ReadInteger("Server", "Port", -1), 4711);
    EXPECT_EQ(ini.ReadInteger("Server", "Host", -1), -1);
    EXPECT_TRUE(ini.ValueExists("server", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("server", "Only"));
    EXPECT_THAT(ini.ReadSection("Server"), ElementsAre("Host", "Port", "Quoted", "Half", "Empty"));
    EXPECT_THAT(ini.ReadSections(), ElementsAre("Server", "Paths"));
}

TEST(IniRead, LineEndingsAndMissingFiles)
{
    e3test::TempDir dir;
    for (const std::string& text : {std::string("[S]\nK=lf\n"), std::string("[S]\r\nK=lf"),
                                    std::string("\xEF\xBB\xBF[S]\r\nK=lf\r\n"), std::string("[S]\nK=lf\r\n")}) {
        const std::string file = dir.write("e.ini", text);
        EXPECT_EQ(ReadIniString(file, "s", "k", "none"), "lf");
    }
    EXPECT_EQ(ReadIniString(dir.str() + "/missing.ini", "S", "K", "none"), "none");
    EXPECT_EQ(ReadIniString(dir.str(), "S", "K", "none"), "none") << "a folder reads as an empty INI";
    const std::string fifo = dir.str() + "/fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadIniString(fifo, "S", "K", "none"), "none") << "a FIFO with no writer must not block";
}

TEST(IniWrite, KeepsEveryOtherLineByteForByte)
{
    e3test::TempDir dir;
    const std::string file = dir.write("a.ini", sample);
    IniFile ini(file);
    ASSERT_TRUE(ini.WriteString("SERVER", "PORT", "99"));
    ASSERT_TRUE(ini.WriteString("Paths", "New", "v"));
    ASSERT_TRUE(ini.WriteString("Server", "Added", "w"));
    ASSERT_TRUE(ini.WriteString("Extra", "K", "1"));
    EXPECT_EQ(e3test::ReadWholeFile(file),
              "; client settings\r\n"
              "[Server]\r\n"
              "Host = engine.example  \r\n"
              "Port=99\r\n"
              "Quoted=' padded '\r\n"
              "Half=\"open\r\n"
              "Empty=\r\n"
              "no equals sign here\r\n"
              "# unknown line\r\n"
              "host=second\r\n"
              "Added=w\r\n"
              "\r\n"
              "[ Paths ]\r\n"
              "Temp=/tmp/x=y\r\n"
              "New=v\r\n"
              "[server]\r\n"
              "Only=in second\r\n"
              "[Extra]\r\n"
              "K=1\r\n");
    // What the object holds is what the file says.
    EXPECT_EQ(IniFile(file).ReadString("Server", "Port", ""), "99");
    EXPECT_EQ(ini.ReadString("extra", "k", ""), "1");
}

TEST(IniWrite, LfFileIsWrittenWithCrLf)
{
    e3test::TempDir dir;
    const std::string file = dir.write("lf.ini", "; note\n[S]\nA=1\n");
    IniFile ini(file);
    ASSERT_TRUE(ini.WriteString("S", "B", "2"));
    EXPECT_EQ(e3test::ReadWholeFile(file), "; note\r\n[S]\r\nA=1\r\nB=2\r\n");
}

TEST(IniWrite, ValuesReadBackAsWritten)
{
    e3test::TempDir dir;
    const std::string file = dir.str() + "/new.ini";
    IniFile ini(file);
    const std::vector<std::string> values = {"plain", " padded ", "\"quoted\"", "'single'", "", "a=b;c", "\"",
                                             "\xC3\xA4\xE2\x82\xAC"};
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_TRUE(ini.WriteString("S", "K" + std::to_string(i), values[i]));
    const IniFile reread(file);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.ReadString("S", "K" + std::to_string(i), "dflt"), values[i]) << i;
}

TEST(IniWrite, RefusesTextsThatWouldChangeTheFileStructure)
{
    e3test::TempDir dir;
    const std::string file = dir.write("a.ini", "[S]\r\nA=1\r\n");
    IniFile ini(file);
    EXPECT_FALSE(ini.WriteString("S", "A", "1\r\n[Other]\r\nB=2"));
    EXPECT_FALSE(ini.WriteString("S", "A=B", "1"));
    EXPECT_FALSE(ini.WriteString("S]x", "A", "1"));
    EXPECT_FALSE(ini.WriteString("S", "", "1"));
    EXPECT_FALSE(ini.WriteString("S", ";A", "1"));
    EXPECT_EQ(e3test::ReadWholeFile(file), "[S]\r\nA=1\r\n");
}

TEST(IniWrite, EraseSectionAndDeleteKey)
{
    e3test::TempDir dir;
    const std::string file =
        dir.write("a.ini", "[A]\r\nx=1\r\ny=2\r\nX=3\r\n[B]\r\nz=1\r\n; about B\r\n[a]\r\nw=4\r\n[C]\r\nc=5\r\n");
    IniFile ini(file);
    ASSERT_TRUE(ini.DeleteKey("a", "x"));
    EXPECT_EQ(ini.ReadString("A", "x", "gone"), "gone") << "a duplicate must not show through";
    ASSERT_TRUE(ini.EraseSection("A"));
    EXPECT_EQ(ini.ReadString("A", "w", "gone"), "gone");
    EXPECT_EQ(e3test::ReadWholeFile(file), "[B]\r\nz=1\r\n; about B\r\n[C]\r\nc=5\r\n");
    EXPECT_TRUE(ini.EraseSection("Missing"));
    EXPECT_TRUE(ini.DeleteKey("B", "missing"));
}

TEST(IniWrite, AtomicReplaceKeepsModeAndLinks)
{
    e3test::TempDir dir;
    const std::string real = dir.write("real.ini", "[S]\r\nA=1\r\n");
    ::chmod(real.c_str(), 0640);
    const std::string link = dir.str() + "/link.ini";
    std::filesystem::create_symlink(real, link);
    IniFile ini(link);
    ASSERT_TRUE(ini.WriteString("S", "A", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(e3test::ReadWholeFile(real), "[S]\r\nA=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 2);
}

TEST(IniWrite, FailedWriteKeepsTheObjectUnchanged)
{
    e3test::TempDir dir;
    const std::string file = dir.write("gone/a.ini", "[S]\r\nA=1\r\n");
    IniFile ini(file);
    std::filesystem::remove_all(dir.path() / "gone");
    EXPECT_FALSE(ini.WriteString("S", "A", "2"));
    EXPECT_FALSE(ini.EraseSection("S"));
    EXPECT_EQ(ini.ReadString("S", "A", ""), "1");
}

TEST(IniWrite, TargetThatIsAFolderFailsWithoutLeftovers)
{
    e3test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "taken" / "x");
    IniFile ini(dir.str() + "/taken");
    EXPECT_FALSE(ini.WriteString("S", "A", "2"));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

} // namespace
} // namespace u3
