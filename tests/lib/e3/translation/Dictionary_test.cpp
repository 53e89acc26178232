#include "e3/dictionary/DictCodePage.h"
#include "e3/dictionary/ItemSession.h"
#include "e3/translation/MultiLanguage.h"

#include "multilang/LanguageTable.h"
#include "support/RecordingUserMessages.h"
#include "support/TempDir.h"
#include "u3/Files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

extern char** environ;

using namespace e3;

namespace {

const std::string NotDictionary = " is not MultiLanguage dictinary.";

std::unique_ptr<TLanguage> MakeLanguage(const std::string& name, const std::string& prefix = "",
                                        bool remark = false)
{
    auto lang = std::make_unique<TLanguage>();
    lang->Name = name;
    lang->Caption = name;
    lang->Prefix = prefix.empty() ? name.substr(0, 2) : prefix;
    lang->IsRemark = remark;
    return lang;
}

void AddLanguages(TItemSession& s, const std::vector<std::string>& names)
{
    for (const auto& n : names) {
        auto lang = MakeLanguage(n);
        s.AddLanguage(lang);
    }
}

TLanguageWord Row(std::vector<std::string> words)
{
    TLanguageWord row;
    row.Words = std::move(words);
    return row;
}

const TLanguage* L(const TItemSession& s, const std::string& name)
{
    return s.GetLanguages().FindLanguage(name);
}

// Each column's words, and each item's words, as text; compares two
// dictionaries by what they hold rather than how.
std::string Describe(const TItemSession& s)
{
    std::string out;
    for (int c = 0; c < s.GetLanguages().Count(); ++c) {
        const TLanguage* lang = s.GetLanguages()[c];
        out += "L " + lang->Name + "|" + lang->Caption + "|" + lang->Prefix + "|" + std::to_string(lang->Index) +
               (lang->IsRemark ? " remark" : "") + "\n";
        for (int i = 0; i < s.GetWordCount(lang); ++i)
            out += "  " + s.GetWord(i, lang) + "\n";
    }
    for (int i = 0; i < s.GetItemCount(); ++i) {
        out += "I";
        for (int c = 0; c < s.GetLanguages().Count(); ++c)
            out += "|" + s.GetItem(i)->GetWord(s.GetLanguages()[c]);
        out += "\n";
    }
    return out;
}

// Unilang:, Unitext:, English:, German: and a remark column, three items.
void FillSample(TItemSession& s)
{
    AddLanguages(s, {"Unilang:", "Unitext:", "English:", "German:"});
    auto notes = MakeLanguage("Notes:", "RM", true);
    s.AddLanguage(notes);
    s.AddItem(Row({"save", "Save", "Save", "Speichern", "menu"}));
    s.AddItem(Row({"open", "Open", "", "Öffnen", ""}));
    s.AddItem(Row({"size", "Size", "Size", "Größe", ""}));
}

void CheckLinks(const TItemSession& s)
{
    for (int c = 0; c < s.GetLanguages().Count(); ++c) {
        const TLanguage* lang = s.GetLanguages()[c];
        for (int i = 0; i < s.GetWordCount(lang); ++i) {
            const TLanguageItem* item = s.GetItemByWordIndex(i, lang);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(item->GetWordIndex(lang), i) << lang->Name << " word " << i;
        }
    }
}

// A byte string from a literal, embedded zero bytes included.
template <size_t N> std::string Bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

std::string Slurp(const std::string& path)
{
    return e3test::ReadWholeFile(path);
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

// ---- the model ----------------------------------------------------------------------

TEST(DictionaryModel, SortedInsertMovesLaterWordsAndTheirItems)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "German:"});
    s.AddItem(Row({"c", "C"}));
    s.AddItem(Row({"a", "A"}));
    TLanguageItem* b = s.AddItem(Row({"b", ""}));
    const TLanguage* key = L(s, "Unilang:");
    EXPECT_EQ(s.GetWord(0, key), "a");
    EXPECT_EQ(s.GetWord(1, key), "b");
    EXPECT_EQ(s.GetWord(2, key), "c");
    EXPECT_EQ(b->GetWordIndex(key), 1);
    EXPECT_EQ(s.GetItem(0)->GetWordIndex(key), 2);
    EXPECT_EQ(b->GetWordIndex(L(s, "German:")), -1);
    CheckLinks(s);
    EXPECT_TRUE(s.Modified);
}

