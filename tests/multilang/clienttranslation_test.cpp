#include "multilang/ClientTranslation.h"

#include "u3/LanguageTable.h"
#include "support/TempDir.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

using namespace multilang;

namespace {

const std::string LostKey = "Client.ServerNotFound";
const std::string LostDefault = "Connection to server lost. Please close and retry.";

// Writes a dictionary with our own writer: one column per caption, one row per item.
std::string WriteDictionary(const std::string& path, const std::vector<std::string>& captions,
                            const std::vector<std::vector<std::string>>& rows)
{
    e3::TItemSession dictionary;
    for (const auto& caption : captions) {
        auto lang = std::make_unique<e3::TLanguage>();
        lang->Name = caption;
        lang->Caption = caption;
        lang->Prefix = "-" + caption;
        dictionary.AddLanguage(lang);
    }
    for (const auto& words : rows) {
        e3::TLanguageWord row;
        row.Words = words;
        dictionary.AddItem(row);
    }
    EXPECT_TRUE(dictionary.SaveToFile(path));
    return path;
}

class ClientTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartLanguageTable();
        DoneMultiLanguage();
        u3::SetExeNameOverride((dir.path() / "client").string());
    }
    void TearDown() override
    {
        DoneMultiLanguage();
        u3::SetExeNameOverride("");
        StopLanguageTable();
    }
    std::string WriteLocalDictionary()
    {
        return WriteDictionary(LocalDictionaryFileName(), {"Unilang:", "Unitext:", "English:", "German:"},
                               {{"SRC." + LostKey, "Connection lost (text)", "Server gone.", "Server weg."},
                                {"SRC.OnlyText", "Plain text", "", ""},
                                {"SRC.Dash", "", "-", "-"}});
    }

    e3test::TempDir dir;
};

} // namespace

TEST(MarkUntranslated, OneWordGetsAMarkSeveralWordsGetUnderscores)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Connect", "_Connect"}, {"Server address", "Server_address"}, {"_x", "_x"}, {"", ""},
        {"-", "_-"},             {" lead", "_lead"},                   {"a  b", "a__b"}, {"_a b", "_a_b"}};
    for (const auto& [text, marked] : cases)
        EXPECT_EQ(MarkUntranslated(text), marked) << text;
}

TEST_F(ClientTranslation, TextsAreDefaultsUntilSetUpAndMarkedWithoutDictionary)
{
    EXPECT_EQ(MultiLanguage(), nullptr);
    EXPECT_EQ(TranslateSrc(LostKey, LostDefault), LostDefault);
    EXPECT_EQ(TranslateKey("Form.Button.Caption", "Ok"), "Ok");

    InitMultiLanguage();
    ASSERT_NE(MultiLanguage(), nullptr);
    EXPECT_THROW(LoadDictionary(LocalDictionaryFileName()), e3::ELangException); // no file there
    EXPECT_EQ(TranslateSrc(LostKey, LostDefault), "Connection_to_server_lost._Please_close_and_retry.");
    const std::pair<std::string, std::string> cases[] = {{"Ok", "_Ok"}, {"_Ok", "_Ok"}, {"-", "-"}, {"", ""}};
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(TranslateKey("F.C.Caption", text), shown) << text;

    CurrentLanguage = 3;
    DoneMultiLanguage();
    EXPECT_EQ(MultiLanguage(), nullptr);
    EXPECT_EQ(CurrentLanguage, EnglishNumber);
    EXPECT_EQ(MainLanguage, UnilangNumber);
    EXPECT_EQ(TranslateSrc(LostKey, LostDefault), LostDefault);
    EXPECT_EQ(LoadDictionary(LocalDictionaryFileName()), nullptr);
}

