#include "e3/dictionary/ItemSession.h"
#include "e3/translation/MultiLanguage.h"
#include "e3/dictionary/WorkbookReader.h"

#include "support/RecordingUserMessages.h"
#include "support/TempDir.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

extern char** environ;

using namespace e3;

namespace {

using RecordingDialogs = e3test::RecordingUserMessages;

void AddLanguage(TItemSession& s, const std::string& name, const std::string& prefix)
{
    auto lang = std::make_unique<TLanguage>();
    lang->Name = name;
    lang->Caption = name + " caption";
    lang->Prefix = prefix;
    ASSERT_TRUE(s.AddLanguage(lang));
}

TLanguageWord Row(const std::vector<std::string>& words)
{
    TLanguageWord row;
    row.Words = words;
    return row;
}

// Every item as "word|word|..." in item order, for whole-dictionary comparisons.
std::vector<std::string> Items(const TItemSession& s)
{
    std::vector<std::string> out;
    for (int i = 0; i < s.GetItemCount(); ++i) {
        std::string line;
        for (int c = 0; c < s.GetLanguageCount(); ++c)
            line += (c ? "|" : "") + s.GetItem(i)->GetWordByIndex(c);
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> Names(const TItemSession& s)
{
    std::vector<std::string> out;
    for (int c = 0; c < s.GetLanguageCount(); ++c)
        out.push_back(s.GetLanguages()[c]->Name + " " + s.GetLanguages()[c]->Prefix);
    return out;
}

// Five languages, words in some of them.
void Fill(TItemSession& s)
{
    AddLanguage(s, "Unilang:", "-Unilang:");
    AddLanguage(s, "English:", "-English:");
    AddLanguage(s, "German:", "-German:");
    AddLanguage(s, "French:", "-French:");
    AddLanguage(s, "Remark:", "-Remark:");
    s.AddItem(Row({"size", "", "Gr\xc3\xb6\xc3\x9f" "e", "", ""}));
    s.AddItem(Row({"open", "Open", "\xc3\x96" "ffnen", "Ouvrir", "verb"}));
}

} // namespace

// ---- text -------------------------------------------------------------------------------

TEST(DictionaryText, ExportWritesOneLinePerWordInTheCodePageAndKeepsABackup)
{
    RecordingDialogs dialogs;
    e3test::TempDir dir;
    const std::string file = dir.write("dict.txt", "old contents");
    TItemSession s;
    Fill(s);
    s.ExportToText(file);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(e3test::ReadWholeFile(file),
              "-Unilang:>size\r\n-German:>Gr\xf6\xdf" "e\r\n\r\n"
              "-Unilang:>open\r\n-English:>Open\r\n-German:>\xd6" "ffnen\r\n-French:>Ouvrir\r\n-Remark:>verb\r\n\r\n");
    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/dict.~txt"), "old contents");

    // Back in, into an empty dictionary, the same items come out under
    // languages named after their prefixes.
    TItemSession back;
    back.ImportFromText(file);
    EXPECT_EQ(Names(back), (std::vector<std::string>{"Unilang -Unilang:", "German -German:", "English -English:",
                                                      "French -French:", "Remark -Remark:"}));
    EXPECT_EQ(Items(back), (std::vector<std::string>{"size|Gr\xc3\xb6\xc3\x9f" "e|||",
                                                      "open|\xc3\x96" "ffnen|Open|Ouvrir|verb"}));
}

TEST(DictionaryText, LanguageExportWritesEveryLanguageInWordOrder)
{
    RecordingDialogs dialogs;
    e3test::TempDir dir;
    TItemSession s;
    Fill(s);
    s.AddItem(Row({"close", "", "", "", ""})); // no German word: not written
    const std::string file = dir.str() + "/de.txt";
    s.ExportLanguageToText(file, s.GetLanguages().FindLanguage("German:"));
    EXPECT_EQ(e3test::ReadWholeFile(file),
              "-Unilang:>size\r\n-English:>\r\n-German:>Gr\xf6\xdf" "e\r\n-French:>\r\n-Remark:>\r\n\r\n"
              "-Unilang:>open\r\n-English:>Open\r\n-German:>\xd6" "ffnen\r\n-French:>Ouvrir\r\n-Remark:>verb\r\n\r\n");

    TLanguage stranger;
    stranger.Name = "Klingon:";
    stranger.Caption = "Klingon caption";
    s.ExportLanguageToText(dir.str() + "/x.txt", &stranger);
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Language \"Klingon caption\" is not registered."});
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/x.txt"));
}