TEST(DictionaryModel, RowsThatDoNotFit)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "German:"});
    EXPECT_EQ(s.AddItem(Row({"", ""})), nullptr);
    EXPECT_EQ(s.GetItemCount(), 0);
    try {
        s.AddItem(Row({"x"}));
        FAIL();
    } catch (const ELangException& e) {
        EXPECT_STREQ(e.what(), "Word not found. Operation aborted.");
    }
    try {
        s.GetWordList(L(s, "German:")).GetWord(3);
        FAIL();
    } catch (const ELangException& e) {
        EXPECT_STREQ(e.what(), "Element with index \"3\" not found.");
    }
    TLanguage stranger;
    stranger.Name = "Klingon:";
    EXPECT_THROW(s.GetWordCount(&stranger), ELangException);
}

TEST(DictionaryModel, LookupGivesFirstPositionThroughInsertsAndDeletes)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "German:"});
    const TLanguage* key = L(s, "Unilang:");
    s.AddItem(Row({"m", "1"}));
    s.AddItem(Row({"z", "2"}));
    EXPECT_EQ(s.IndexOfWord("z", key), 1);
    s.AddItem(Row({"a", "3"})); // moves "z" to 2
    EXPECT_EQ(s.IndexOfWord("z", key), 2);
    s.AddItem(Row({"m", "4"})); // equal words: the new one goes first
    EXPECT_EQ(s.IndexOfWord("m", key), 1);
    EXPECT_EQ(s.FindItem("m", key)->GetWord(L(s, "German:")), "4");
    s.DeleteItemByWordIndex(1, key);
    EXPECT_EQ(s.FindItem("m", key)->GetWord(L(s, "German:")), "1");
    EXPECT_EQ(s.IndexOfWord("z", key), 2);
    s.DeleteItemsByWord("m", key);
    EXPECT_EQ(s.IndexOfWord("m", key), -1);
    EXPECT_EQ(s.IndexOfWord("z", key), 1);
    CheckLinks(s);
}

TEST(DictionaryModel, SortOrderIsCodePageBytes)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:"});
    // In CP1252 "Ä" is 0xC4 and "é" 0xE9, both above every ASCII letter.
    for (const char* w : {"é", "b", "Ä", "a"})
        s.AddItem(Row({w}));
    const TLanguage* key = L(s, "Unilang:");
    std::vector<std::string> order;
    for (int i = 0; i < s.GetWordCount(key); ++i)
        order.push_back(s.GetWord(i, key));
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "Ä", "é"}));
}

TEST(DictionaryModel, DeletingALanguageDropsItemsLeftWithoutWords)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "German:"});
    s.AddItem(Row({"k", "K"}));
    s.AddItem(Row({"", "only German"}));
    s.DeleteLanguage(L(s, "German:"));
    EXPECT_EQ(s.GetLanguageCount(), 1);
    ASSERT_EQ(s.GetItemCount(), 1);
    EXPECT_EQ(s.GetItemWord(0, L(s, "Unilang:")), "k");
    EXPECT_EQ(s.GetLanguages()[0]->Index, 0);
}

TEST(DictionaryModel, LanguagesByNameWithoutCase)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "German:"});
    auto again = MakeLanguage("GERMAN:");
    EXPECT_EQ(s.AddLanguage(again), nullptr);
    EXPECT_NE(again, nullptr); // still the caller's
    auto inserted = MakeLanguage("English:");
    s.InsertLanguage(1, inserted);
    EXPECT_EQ(s.GetLanguages()[1]->Name, "English:");
    EXPECT_EQ(s.GetLanguages()[2]->Index, 2);
    EXPECT_EQ(s.GetLanguages().FindLanguage("german:"), s.GetLanguages()[2]);
}

// ---- translation on one dictionary --------------------------------------------------