TEST_F(ClientTranslation, LocalDictionaryTranslatesAndMarksItsFallbacks)
{
    WriteLocalDictionary();
    EXPECT_EQ(SetUpLocalTranslation(), "Server gone.");
    // The text column's word is a fallback, shown marked; so is the default.
    EXPECT_EQ(TranslateSrc("OnlyText", "Default"), "Plain_text");
    EXPECT_EQ(TranslateSrc("Missing", "Default"), "_Default");
    EXPECT_EQ(TranslateSrc("Dash", "x"), "-");

    DoneMultiLanguage();
    CurrentLanguage = 3;
    EXPECT_EQ(SetUpLocalTranslation(), "Server weg.");
    EXPECT_EQ(e3::LangSession().Find(LocalDictionaryFileName())->GetLanguageCount(), 3);
}

TEST_F(ClientTranslation, KeyLanguageAsCurrentReadsOnlyKeyAndTextColumns)
{
    WriteLocalDictionary();
    CurrentLanguage = MainLanguage;
    InitMultiLanguage();
    LoadDictionary(LocalDictionaryFileName());
    const e3::TItemSession* dictionary = e3::LangSession().Find(LocalDictionaryFileName());
    ASSERT_NE(dictionary, nullptr);
    ASSERT_EQ(dictionary->GetLanguageCount(), 2);
    EXPECT_EQ(dictionary->GetLanguages()[0]->Name, "Unilang:");
    EXPECT_EQ(dictionary->GetLanguages()[1]->Name, "Unitext:");
    // In the key language every key is its own text.
    EXPECT_EQ(TranslateSrc(LostKey, LostDefault), "SRC." + LostKey);
}

TEST_F(ClientTranslation, FailedLoadsLeaveTextsMarkedUntilTheNextChange)
{
    WriteLocalDictionary();
    CurrentLanguage = 4; // a language the file has no column for
    InitMultiLanguage();
    try {
        LoadDictionary(LocalDictionaryFileName());
        FAIL() << "loading without the current column raised nothing";
    } catch (const e3::ELangException& e) {
        EXPECT_EQ(std::string(e.what()), "Language \"" + LanguageNames[4] + "\" is not registered.");
    }
    EXPECT_EQ(TranslateSrc(LostKey, LostDefault), "Connection_to_server_lost._Please_close_and_retry.");
    DoneMultiLanguage();

    CurrentLanguage = 4;
    EXPECT_EQ(SetUpLocalTranslation(), "Connection_to_server_lost._Please_close_and_retry.");
    DoneMultiLanguage();

    // Not a dictionary at all: swallowed, the object stays, texts are marked.
    dir.write("client.lgf", "garbage");
    EXPECT_EQ(SetUpLocalTranslation(), "Connection_to_server_lost._Please_close_and_retry.");
    EXPECT_NE(MultiLanguage(), nullptr);
    DoneMultiLanguage();

    // A change back reads the file anew.
    WriteLocalDictionary();
    EXPECT_EQ(SetUpLocalTranslation(), "Server gone.");
}

// The single parameter "ML" (exactly so) makes an empty "lng.log" in the
// current folder, or empties one that is there; any other command line leaves
// the folder alone.
TEST_F(ClientTranslation, SingleParameterMLMakesOrEmptiesTheTraceFile)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    struct Restore {
        std::filesystem::path folder;
        ~Restore()
        {
            u3::SetProgramArguments({});
            std::filesystem::current_path(folder);
        }
    } restore {previous};
    const std::filesystem::path trace = dir.path() / "lng.log";

    for (const std::vector<std::string>& others : {std::vector<std::string> {"ml"},
                                                   std::vector<std::string> {"ML", "-MLDEBUG"},
                                                   std::vector<std::string> {}}) {
        u3::SetProgramArguments(others);
        InitMultiLanguage();
        EXPECT_FALSE(std::filesystem::exists(trace)) << others.size() << " parameters";
        DoneMultiLanguage();
    }

    {
        std::ofstream old(trace);
        old << "left over";
    }
    u3::SetProgramArguments({"ML"});
    InitMultiLanguage();
    ASSERT_NE(MultiLanguage(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(trace));
    EXPECT_EQ(std::filesystem::file_size(trace), 0u);
    DoneMultiLanguage();

    std::filesystem::remove(trace);
    InitMultiLanguage();
    EXPECT_TRUE(std::filesystem::exists(trace));
    DoneMultiLanguage();
}