TEST(DictionaryText, ImportReadsBlocksAndCreatesLanguagesFromLines)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> names;
        std::vector<std::string> items;
    };
    const std::vector<Case> cases = {
        {"blocks split by runs of blank lines, LF or CR LF",
         "-Unilang:>a\r\n-German:>A\r\n\r\n  \r\n\r\n-Unilang:>b\n\n-German:>C",
         {"Unilang -Unilang:", "German -German:"},
         {"a|A", "b|", "|C"}},
        {"lines without a language and without '>' add nothing",
         "-Unilang:>a\r\n\r\nnothing here\r\n  also nothing\r\n\r\n-Unilang:>b\r\n",
         {"Unilang -Unilang:"},
         {"a", "b"}},
        {"an empty word leaves the entry empty; an ignored line inside a block",
         "-Unilang:>a\r\n-German:>\r\njunk\r\n",
         {"Unilang -Unilang:", "German -German:"},
         {"a|"}},
        {"the prefix may sit inside the line; the first column matching wins",
         "x -Unilang:>a>b\r\n",
         {" -Unilang x -Unilang:"},
         {"a>b"}},
        {"a name that exists under another prefix is skipped, not read forever",
         "-Unilang:>a\r\n+Unilang:>b\r\n-Uni:>c\r\n",
         {"Unilang -Unilang:", "Uni -Uni:"},
         {"a|c"}},
        {"lines whose name would be empty are skipped",
         "a>b\r\nab>c\r\n-Unilang:>a\r\n",
         {"Unilang -Unilang:"},
         {"a"}},
        {"prefixes ending in '>' (from a workbook import) are found again",
         "-German:>>Haus\r\n-German:>>>Hof\r\n",
         {"German: -German:>"},
         {">Hof"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDialogs dialogs;
        e3test::TempDir dir;
        TItemSession s;
        if (std::string(c.name).find("workbook") != std::string::npos)
            AddLanguage(s, "German:", "-German:>");
        s.ImportFromText(dir.write("in.txt", c.text));
        EXPECT_TRUE(dialogs.errors.empty());
        EXPECT_EQ(Names(s), c.names);
        EXPECT_EQ(Items(s), c.items);
    }
}

TEST(DictionaryText, FailuresAreShownInAnErrorBox)
{
    RecordingDialogs dialogs;
    e3test::TempDir dir;
    TItemSession s;
    Fill(s);
    s.ImportFromText(dir.str() + "/missing.txt");
    s.ExportToText(dir.str() + "/no-such-folder/out.txt");
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_NE(dialogs.errors[0].find("missing.txt"), std::string::npos);
    EXPECT_NE(dialogs.errors[1].find("out.txt"), std::string::npos);
    EXPECT_EQ(s.GetItemCount(), 2);
}

TEST(DictionaryText, FormatsChooseTheForm)
{
    RecordingDialogs dialogs;
    e3test::TempDir dir;
    TItemSession s;
    Fill(s);
    s.ExportToFile(dir.str() + "/a.txt", 1);
    s.ExportToFile(dir.str() + "/b.xlsx", 2);
    s.ExportToFile(dir.str() + "/c.lgf", 3);
    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/a.txt").substr(0, 10), "-Unilang:>");
    EXPECT_EQ(e3test::ReadWholeFile(dir.str() + "/b.xlsx").substr(0, 2), "PK");
    EXPECT_EQ(ReadFirstWorksheetFromFile(dir.str() + "/b.xlsx").Cell(3, 4), "Ouvrir");
    TItemSession wide;
    ASSERT_TRUE(wide.LoadFromFileFull(dir.str() + "/c.lgf"));
    EXPECT_EQ(Items(wide), Items(s));

    for (int format : {0, 1, 2, 3, 4}) {
        SCOPED_TRACE(format);
        TItemSession in;
        in.ImportFromFile(dir.str() + (format == 3 ? "/b.xlsx" : "/a.txt"), format);
        EXPECT_EQ(in.GetItemCount(), format >= 1 && format <= 3 ? 2 : 0);
    }
    EXPECT_TRUE(dialogs.errors.empty());
}

// ---- workbook --------------------------------------------------------------------------------

namespace {

int RunProgram(const std::vector<std::string>& args, std::string* output)
{
    e3test::TempDir dir;
    const std::string outPath = dir.str() + "/out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (output)
        *output = e3test::ReadWholeFile(outPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The system's Python, which the Debian package serves, before any other.
const std::string& Python()
{
    static const std::string chosen = [] {
        for (const char* candidate : {"/usr/bin/python3", "python3"})
            if (RunProgram({candidate, "-c", "import openpyxl"}, nullptr) == 0)
                return std::string(candidate);
        return std::string();
    }();
    return chosen;
}

#define REQUIRE_OPENPYXL()                                                                                     \
    if (Python().empty())                                                                                      \
    GTEST_SKIP() << "python3-openpyxl is not installed; the independent workbook reader and writer are missing"

// Prints every cell of the first sheet as "row,column=value", then the header
// fonts of row 1.
const char* DumpScript = R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
for row in ws.iter_rows():
    for c in row:
        if c.value is not None:
            print(f"{c.row},{c.column}={c.value}")
for c in ws[1]:
    f = c.font
    print(f"font {c.column} b={f.b} i={f.i} u={f.u} color={f.color.rgb if f.color else None}")
)";

} // namespace

TEST(DictionaryWorkbook, ExportIsReadByAnIndependentReader)
{
    REQUIRE_OPENPYXL();
    RecordingDialogs dialogs;
    e3test::TempDir dir;
    TItemSession s;
    Fill(s);
    const std::string file = dir.str() + "/out.xlsx";
    s.ExportToExcel(file);
    ASSERT_TRUE(dialogs.errors.empty());
    std::string dump;
    ASSERT_EQ(RunProgram({Python(), "-c", DumpScript, file}, &dump), 0);
    EXPECT_EQ(dump, "1,1=Unilang:\n1,2=English:\n1,3=German:\n1,4=French:\n1,5=Remark:\n"
                    "2,1=size\n2,3=Gr\xc3\xb6\xc3\x9f" "e\n"
                    "3,1=open\n3,2=Open\n3,3=\xc3\x96" "ffnen\n3,4=Ouvrir\n3,5=verb\n"
                    "font 1 b=True i=True u=single color=FF000080\n"
                    "font 2 b=True i=True u=single color=FF000080\n"
                    "font 3 b=True i=True u=single color=FF000080\n"
                    "font 4 b=True i=True u=single color=FF000080\n"
                    "font 5 b=True i=True u=single color=FF000080\n");
}

TEST(DictionaryWorkbook, ImportOfAnIndependentWorkbookAsksAboutDuplicates)
{
    REQUIRE_OPENPYXL();
    e3test::TempDir dir;
    const std::string file = dir.str() + "/in.xlsx";
    // Shared strings, numbers, a row gap, a column without a name, a second
    // sheet that is not read.
    const char* script = R"(
import sys, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Words"
ws.append(["unilang:", "German:", "Neu:"])
ws.append(["open", "Offen", "neu1"])
ws.append(["size", "Gr\u00f6\u00dfe", 12])
ws.append([])
ws.append(["close", None, 0.1])
ws["E6"] = "orphan"
ws["A7"] = "tab\tx"
wb.create_sheet("Second")["A1"] = "never read"
wb.save(sys.argv[1])
)";
    if (RunProgram({Python(), "-c", script, file}, nullptr) != 0)
        GTEST_SKIP() << "this openpyxl cannot write the test workbook";

    struct Case {
        u3::QuestionAnswer answer;
        std::vector<std::string> items;
    };
    const std::string size = "size|Gr\xc3\xb6\xc3\x9f" "e||12";
    const std::vector<Case> cases = {
        {u3::QuestionAnswer::Yes, {"old|Alt||", "open|Offen||neu1", size, "close|||0.1", "tab\tx|||"}},
        {u3::QuestionAnswer::No,
         {"open|Auf||", "close|Schliessen||", "old|Alt||", "open|Offen||neu1", size, "close|||0.1", "tab\tx|||"}},
        {u3::QuestionAnswer::Cancel, {"open|Auf||", "close|Schliessen||", "old|Alt||", size, "tab\tx|||"}},
    };
    for (const auto& c : cases) {
        RecordingDialogs dialogs;
        dialogs.answer = c.answer;
        TItemSession s;
        AddLanguage(s, "UniLang:", "-UniLang:");
        AddLanguage(s, "German:", "-German:");
        AddLanguage(s, "English:", "-English:");
        s.AddItem(Row({"open", "Auf", ""}));
        s.AddItem(Row({"close", "Schliessen", ""}));
        s.AddItem(Row({"old", "Alt", ""}));
        s.ImportFromExcel(file);
        ASSERT_EQ(dialogs.questions.size(), 1u);
        EXPECT_EQ(dialogs.questions[0],
                  "Question: Press \"Yes\" if you want to override translations of the existing records with the "
                  "same ones, press \"No\" if you want to add duplicate records or press \"Cancel\" to ignore "
                  "duplicate records.");
        EXPECT_EQ(Names(s), (std::vector<std::string>{"UniLang: -UniLang:", "German: -German:",
                                                       "English: -English:", "Neu: -Neu::>"}));
        EXPECT_EQ(Items(s), c.items) << "answer " << static_cast<int>(c.answer);
    }

    // An empty dictionary asks nothing and takes every row.
    RecordingDialogs dialogs;
    TItemSession empty;
    empty.ImportFromExcel(file);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(Names(empty), (std::vector<std::string>{"unilang: -unilang::>", "German: -German::>", "Neu: -Neu::>"}));
    EXPECT_EQ(Items(empty), (std::vector<std::string>{"open|Offen|neu1", "size|Gr\xc3\xb6\xc3\x9f" "e|12",
                                                      "close||0.1", "tab\tx||"}));
}

TEST(DictionaryWorkbook, ExportThenImportKeepsTheDictionary)
{
    RecordingDialogs dialogs;
    e3test::TempDir dir;
    TItemSession s;
    Fill(s);
    s.AddItem(Row({"a\x01" "b_x0041_", "", "", "", ""}));
    const std::string file = dir.str() + "/round.xlsx";
    s.ExportToExcel(file);
    TItemSession back;
    back.ImportFromExcel(file);
    EXPECT_EQ(Items(back), Items(s));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(DictionaryWorkbook, HostileArchivesAreRefused)
{
    // A zip holding only a workbook whose sheet relationship climbs out of the
    // archive, built with openpyxl's zip neighbour in the standard library.
    REQUIRE_OPENPYXL();
    e3test::TempDir dir;
    const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("xl/workbook.xml", '<workbook xmlns:r="urn:r"><sheets><sheet r:id="a"/></sheets></workbook>')
    z.writestr("xl/_rels/workbook.xml.rels", '<Relationships><Relationship Id="a" Target="../../../etc/passwd"/></Relationships>')
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("xl/workbook.xml", '<workbook xmlns:r="urn:r"><sheets><sheet r:id="a"/></sheets></workbook>')
    z.writestr("xl/_rels/workbook.xml.rels", '<Relationships><Relationship Id="a" Target="s.xml"/></Relationships>')
    z.writestr("xl/s.xml", '<worksheet><sheetData><row r="1"><c r="XFE1" t="inlineStr"><is><t>x</t></is></c></row></sheetData></worksheet>')
)";
    const std::string climbing = dir.str() + "/climb.xlsx", wide = dir.str() + "/wide.xlsx";
    ASSERT_EQ(RunProgram({Python(), "-c", script, climbing, wide}, nullptr), 0);
    const std::string garbage = dir.write("garbage.xlsx", "PK\x03\x04 not really");
    for (const std::string& file : {climbing, wide, garbage}) {
        SCOPED_TRACE(file);
        EXPECT_THROW(ReadFirstWorksheetFromFile(file), ELangException);
        TItemSession s;
        s.ImportFromExcel(file); // silently nothing
        EXPECT_EQ(s.GetLanguageCount(), 0);
    }
}

// ---- the multi-language object ------------------------------------------------------------------

namespace {

class MultiLanguageChanges : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A file beside the test program, since bare names are looked up there.
        fileName_ = "exchange-test-" + std::to_string(::getpid()) + ".lgf";
        path_ = u3::AppendPathDelimiter(u3::ExtractFilePathAny(u3::GetExeName())) + fileName_;
        TItemSession s;
        AddLanguage(s, "Unilang:", "-Unilang:");
        AddLanguage(s, "English:", "-English:");
        AddLanguage(s, "German:", "-German:");
        s.AddItem(Row({"save", "Save", "Speichern"}));
        ASSERT_TRUE(s.SaveToFile(path_));
    }
    void TearDown() override
    {
        LangSession().CloseSession(path_);
        ::unlink(path_.c_str());
        ::unlink(BackupPath().c_str());
    }
    std::string BackupPath() const { return path_.substr(0, path_.size() - 3) + "~lgf"; }

    std::string fileName_, path_;
};

} // namespace