TEST(WordTranslation, OneDictionary)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "Unitext:", "German:"});
    s.AddItem(Row({"save", "Save", "Speichern"}));
    s.AddItem(Row({"open", "Open", ""}));
    s.AddItem(Row({"12a", "", "zwölf"}));
    s.AddItem(Row({"42", "", "zweiundvierzig"}));
    const TLanguage* key = L(s, "Unilang:");
    const TLanguage* german = L(s, "German:");
    struct Case {
        std::string word;
        const TLanguage* target;
        TStatusTranslate status;
        std::string result;
    };
    const std::vector<Case> cases = {
        {"save", german, TStatusTranslate::stOk, "Speichern"},
        {"open", german, TStatusTranslate::stNo, "open"},      // item without a German word
        {"missing", german, TStatusTranslate::stNo, "missing"},
        {"Save", german, TStatusTranslate::stNo, "Save"},      // case matters
        {"", german, TStatusTranslate::stOk, ""},
        {"save", key, TStatusTranslate::stOk, "save"},
        {"12a", german, TStatusTranslate::stOk, "zwölf"},
        // numbers are never looked up, even when the dictionary has them
        {"42", german, TStatusTranslate::stNo, "42"},
        {" 42", german, TStatusTranslate::stNo, " 42"},
        {"-7", german, TStatusTranslate::stNo, "-7"},
        {"$1F", german, TStatusTranslate::stNo, "$1F"},
        {"0x1f", german, TStatusTranslate::stNo, "0x1f"},
    };
    for (const auto& c : cases) {
        TStatusTranslate status = TStatusTranslate::stOther;
        std::string result = "unset";
        s.TranslateWord(nullptr, nullptr, c.word, status, key, c.target, result);
        EXPECT_EQ(status, c.status) << c.word;
        EXPECT_EQ(result, c.result) << c.word;
    }
    TLanguage stranger;
    stranger.Name = "Klingon:";
    TStatusTranslate status;
    std::string result;
    try {
        s.TranslateWord(nullptr, nullptr, "save", status, key, &stranger, result);
        FAIL();
    } catch (const ELangException& e) {
        EXPECT_STREQ(e.what(), "Language \"Klingon:\" is not registered.");
    }
}

// ---- translation through the multi-language object ----------------------------------

class MultiLanguageTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        multilang::StartLanguageTable();
        LangSession().OpenSession("first.lgf");
        first = LangSession().Find("first.lgf");
        AddLanguages(*first, {"Unilang:", "Unitext:", "German:"});
        first->AddItem(Row({"save", "Save", "Speichern"}));
        first->AddItem(Row({"open", "Open", ""}));
        first->AddItem(Row({"gone", "", ""}));
        first->AddItem(Row({"ref", "Ref", "\\save\\"}));
        first->AddItem(Row({"\\save\\", "", "Sichern"}));
        first->AddItem(Row({"loop", "", "\\loop\\"}));
        first->AddItem(Row({"\\loop\\", "", "\\loop\\"}));
        first->AddItem(Row({"\\a\\", "", "\\b\\"}));
        first->AddItem(Row({"\\b\\", "", "\\a\\"}));
        first->AddItem(Row({"pingpong", "", "\\a\\"}));
        ml.FileName = "first.lgf";
    }
    void TearDown() override
    {
        LangSession().CloseSession("first.lgf");
        LangSession().CloseSession("second.lgf");
        multilang::StopLanguageTable();
    }
    std::pair<TStatusTranslate, std::string> Translate(const std::string& word, const std::string& target)
    {
        TStatusTranslate status = TStatusTranslate::stOther;
        std::string result;
        ml.TranslateByNames(nullptr, nullptr, word, "Default", status, "Unilang:", target, result);
        return {status, result};
    }

    TItemSession* first = nullptr;
    TMultiLanguage ml;
};

