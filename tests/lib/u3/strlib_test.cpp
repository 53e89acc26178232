#include "u3/FormatSettings.h"
#include "u3/StrLib.h"

#include "support/TempDir.h"
#include "u3/Files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using testing::ElementsAreArray;

namespace u3 {
namespace {

struct FieldCase {
    std::string text;
    std::string separator;
    std::vector<std::string> fields;
};

// Every way of reading fields must agree: SplitTokens, TokenCount and TokenAt.
TEST(FieldScan, SplitCountAndTokenAtAgree)
{
    const std::vector<FieldCase> cases = {
        {"", ";", {}},
        {"abc", ";", {"abc"}},
        {"a;b;", ";", {"a", "b", ""}},
        {";", ";", {"", ""}},
        {"abc", "", {"abc"}},
        {"a<|>b<|>c", "<|>", {"a", "b", "c"}},
        {"<|>b", "<|>", {"", "b"}},
        {"a<|><|>b", "<|>", {"a", "", "b"}},
        {"a<|>", "<|>", {"a", ""}},
        {"<|>", "<|>", {"", ""}},
        {"a|||b", "||", {"a", "|b"}},
        {"a||||b", "||", {"a", "", "b"}},
        // A partial match swallows the mismatching character too.
        {"x<<|>y", "<|>", {"x<<|>y"}},
        {"x<|<|>y", "<|>", {"x<|<|>y"}},
        {"x<<|>y<|>z", "<|>", {"x<<|>y", "z"}},
        {"x<a<|>y", "<|>", {"x<a", "y"}},
        // A text ending inside a partial match keeps it in its last field.
        {"ab<", "<|>", {"ab<"}},
        {"ab<|", "<|>", {"ab<|"}},
        {"a|", "||", {"a|"}},
        {"a<|>b<|", "<|>", {"a", "b<|"}},
        {"separator-longer", "separator-longer-still", {"separator-longer"}},
        {"\xC3\xA4<|>\xE2\x82\xAC", "<|>", {"\xC3\xA4", "\xE2\x82\xAC"}},
        {"1.2.2024", ".", {"1", "2", "2024"}},
        {"APPL=x||GUIEngine=E||", "||", {"APPL=x", "GUIEngine=E", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("text '" + c.text + "' separator '" + c.separator + "'");
        EXPECT_THAT(SplitTokens(c.text, c.separator), ElementsAreArray(c.fields));
        ASSERT_EQ(TokenCount(c.text, c.separator), static_cast<int>(c.fields.size()));
        for (int i = 0; i < static_cast<int>(c.fields.size()); ++i)
            EXPECT_EQ(TokenAt(c.text, i, c.separator), c.fields[static_cast<std::size_t>(i)]) << "index " << i;
        EXPECT_EQ(TokenAt(c.text, -1, c.separator), "");
        EXPECT_EQ(TokenAt(c.text, static_cast<int>(c.fields.size()), c.separator), "");
    }
}

TEST(FieldScan, ValueFieldDefFallsBackOnlyForMissingFields)
{
    EXPECT_EQ(ValueFieldDef("10<|>20", 2, "5"), "5");
    EXPECT_EQ(ValueFieldDef("10<|>20", 1, "5"), "20");
    EXPECT_EQ(ValueFieldDef("", 0, "5"), "5");
    EXPECT_EQ(ValueFieldDef("<|>20", 0, "5"), "");
}

TEST(LaunchString, TextBetweenDef)
{
    const std::string launch = "APPL=x||GUIEngine=Eng2||SERVICE=y";
    EXPECT_EQ(TextBetweenDef("GUIEngine=", "||", launch, "GUIEngine"), "Eng2");
    EXPECT_EQ(TextBetweenDef("SERVICE=", "||", launch, "d"), "y");
    EXPECT_EQ(TextBetweenDef("GUIEngine=", "||", "APPL=x||SERVICE=y", "GUIEngine"), "GUIEngine");
    EXPECT_EQ(TextBetweenDef("GUIEngine=", "||", "APPL=x||GUIEngine=", "GUIEngine"), "GUIEngine");
    EXPECT_EQ(TextBetween("guiengine=", "||", launch), "") << "marks are case-sensitive";
    EXPECT_EQ(TextBetween("", "||", launch), "");
}

TEST(Lists, IndexLookups)
{
    const std::vector<std::string> values = {"Alpha", "beta", "BETA"};
    EXPECT_EQ(IndexInArray("BETA", values, false), 1);
    EXPECT_EQ(IndexInArray("BETA", values, true), 2);
    EXPECT_EQ(IndexInArray("gamma", values, false), -1);
    EXPECT_EQ(IndexOfChar('c', "abc"), 2);
    EXPECT_EQ(IndexOfChar('x', "abc"), -1);
}

TEST(Compare, SameTextFoldsAsciiLettersOnly)
{
    struct Case {
        std::string_view a, b;
        bool same;
    };
    const Case cases[] = {
        {"Client.OnClientDone", "CLIENT.onclientdone", true},
        {"", "", true},
        {"snil", "sni", false},
        // Neighbours of the letters that a bit trick would fold as well.
        {"[", "{", false},
        {"@", "`", false},
        {"^", "~", false},
        // Bytes above ASCII are compared as they are (UTF-8 umlauts differ).
        {"\xC3\x84", "\xC3\xA4", false},
        {"\xC4", "\xE4", false},
        {std::string_view("a\0b", 3), std::string_view("A\0B", 3), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameText(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(SameText(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

TEST(Lists, ParamPresentIgnoresCase)
{
    SetProgramArguments({"-Settings", "host:1"});
    EXPECT_TRUE(ParamPresent("-settings"));
    EXPECT_FALSE(ParamPresent("-settings2"));
    SetProgramArguments({});
    EXPECT_FALSE(ParamPresent("-settings"));
}

TEST(Search, LastPositions)
{
    EXPECT_EQ(LastPos("ab", "xabyab"), 5u);
    EXPECT_EQ(LastPos("zz", "xabyab"), 0u);
    EXPECT_EQ(LastPos("", "xab"), 0u);
    EXPECT_EQ(LastPosEx("ab", "xabyab", 5), 5u);
    EXPECT_EQ(LastPosEx("ab", "xabyab", 4), 2u);
    EXPECT_EQ(LastPosEx("ab", "xabyab", 1), 0u);
    EXPECT_EQ(LastPosEx("ab", "xabyab", 0), 0u);
    EXPECT_EQ(LastPosEx("ab", "xabyab", 100), 5u);
}

TEST(Replace, AllThreeGiveTheSameResult)
{
    struct Case {
        std::string s, oldText, newText, expected;
    };
    const std::vector<Case> cases = {
        {"a||b||c", "||", "\r\n", "a\r\nb\r\nc"},
        {"a\r\nb", "\r\n", "||", "a||b"},
        {"aaa", "aa", "b", "ba"},
        {"aaaa", "aa", "xy", "xyxy"},
        {"abc", "", "x", "abc"},
        {"abc", "zz", "x", "abc"},
        {"abcabc", "abc", "", ""},
        {"xx", "x", "xx", "xxxx"},
        {"", "a", "b", ""},
        {std::string(100, 'a'), "a", "bc", [] {
             std::string r;
             for (int i = 0; i < 100; ++i)
                 r += "bc";
             return r;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s + " / " + c.oldText + " / " + c.newText);
        EXPECT_EQ(ReplaceEvery(c.s, c.oldText, c.newText), c.expected);
        EXPECT_EQ(FastReplace(c.s, c.oldText, c.newText), c.expected);
        EXPECT_EQ(ReplacePair(c.s, c.oldText, c.newText), c.expected);
    }
}

TEST(Blanks, TrimCollapseAndLineBreaks)
{
    EXPECT_EQ(TrimCollapseBlanks(" \t a   b  c \r\n"), "a b c");
    EXPECT_EQ(TrimCollapseBlanks("a\t\tb"), "a\t\tb") << "only blanks collapse inside";
    EXPECT_EQ(TrimCollapseBlanks("   "), "");

    std::string s = "a\nb\r\nc";
    FixLineBreaks(s);
    EXPECT_EQ(s, "a\r\nb\r\nc");
    s = "\n\n";
    FixLineBreaks(s);
    EXPECT_EQ(s, "\r\n\r\n");
    s = "a\r\nb\r";
    FixLineBreaks(s);
    EXPECT_EQ(s, "a\r\nb\r");
}

TEST(Conversions, TextForms)
{
    EXPECT_EQ(BoolToText(true), "true");
    EXPECT_EQ(VariantToText(Variant {}), "");
    EXPECT_EQ(VariantToText(Variant {false}), "false");
    EXPECT_EQ(VariantToText(Variant {int64_t {-42}}), "-42");
    EXPECT_EQ(VariantToText(Variant {2.5}), "2.5");
    EXPECT_EQ(VariantToText(Variant {std::string("x y")}), "x y");
    EXPECT_EQ(PadZeros8("12"), "00000012");
    EXPECT_EQ(PadZeros8("123456789"), "123456789");
    EXPECT_EQ(PadZeros8(""), "00000000");
}

class LocaleTest : public testing::Test {
protected:
    void SetUp() override { saved_ = GetFormatSettings(); }
    void TearDown() override { SetFormatSettings(saved_); }
    static void Use(std::string decimal, std::string thousand)
    {
        FormatSettings s;
        s.DecimalSeparator = std::move(decimal);
        s.ThousandSeparator = std::move(thousand);
        SetFormatSettings(s);
    }

private:
    FormatSettings saved_;
};

TEST_F(LocaleTest, TextToFloatUnderBothSeparators)
{
    struct Case {
        std::string decimal, thousand, text;
        double expected;
    };
    const std::vector<Case> good = {
        {",", ".", "1.5", 1.5},
        {",", ".", "1,5", 1.5},
        {",", ".", "-0,25", -0.25},
        {",", ".", "", 0},
        {".", ",", "1.5", 1.5},
        {".", ",", "1,5", 1.5},
        {".", ",", " +2.5e3 ", 2500},
        {".", "", "1.5", 1.5},
        {",", "\xE2\x80\xAF", "1\xE2\x80\xAF" "234,5", 1234.5},
        {",", " ", "1 234,5", 1234.5},
    };
    for (const auto& c : good) {
        SCOPED_TRACE(c.decimal + " / " + c.thousand + " / " + c.text);
        Use(c.decimal, c.thousand);
        EXPECT_DOUBLE_EQ(TextToFloat(c.text), c.expected);
    }
    const std::vector<Case> bad = {
        {",", ".", "1.234,5", 0},
        {".", ",", "1,234.5", 0},
        {".", ",", "abc", 0},
        {".", ",", "1.5x", 0},
        {".", ",", "inf", 0},
        {".", ",", "nan", 0},
        {".", ",", "--1", 0},
        {".", ",", " ", 0},
        {".", ",", "1e999", 0},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.text);
        Use(c.decimal, c.thousand);
        EXPECT_THROW(TextToFloat(c.text), ConvertError);
    }
    Use(".", ",");
    try {
        TextToFloat("12a");
        FAIL() << "no exception";
    } catch (const u3::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'12a' is not a valid floating point value");
    }
}

TEST_F(LocaleTest, NormalizeDecimalText)
{
    Use(",", ".");
    EXPECT_EQ(NormalizeDecimalText("1.234.5"), "1,234,5") << "a '.' thousands separator is never dropped";
    Use(".", "'");
    EXPECT_EQ(NormalizeDecimalText("1'234,5"), "1234.5");
}

TEST_F(LocaleTest, FloatToDotTextIgnoresTheLocale)
{
    Use(",", ".");
    EXPECT_EQ(FloatToDotText(0.5), "0.5");
    EXPECT_EQ(FloatToDotText(1234567.25), "1234567.25");
    EXPECT_EQ(FloatToDotText(0.1 + 0.2), "0.3") << "15 significant digits";
    EXPECT_EQ(FloatToDotText(-3), "-3");
    EXPECT_EQ(FloatToDotText(1e20), "1e+20");
    EXPECT_EQ(GetDotFormatSettings().DecimalSeparator, ".");
    EXPECT_EQ(GetDotFormatSettings().ThousandSeparator, "");
}

TEST(FileNames, Parts)
{
    struct Case {
        std::string path, noExt, name, folder;
    };
    const std::vector<Case> cases = {
        {"C:\\dir\\file.txt", "C:\\dir\\file", "file.txt", "C:\\dir\\"},
        {"/a.b/c", "/a.b/c", "c", "/a.b/"},
        {"/a/c.tar.gz", "/a/c.tar", "c.tar.gz", "/a/"},
        {"C:file.x", "C:file", "file.x", "C:"},
        {"plain", "plain", "plain", ""},
        {"dir/", "dir/", "", "dir/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(RemoveFileExt(c.path), c.noExt);
        EXPECT_EQ(ExtractFileNameAny(c.path), c.name);
        EXPECT_EQ(ExtractFilePathAny(c.path), c.folder);
    }
}

TEST(SoapLog, AppendsEntriesBesideTheProgram)
{
    e3test::TempDir dir;
    SetExeNameOverride(dir.str() + "/client.bin");
    AppendSoapLog("first", "");
    AppendSoapLog("second\r\nline", "");
    AppendSoapLog("tagged", "_In");
    SetExeNameOverride("");
    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/client_SOAP.log"), "\r\n\r\nfirst\r\n\r\nsecond\r\nline");
    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/client_SOAP_In.log"), "\r\n\r\ntagged");
}

TEST(SoapLog, EntriesFromThreadsDoNotInterleave)
{
    e3test::TempDir dir;
    SetExeNameOverride(dir.str() + "/client");
    const std::string a(5000, 'a');
    const std::string b(5000, 'b');
    std::thread t1([&] {
        for (int i = 0; i < 50; ++i)
            AppendSoapLog(a, "");
    });
    std::thread t2([&] {
        for (int i = 0; i < 50; ++i)
            AppendSoapLog(b, "");
    });
    t1.join();
    t2.join();
    SetExeNameOverride("");
    const std::string log = e3test::ReadWholeFile(dir.str() + "/client_SOAP.log");
    const auto entries = SplitTokens(log, "\r\n\r\n");
    ASSERT_EQ(entries.size(), 101u);
    EXPECT_EQ(entries[0], "");
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_TRUE(entries[i] == a || entries[i] == b) << "entry " << i << " is mixed";
}

TEST(SoapLog, UnwritableLogIsSwallowed)
{
    e3test::TempDir dir;
    // The log's name is taken by a folder: the open fails, nothing is thrown.
    std::filesystem::create_directories(dir.path() / "client_SOAP.log");
    SetExeNameOverride(dir.str() + "/client");
    EXPECT_NO_THROW(AppendSoapLog("lost", ""));
    SetExeNameOverride("");
}

} // namespace
} // namespace u3

TEST(Utf8, BrokenSequencesBecomeOneReplacementPerMaximalPart)
{
    const std::string r = "\xEF\xBF\xBD";
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {"plain \x01\x08\x1B\x7F", "plain \x01\x08\x1B\x7F"},
        {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        {"\xFF\xFE", r + r},
        {"\xC0\xAF", r + r},                  // never a lead byte
        {"\xE0\x80\xAF", r + r + r},          // overlong: refused at its second byte
        {"\xED\xA0\x80", r + r + r},          // a surrogate
        {"\xF4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
        {"\xE2\x82", r},                      // cut off: one for the whole part
        {"\xF0\x9F\x98" "a", r + "a"},
        {"\x80\xBF", r + r},                  // continuation bytes alone
        {"a\xE9t\xE9", "a" + r + "t" + r},    // Windows-1252
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(u3::MakeValidUtf8(text), c.in != c.out) << c.in;
        EXPECT_EQ(text, c.out) << c.in;
        EXPECT_TRUE(u3::IsValidUtf8(text)) << c.in;
        EXPECT_EQ(u3::IsValidUtf8(c.in), c.in == c.out) << c.in;
    }
}