TEST_F(MultiLanguageChanges, BareFileNameLoadsFromTheProgramFolderOnce)
{
    TMultiLanguage ml;
    ml.ChangeLanguageByName("German:"); // nothing open: nothing happens
    EXPECT_EQ(ml.CurrentLanguage().Name, "");

    ml.SetFileName(fileName_);
    EXPECT_EQ(ml.FileName, path_);
    ASSERT_NE(LangSession().Find(path_), nullptr);
    EXPECT_EQ(ml.MainLanguage().Name, "Unilang:");
    EXPECT_EQ(ml.CurrentLanguage().Name, "Unilang:");

    ml.ChangeLanguageByName("German:");
    ml.SetFileName(fileName_); // the same name again changes nothing
    EXPECT_EQ(ml.CurrentLanguage().Name, "German:");
    EXPECT_EQ(LangSession().Find(path_)->GetLanguageCount(), 3);
}

TEST_F(MultiLanguageChanges, MainLanguageByNameOrNumber)
{
    TMultiLanguage ml;
    ml.SetLangMainNumber(1);
    ml.SetLangMainName("German:");
    EXPECT_EQ(ml.LangMainNumber, -1);
    ml.SetLangMainNumber(1);
    EXPECT_EQ(ml.LangMainName, "");
    ml.SetFileName(fileName_);
    EXPECT_EQ(ml.MainLanguage().Name, "English:");

    // A missing main language raises after the file was registered.
    TMultiLanguage other;
    other.SetLangMainName("Klingon:");
    LangSession().CloseSession(path_);
    EXPECT_THROW(
        {
            try {
                other.SetFileName(path_);
            } catch (const ELangException& e) {
                EXPECT_STREQ(e.what(), "Language \"Klingon:\" does not exist.");
                throw;
            }
        },
        ELangException);
    EXPECT_NE(LangSession().Find(path_), nullptr);
}