TEST_F(MultiLanguageTranslation, Fallbacks)
{
    using P = std::pair<TStatusTranslate, std::string>;
    EXPECT_EQ(Translate("save", "German:"), P(TStatusTranslate::stOk, "Speichern"));
    EXPECT_EQ(Translate("open", "German:"), P(TStatusTranslate::stNo, "Open"));   // the default text
    EXPECT_EQ(Translate("gone", "German:"), P(TStatusTranslate::stNo, "Default"));
    EXPECT_EQ(Translate("nowhere", "German:"), P(TStatusTranslate::stNo, "Default"));
    EXPECT_EQ(Translate("nowhere", "Unitext:"), P(TStatusTranslate::stNo, "Default"));
    EXPECT_EQ(Translate("nowhere", "Unilang:"), P(TStatusTranslate::stOk, "nowhere"));
    EXPECT_EQ(Translate("save", "Klingon:"), P(TStatusTranslate::stNo, "Default"));
    ml.FileName = "not-open.lgf";
    EXPECT_EQ(Translate("save", "German:"), P(TStatusTranslate::stNo, "Default"));
}

TEST_F(MultiLanguageTranslation, ReferencesAndTheirLoops)
{
    using P = std::pair<TStatusTranslate, std::string>;
    EXPECT_EQ(Translate("ref", "German:"), P(TStatusTranslate::stOk, "Sichern"));
    EXPECT_EQ(Translate("loop", "German:"), P(TStatusTranslate::stNo, "\\loop\\"));
    EXPECT_EQ(Translate("pingpong", "German:"), P(TStatusTranslate::stNo, "\\a\\"));
    // A long chain that does not loop is cut at its depth limit.
    for (int i = 0; i < 40; ++i)
        first->AddItem(Row({"\\c" + std::to_string(i) + "\\", "", "\\c" + std::to_string(i + 1) + "\\"}));
    const auto [status, result] = Translate("\\c0\\", "German:");
    EXPECT_EQ(status, TStatusTranslate::stNo);
    EXPECT_EQ(result.substr(0, 2), "\\c");
}

TEST_F(MultiLanguageTranslation, AllFindAndEvents)
{
    LangSession().OpenSession("second.lgf");
    TItemSession* second = LangSession().Find("second.lgf");
    AddLanguages(*second, {"Unilang:", "Unitext:", "German:"});
    second->AddItem(Row({"close", "Close", "Schließen"}));
    ml.AllFind = true;
    using P = std::pair<TStatusTranslate, std::string>;
    EXPECT_EQ(Translate("close", "German:"), P(TStatusTranslate::stOther, "Schließen"));
    EXPECT_EQ(Translate("save", "German:"), P(TStatusTranslate::stOther, "Speichern"));

    ml.OnWordTranslateBefore = [](const fw::TObject*, const TLanguage*, std::string&, bool& can) { can = false; };
    TStatusTranslate status = TStatusTranslate::stOther;
    std::string result;
    ml.TranslateWord(nullptr, nullptr, "save", "D", status, L(*first, "Unilang:"), L(*first, "German:"), result);
    EXPECT_EQ(result, "save");
    EXPECT_EQ(status, TStatusTranslate::stOther); // untouched

    ml.OnWordTranslateBefore = [](const fw::TObject*, const TLanguage*, std::string& w, bool&) { w = "close"; };
    ml.OnWordTranslateAfter = [](const fw::TObject*, const TLanguage*, std::string&, std::string& t,
                                 TStatusTranslate&) { t += "!"; };
    EXPECT_EQ(Translate("anything", "German:"), P(TStatusTranslate::stOther, "Schließen!"));
}

TEST(DictionaryTrace, MissingWordsAreWrittenOnceAndLogErrorsAreSwallowed)
{
    e3test::TempDir dir;
    u3::SetExeNameOverride(dir.str() + "/prog");
    TItemSession s;
    s.DebugMode = true;
    AddLanguages(s, {"Unilang:", "German:"});
    const std::string unique = "trace-" + std::to_string(::getpid()) + "-ü";
    TStatusTranslate status;
    std::string result;
    for (int i = 0; i < 2; ++i)
        s.TranslateWord(nullptr, nullptr, unique, status, L(s, "Unilang:"), L(s, "German:"), result);
    s.TranslateWord(nullptr, nullptr, " 42", status, L(s, "Unilang:"), L(s, "German:"), result);
    const std::string log = Slurp(dir.str() + "/MLDebug.log");
    const std::string word = Utf8ToCodePage(unique);
    EXPECT_EQ(log, "Un>" + word + "\r\nGe>" + word +
                       "\r\n-ParentObject:>Unknown\r\n-ClassObject:>Nil\r\n-ObjectName:>Nil\r\n"
                       "-PropertyName:>Unknown\r\n-Items:>Unknown\r\n\r\n");

    // A log that cannot be opened leaves the translation alone.
    std::filesystem::remove(dir.str() + "/MLDebug.log");
    std::filesystem::create_directory(dir.str() + "/MLDebug.log");
    EXPECT_NO_THROW(s.TranslateWord(nullptr, nullptr, unique + "2", status, L(s, "Unilang:"), L(s, "German:"),
                                    result));
    EXPECT_EQ(result, unique + "2");
    u3::SetExeNameOverride("");
}

// ---- the dictionary file -----------------------------------------------------------------

TEST(DictionaryFile, SaveLoadSaveGivesTheSameBytes)
{
    TItemSession s;
    FillSample(s);
    std::string first;
    s.SaveToStream(first);
    TItemSession loaded;
    loaded.LoadFromStreamFull(first);
    EXPECT_EQ(Describe(loaded), Describe(s));
    std::string second;
    loaded.SaveToStream(second);
    EXPECT_EQ(second, first);

    // The 8-bit reader leaves the remark column out.
    TItemSession plain;
    plain.LoadFromStream(first);
    EXPECT_EQ(plain.GetLanguageCount(), 4);
    EXPECT_EQ(plain.GetItemCount(), 3);
    CheckLinks(plain);
}

TEST(DictionaryFile, LongWordsAndTheirLengthCodes)
{
    struct Case {
        size_t length;
        std::string header; // code and length bytes
    };
    const std::vector<Case> cases = {
        {255, std::string("\x06\xff", 2)},
        {256, std::string("\x0c\x00\x01\x00\x00", 5)},
        {300, std::string("\x0c\x2c\x01\x00\x00", 5)},
    };
    for (const auto& c : cases) {
        TItemSession s;
        AddLanguages(s, {"Unilang:"});
        std::string word;
        for (size_t i = 0; i < c.length; ++i)
            word += i % 2 ? "é" : "x";
        s.AddItem(Row({word}));
        std::string bytes;
        s.SaveToStream(bytes);
        EXPECT_NE(bytes.find(c.header + Utf8ToCodePage(word)), std::string::npos) << c.length;
        TItemSession loaded;
        loaded.LoadFromStream(bytes);
        EXPECT_EQ(loaded.GetItemWord(0, L(loaded, "Unilang:")), word);
    }
}

TEST(DictionaryFile, WideWriterGivesTheSameDictionary)
{
    TItemSession s;
    FillSample(s);
    s.AddItem(Row({"gap", std::string("\xc2\x81", 2), "", "", ""})); // the CP1252 gap 0x81
    std::string narrow, wide;
    s.SaveToStream(narrow);
    s.SaveToStreamWide(wide);
    EXPECT_EQ(wide.substr(0, 15), Bytes("\x12\x08\x00\x00\x00M\0L\0s\0t\0r\0"));
    TItemSession a, b, c;
    a.LoadFromStreamFull(wide);
    EXPECT_EQ(Describe(a), Describe(s));
    b.LoadFromStream(wide);
    c.LoadFromStream(narrow);
    EXPECT_EQ(Describe(b), Describe(c));
    std::string again;
    a.SaveToStream(again);
    EXPECT_EQ(again, narrow);
}