TEST_F(MultiLanguageChanges, ChangesRecordPreviousAndCurrentAndAskFirst)
{
    TMultiLanguage ml;
    ml.SetFileName(fileName_);
    std::vector<std::string> events;
    bool allow = true;
    ml.OnLangChangeBefore = [&](TMultiLanguage*, const TLanguage* lng, const TLanguage*& newLng, bool& canChange) {
        events.push_back("before " + lng->Name + " -> " + newLng->Name);
        canChange = allow;
    };
    ml.OnLangChangeAfter = [&](TMultiLanguage*, const TLanguage* lng, const TLanguage* newLng) {
        events.push_back("after " + lng->Name + " -> " + newLng->Name);
    };

    ml.ChangeLanguageByName("german:");
    EXPECT_EQ(ml.PreviousLanguage().Name, "Unilang:");
    EXPECT_EQ(ml.CurrentLanguage().Name, "German:");
    EXPECT_EQ(ml.CurrentName(), "German:");
    EXPECT_EQ(ml.CurrentIndex(), 2);

    ml.ChangeLanguageByIndex(1);
    EXPECT_EQ(ml.PreviousLanguage().Name, "German:");
    EXPECT_EQ(ml.CurrentLanguage().Name, "English:");

    ml.ChangeLanguage(ml.CurrentLanguage()); // already current: only the events
    allow = false;
    ml.ChangeLanguageByName("Unilang:");
    EXPECT_EQ(ml.CurrentLanguage().Name, "English:");
    EXPECT_EQ(events, (std::vector<std::string>{"before Unilang: -> German:", "before Unilang: -> English:",
                                                "before German: -> English:", "after German: -> English:",
                                                "before German: -> Unilang:"}));

    struct Bad {
        std::function<void()> change;
        const char* message;
    };
    for (const Bad& bad : {Bad{[&] { ml.ChangeLanguageByName("Klingon:"); }, "Language \"Klingon:\" is not registered."},
                           Bad{[&] { ml.ChangeLanguageByIndex(3); }, "Language \"3\" is not registered."}}) {
        try {
            bad.change();
            ADD_FAILURE() << "no exception for " << bad.message;
        } catch (const ELangException& e) {
            EXPECT_STREQ(e.what(), bad.message);
        }
    }
}

TEST_F(MultiLanguageChanges, ChangeBackToThePreviousLanguageSwapsThem)
{
    TMultiLanguage ml;
    ml.SetFileName(fileName_);
    ml.ChangeLanguageByName("German:");
    ml.ChangeLanguage(ml.PreviousLanguage());
    EXPECT_EQ(ml.CurrentLanguage().Name, "Unilang:");
    EXPECT_EQ(ml.PreviousLanguage().Name, "German:");
    EXPECT_EQ(ml.CurrentIndex(), 0);

    TLanguage english;
    english.Assign(*LangSession().Find(path_)->GetLanguages()[1]);
    ml.SetPreviousLanguage(english);
    EXPECT_EQ(ml.PreviousLanguage().Name, "English:");
    EXPECT_EQ(ml.CurrentLanguage().Name, "Unilang:");
    ml.ChangeLanguage(ml.PreviousLanguage());
    EXPECT_EQ(ml.CurrentLanguage().Name, "English:");
    EXPECT_EQ(ml.PreviousLanguage().Name, "Unilang:");
}