TEST(DictionaryFile, ColumnsChosenByNameOrNumber)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "Unitext:", "English:", "German:"});
    s.AddItem(Row({"k1", "T1", "E1", "G1"}));
    s.AddItem(Row({"k2", "T2", "", "G2"}));
    std::string bytes;
    s.SaveToStream(bytes);

    TItemSession byName;
    byName.LoadLanguagesFromStream(bytes, 3, {"German:", "Unitext:", "Unilang:", "English:"});
    ASSERT_EQ(byName.GetLanguageCount(), 3);
    EXPECT_EQ(byName.GetLanguages()[0]->Name, "Unilang:");
    EXPECT_EQ(byName.GetLanguages()[1]->Name, "Unitext:");
    EXPECT_EQ(byName.GetLanguages()[2]->Name, "German:");
    EXPECT_EQ(byName.GetLanguages()[2]->Index, 2);
    EXPECT_EQ(byName.GetItemWord(1, L(byName, "German:")), "G2");
    CheckLinks(byName);

    TItemSession wrongCase;
    wrongCase.LoadLanguagesFromStream(bytes, 1, {"german:"});
    EXPECT_EQ(wrongCase.GetLanguageCount(), 0);

    TItemSession byNumber;
    byNumber.LoadLanguageNumbersFromStream(bytes, 2, {3, 2});
    ASSERT_EQ(byNumber.GetLanguageCount(), 2);
    EXPECT_EQ(byNumber.GetLanguages()[0]->Name, "English:");
    EXPECT_EQ(byNumber.GetLanguages()[1]->Name, "German:");
    EXPECT_EQ(byNumber.GetItemWord(0, L(byNumber, "English:")), "E1");
}

TEST(DictionaryFile, OtherValueCodesAreAccepted)
{
    // Hand-made stream: UTF-8 (20) and wide (18) strings, 2- and 4-byte integers,
    // a Boolean written as an odd code, a word no item claims, and a word two
    // items claim (the later one wins).
    std::string d;
    auto str = [&d](const std::string& s) { d += '\x06'; d += static_cast<char>(s.size()); d += s; };
    d += Bytes("\x06\x08MLstream\x01");
    for (const char* name : {"Unilang:", "German:"}) {
        d += '\x14';
        d += std::string("\x00\x00\x00", 3).insert(0, 1, static_cast<char>(std::strlen(name)));
        d += name;
        str(name);
        str("P");
        d += std::string("\x04\x00\x00\x00\x00", 5); // index as 4 bytes
        d += '\x02'; // not code 9: reads as False
        d += '\x08';
        d += std::string("\x03\x8c\x00", 3);
        d += '\x08';
    }
    d += '\x00';
    d += Bytes("\x01" "\x01\x02\x00\x02\x00\x00" "\x01\x02\x01\x02\x01\x00" "\x01\x02\x01\x02\x01\x00" "\x00");
    d += Bytes("\x01\x06\x01" "a" "\x12\x02\x00\x00\x00" "b\0\xfc\0" "\x06\x01" "c" "\x00");
    d += Bytes("\x01\x06\x02" "Aa" "\x06\x02" "Bb" "\x00");
    TItemSession s;
    s.LoadFromStream(d);
    ASSERT_EQ(s.GetLanguageCount(), 2);
    EXPECT_EQ(s.GetLanguages()[1]->Name, "German:");
    EXPECT_FALSE(s.GetLanguages()[0]->Visible);
    EXPECT_EQ(s.GetLanguages()[0]->ReservedInt, 140);
    const TLanguage* key = L(s, "Unilang:");
    const TLanguage* german = L(s, "German:");
    EXPECT_EQ(s.GetWord(1, key), "bü");
    TStatusTranslate status;
    std::string result;
    s.TranslateWord(nullptr, nullptr, "a", status, key, german, result);
    EXPECT_EQ(result, "Aa");
    s.TranslateWord(nullptr, nullptr, "bü", status, key, german, result);
    EXPECT_EQ(result, "Bb"); // the later claim of "Bb" wins
    EXPECT_EQ(s.GetItem(1)->GetWordIndex(german), -1);
    s.TranslateWord(nullptr, nullptr, "c", status, key, german, result);
    EXPECT_EQ(status, TStatusTranslate::stNo); // claimed by no item
}

TEST(DictionaryFile, FilesThatAreNotDictionaries)
{
    e3test::TempDir dir;
    const std::vector<std::string> contents = {"", Bytes("\x06\x08MLstreaX"), "MLstream",
                                               Bytes("\x06\x08MLstream\x01\x00\x01\x00")};
    for (size_t i = 0; i < contents.size(); ++i) {
        const std::string path = dir.write("bad" + std::to_string(i) + ".lgf", contents[i]);
        TItemSession s;
        if (i == 3) { // no columns and no items: an empty dictionary
            EXPECT_TRUE(s.LoadFromFile(path));
            continue;
        }
        try {
            s.LoadFromFile(path);
            FAIL() << i;
        } catch (const ELangException& e) {
            EXPECT_EQ(std::string(e.what()), "File " + path + NotDictionary);
        }
    }
    TItemSession s;
    EXPECT_FALSE(s.LoadFromFile(dir.str() + "/missing.lgf"));
}

TEST(DictionaryFile, CorruptFilesGiveTheOneMessage)
{
    TItemSession sample;
    FillSample(sample);
    std::string good;
    sample.SaveToStream(good);
    e3test::TempDir dir;
    const std::string path = dir.str() + "/d.lgf";
    const std::string message = "File " + path + NotDictionary;
    auto load = [&](const std::string& bytes, bool full) {
        WriteFile(path, bytes);
        TItemSession s;
        try {
            full ? s.LoadFromFileFull(path) : s.LoadFromFile(path);
            CheckLinks(s);
        } catch (const ELangException& e) {
            EXPECT_EQ(e.what(), message);
            EXPECT_EQ(s.GetItemCount(), 0);
        }
    };
    for (size_t cut = 0; cut < good.size(); ++cut)
        load(good.substr(0, cut), cut % 2 == 0);
    std::mt19937 random(12345);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = good;
        for (int flips = 1 + round % 4; flips > 0; --flips)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        load(bytes, round % 2 == 0);
    }
    // Lengths and positions that point far away.
    std::string huge = good;
    huge.replace(huge.find(Bytes("\x06\x04Save")), 2, std::string("\x0c\xff\xff\xff\x7f", 5));
    load(huge, false);
    std::string negative = good;
    negative.replace(negative.find(Bytes("\x06\x04Save")), 2, std::string("\x0c\xfe\xff\xff\xff", 5));
    load(negative, false);
}

TEST(DictionaryFile, SavingKeepsTheFirstSaveAsBackup)
{
    e3test::TempDir dir;
    e3test::RecordingUserMessages messages;
    const std::string path = dir.str() + "/program.lgf";
    TItemSession s;
    FillSample(s);
    ASSERT_TRUE(s.SaveToFile(path));
    EXPECT_FALSE(s.Modified);
    const std::string firstSave = Slurp(path);
    s.AddItem(Row({"new", "", "", "", ""}));
    ASSERT_TRUE(s.SaveToFile(path));
    EXPECT_EQ(Slurp(dir.str() + "/program.~lgf"), firstSave);
    std::string expected;
    s.SaveToStream(expected);
    EXPECT_EQ(Slurp(path), expected);
    TItemSession loaded;
    EXPECT_TRUE(loaded.LoadFromFile(path));
    EXPECT_FALSE(loaded.Modified);
    EXPECT_TRUE(messages.shown.empty());

    // A folder that cannot take the new file: the old file stays as it was.
    if (::geteuid() != 0) {
        ::chmod(dir.str().c_str(), 0500);
        EXPECT_FALSE(s.SaveToFile(path));
        ::chmod(dir.str().c_str(), 0700);
        EXPECT_EQ(Slurp(path), expected);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].rfind("Cannot create file \"" + path + "\".", 0), 0u);
    }
}

// ---- an independent implementation of the stream format -----------------------------------------

namespace {

// Runs a program and gives its standard output; -1 exit code when it could not run.
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
        *output = Slurp(outPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveFpc()
{
    for (const char* dir : {"/usr/bin", "/usr/local/bin"})
        if (::access((std::string(dir) + "/fpc").c_str(), X_OK) == 0)
            return true;
    return false;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// What the oracle's reader prints for a dictionary.
std::string OracleDump(const TItemSession& s)
{
    std::string out = "T|MLstream\n";
    const TLanguageList& langs = s.GetLanguages();
    for (int c = 0; c < langs.Count(); ++c) {
        const TLanguage& l = *langs[c];
        out += "L|" + Hex(Utf8ToCodePage(l.Name)) + "|" + Hex(Utf8ToCodePage(l.Caption)) + "|" +
               Hex(Utf8ToCodePage(l.Prefix)) + "|" + std::to_string(l.Index) + "|" + (l.Visible ? "1" : "0") + "|" +
               (l.IsRemark ? "1" : "0") + "|" + std::to_string(l.ReservedInt) + "|" + (l.ReservedFlag ? "1" : "0") +
               "\n";
    }
    for (int i = 0; i < s.GetItemCount(); ++i) {
        out += "I";
        for (int p : s.GetItem(i)->Indexes)
            out += "|" + std::to_string(p);
        out += "\n";
    }
    for (int c = 0; c < langs.Count(); ++c)
        for (int i = 0; i < s.GetWordCount(langs[c]); ++i)
            out += "W|" + std::to_string(c) + "|" + Hex(s.GetWordList(langs[c]).GetWord(i)) + "\n";
    for (int c = 0; c < langs.Count(); ++c)
        out += langs[c]->IsRemark ? "P|N\n" : "P|Y|TImage\n";
    return out;
}

} // namespace

TEST(DictionaryFile, AgreesWithAnIndependentImplementation)
{
    if (!HaveFpc())
        GTEST_SKIP() << "fpc (Free Pascal) is not installed; the independent reader and writer cannot be built";
    const std::string build = std::string(E3_BUILD_DIR) + "/mlstream_oracle";
    std::filesystem::create_directories(build);
    const std::string oracle = build + "/mlstream_oracle";
    std::string log;
    ASSERT_EQ(RunProgram({"fpc", "-FU" + build, "-o" + oracle, std::string(E3_TEST_DATA_DIR) + "/mlstream_oracle.pas"},
                  &log),
              0)
        << log;

    e3test::TempDir dir;
    // Its files load in our readers and come back byte for byte from our writers.
    const std::string theirs = dir.str() + "/theirs.lgf";
    const std::string theirsWide = dir.str() + "/theirs-wide.lgf";
    ASSERT_EQ(RunProgram({oracle, "write", theirs}, nullptr), 0);
    ASSERT_EQ(RunProgram({oracle, "writewide", theirsWide}, nullptr), 0);
    TItemSession full;
    ASSERT_TRUE(full.LoadFromFileFull(theirs));
    EXPECT_EQ(full.GetItemWord(2, L(full, "German:")), "Grün");
    std::string longWord;
    for (int i = 0; i < 300; ++i)
        longWord += "é";
    EXPECT_EQ(full.GetItemWord(3, L(full, "Unilang:")), longWord);
    EXPECT_EQ(full.GetItemWord(1, L(full, "German:")), "");
    EXPECT_EQ(full.GetItemWord(1, L(full, "Notes:")), "a remark");
    std::string ours, oursWide;
    full.SaveToStream(ours);
    full.SaveToStreamWide(oursWide);
    EXPECT_EQ(ours, Slurp(theirs));
    EXPECT_EQ(oursWide, Slurp(theirsWide));
    TItemSession fromWide;
    ASSERT_TRUE(fromWide.LoadFromFileFull(theirsWide));
    EXPECT_EQ(Describe(fromWide), Describe(full));

    TItemSession client;
    ASSERT_TRUE(client.LoadLanguagesFromFile(theirs, 2, {"German:", "Unilang:"}));
    TStatusTranslate status;
    std::string result;
    client.TranslateWord(nullptr, nullptr, "alpha", status, L(client, "Unilang:"), L(client, "German:"), result);
    EXPECT_EQ(result, "Alpha\xc2\x81");

    // Our files parse in its reader.
    TItemSession mine;
    FillSample(mine);
    mine.AddItem(Row({std::string(300, 'L'), "", "", "", ""}));
    const std::string ourFile = dir.str() + "/ours.lgf";
    ASSERT_TRUE(mine.SaveToFile(ourFile));
    std::string dump;
    ASSERT_EQ(RunProgram({oracle, "read", ourFile}, &dump), 0);
    EXPECT_EQ(dump, OracleDump(mine));
}
