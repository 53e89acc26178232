#include "e3/translation/ComponentTranslation.h"
#include "e3/dictionary/ItemSession.h"
#include "e3/translation/MultiLanguage.h"

#include "framework/Rtti.h"
#include "multilang/LanguageTable.h"
#include "support/TempDir.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"

#include <gtest/gtest.h>

#include <random>

using namespace e3;

namespace {

TLanguageWord Row(std::vector<std::string> words)
{
    TLanguageWord row;
    row.Words = std::move(words);
    return row;
}

void AddLanguages(TItemSession& s, const std::vector<std::string>& names)
{
    for (const auto& n : names) {
        auto lang = std::make_unique<TLanguage>();
        lang->Name = lang->Caption = n;
        lang->Prefix = n.substr(0, 2);
        s.AddLanguage(lang);
    }
}

// A component with one translatable text, registered under its own class.
class TCacheProbe : public fw::TComponent {
    FW_CLASS()
public:
    TCacheProbe(fw::TComponent* owner, const std::string& name, const std::string& caption)
        : TComponent(owner), caption_(caption)
    {
        SetName(name);
    }
    std::string GetCaption() const { return caption_; }
    void SetCaption(const std::string& value) { caption_ = value; }

private:
    std::string caption_;
};

const fw::TClassInfo& TCacheProbe::StaticClass()
{
    static const fw::TClassInfo info {
        "TCacheProbe",
        &fw::TComponent::StaticClass(),
        fw::TRows<TCacheProbe> {fw::prop::String("Caption", &TCacheProbe::GetCaption, &TCacheProbe::SetCaption)},
    };
    return info;
}

class RecordingDesigner : public TCustomDesignerML {
public:
    using TCustomDesignerML::TCustomDesignerML;
    void LanguageChanged(int index) override { seen.push_back(index); }
    std::vector<int> seen;
};

} // namespace

// The word index against a plain scan through a random mix of appends,
// sorted adds, inserts and deletes with many repeated words.
TEST(WordListIndex, AlwaysGivesTheFirstPositionOfAWord)
{
    std::mt19937 random(7);
    TOneLangList list;
    std::vector<std::string> reference;
    auto word = [&] { return "w" + std::to_string(random() % 40); };
    for (int step = 0; step < 3000; ++step) {
        const unsigned op = random() % 10;
        if (op < 4) {
            const std::string w = word();
            list.Append(w, nullptr);
            reference.push_back(w);
        } else if (op < 6) {
            const std::string w = word();
            const int at = list.Add(w);
            reference.insert(reference.begin() + at, w);
        } else if (op < 7 && !reference.empty()) {
            const int at = static_cast<int>(random() % reference.size());
            const std::string w = word();
            list.Insert(at, w, nullptr);
            reference.insert(reference.begin() + at, w);
        } else if (op < 9 && !reference.empty()) {
            const int at = static_cast<int>(random() % reference.size());
            list.Delete(at);
            reference.erase(reference.begin() + at);
        } else if (op == 9 && step % 500 == 9) {
            list.Clear();
            reference.clear();
        }
        for (const std::string& w : {word(), word(), std::string("missing"), std::string()}) {
            const auto it = std::find(reference.begin(), reference.end(), w);
            const int expected = it == reference.end() ? -1 : static_cast<int>(it - reference.begin());
            ASSERT_EQ(list.IndexOf(w), expected) << "step " << step << " word " << w;
        }
    }
}

TEST(WordListIndex, GrowsWhileAppendingAndComparesWholeWords)
{
    // Words that share a long prefix and differ in length or in their last bytes;
    // the index is asked between appends, so it grows as the list does.
    auto word = [](int i) {
        return "common-prefix-" + std::string(static_cast<size_t>(i % 7), 'x') + std::to_string(i % 2500);
    };
    TOneLangList list;
    for (int i = 0; i < 5000; ++i) {
        list.Append(word(i), nullptr);
        if (i % 97 == 0) {
            ASSERT_EQ(list.IndexOf(word(i)), i);
        }
    }
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(list.IndexOf(word(i)), i);
    EXPECT_EQ(list.IndexOf("common-prefix-"), -1);
    EXPECT_EQ(list.IndexOf("common-prefix-x"), -1);
    EXPECT_EQ(list.IndexOf(std::string("common-prefix-0\0", 16)), -1);
    list.Append(word(3), nullptr); // a repeat keeps the first position
    EXPECT_EQ(list.IndexOf(word(3)), 3);
}

TEST(Statistics, CountsUsesInTheStatisticsColumn)
{
    TItemSession s;
    AddLanguages(s, {"Unilang:", "German:", "Statistics"});
    s.AddItem(Row({"save", "Speichern", ""}));
    s.AddItem(Row({"open", "Oeffnen", "9"}));
    s.AddItem(Row({"close", "Schliessen", "10"}));
    const TLanguage* key = s.GetLanguages()[0];
    const TLanguage* stats = s.GetLanguages()[2];
    auto count = [&](const std::string& word) { return s.FindItem(word, key)->GetWord(stats); };

    s.IncStatistics(s.IndexOfItem(s.FindItem("save", key)));
    EXPECT_EQ(count("save"), "1");
    s.IncStatistics(s.FindItem("open", key));
    s.IncStatistics(s.FindItem("save", key));
    EXPECT_EQ(count("save"), "2");
    EXPECT_EQ(count("open"), "10");
    EXPECT_EQ(count("close"), "10");
    // The column stays sorted and every item still finds its own count.
    const TOneLangList& list = s.GetWordList(stats);
    for (int i = 0; i + 1 < list.Count(); ++i)
        EXPECT_LE(list.GetWord(i), list.GetWord(i + 1));
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.GetObject(i)->GetWordIndex(stats), i);
    EXPECT_EQ(s.IndexOfWord("10", stats), 0);

    s.IncStatistics(-1); // past the ends: nothing
    s.IncStatistics(99);
    s.AddItem(Row({"bad", "Schlecht", "many"}));
    EXPECT_THROW(s.IncStatistics(s.FindItem("bad", key)), u3::EConvertError);
    EXPECT_EQ(count("bad"), "many");

    TItemSession plain;
    AddLanguages(plain, {"Unilang:", "German:"});
    plain.AddItem(Row({"save", "Speichern"}));
    plain.IncStatistics(0);
    EXPECT_EQ(plain.GetLanguageCount(), 2);
    EXPECT_EQ(plain.GetItemWord(0, plain.GetLanguages()[1]), "Speichern");
}

class MultiLanguageComponent : public ::testing::Test {
protected:
    void SetUp() override
    {
        multilang::StartLanguageTable();
        u3::SetExeNameOverride((dir.path() / "client").string());
    }
    void TearDown() override
    {
        LangSession().CloseSession(path);
        LangSession().CloseSession(fileName);
        u3::SetExeNameOverride("");
        multilang::StopLanguageTable();
    }
    // An open dictionary built in memory.
    TItemSession* OpenInMemory()
    {
        LangSession().OpenSession(fileName);
        TItemSession* s = LangSession().Find(fileName);
        AddLanguages(*s, {"English:", "German:", "French:"});
        s->AddItem(Row({"Save", "Speichern", "Enregistrer"}));
        s->AddItem(Row({"Open", "Oeffnen", ""}));
        return s;
    }

    e3test::TempDir dir;
    const std::string path = (dir.path() / "stats.lgf").string();
    const std::string fileName = "component.lgf";
};

TEST_F(MultiLanguageComponent, StatisticsReadEveryColumnAndReachTheFileAtTheEnd)
{
    {
        TItemSession s;
        AddLanguages(s, {"Unilang:", "German:", "STATISTICS"});
        auto remark = std::make_unique<TLanguage>();
        remark->Name = remark->Caption = "Remark";
        remark->Prefix = "Re";
        remark->IsRemark = true;
        s.AddLanguage(remark);
        s.AddItem(Row({"save", "Speichern", "", "a note"}));
        s.AddItem(Row({"open", "Oeffnen", "", ""}));
        ASSERT_TRUE(s.SaveToFile(path));
    }
    {
        TMultiLanguage off;
        off.SetFileName(path);
        EXPECT_EQ(off.StatisticsColumn(), 2);
        EXPECT_EQ(LangSession().Find(path)->GetLanguageCount(), 3); // the remark column was left out
        LangSession().CloseSession(path);
    }
    {
        TMultiLanguage ml;
        ml.Statistics = true;
        ml.SetFileName(path);
        TItemSession* s = LangSession().Find(path);
        ASSERT_EQ(s->GetLanguageCount(), 4);
        const TLanguage* german = s->GetLanguages().FindLanguage("German:");
        TStatusTranslate status;
        std::string result;
        for (int i = 0; i < 3; ++i)
            ml.TranslateFromMain(nullptr, nullptr, "save", "", status, german, result);
        EXPECT_EQ(result, "Speichern");
        ml.TranslateFromMain(nullptr, nullptr, "unknown", "", status, german, result);
    }
    LangSession().CloseSession(path);
    TItemSession saved;
    ASSERT_TRUE(saved.LoadFromFileFull(path));
    const TLanguage* key = saved.GetLanguages()[0];
    const TLanguage* stats = saved.GetLanguages().FindLanguage("STATISTICS");
    EXPECT_EQ(saved.FindItem("save", key)->GetWord(stats), "3");
    EXPECT_EQ(saved.FindItem("open", key)->GetWord(stats), "");
    EXPECT_EQ(saved.FindItem("save", key)->GetWord(saved.GetLanguages().FindLanguage("Remark")), "a note");
}

TEST_F(MultiLanguageComponent, ReadsTheNotTranslateSection)
{
    dir.write("client.ini", "[General]\nx=1\n[Not translate]\nfirst=OK\nsecond=a=b\n[Other]\ny=2\n");
    TMultiLanguage ml;
    EXPECT_EQ(ml.NotTranslate(), (std::vector<std::string> {"OK", "a=b"}));
}

TEST_F(MultiLanguageComponent, PackingKeepsNamesOfTheOwnersComponents)
{
    fw::TComponent form(nullptr);
    auto* ml = new TMultiLanguage(&form);
    new TCacheProbe(&form, "Btn1", "");
    new TCacheProbe(&form, "Btn2", "");
    const std::vector<std::string> names {"Btn1", "", "Gone", "Form1", "btn2", "MultiLanguage"};
    ml->SetListComponents(names);
    ml->PackListComponents(&form); // an owner without a name packs nothing
    EXPECT_EQ(ml->GetListComponents(), names);
    form.SetName("Form1");
    ml->PackListComponents(&form);
    EXPECT_EQ(ml->GetListComponents(), (std::vector<std::string> {"Btn1", "Form1", "btn2"}));
    ml->SetListComponents({});
    ml->PackListComponents(&form);
    EXPECT_TRUE(ml->GetListComponents().empty());
}

TEST_F(MultiLanguageComponent, CacheTranslatesListedComponentsFromTheirFirstTexts)
{
    RegisterTranslatableProperties(TCacheProbe::StaticClass(), {"Caption"});
    TItemSession* dictionary = OpenInMemory();
    fw::TComponent form(nullptr);
    form.SetName("Form1");
    auto* ml = new TMultiLanguage(&form);
    ml->DebugMode = ml->DebugDialog = false;
    auto* save = new TCacheProbe(&form, "Btn1", "Save");
    auto* open = new TCacheProbe(&form, "Btn2", "Open");
    auto* unlisted = new TCacheProbe(&form, "Btn3", "Save");
    ml->SetListComponents({"Btn1", "Btn2", "Nothing"});
    ml->LoadDictionaryLanguages(fileName, 0, {});
    EXPECT_TRUE(ml->CachePending());

    ml->ChangeLanguageByName("German:");
    EXPECT_FALSE(ml->CachePending());
    EXPECT_EQ(save->GetCaption(), "Speichern");
    EXPECT_EQ(open->GetCaption(), "Oeffnen");
    EXPECT_EQ(unlisted->GetCaption(), "Save");
    // The cached items answer, not the texts now shown; a missing word leaves the text.
    ml->ChangeLanguageByName("French:");
    EXPECT_EQ(save->GetCaption(), "Enregistrer");
    EXPECT_EQ(open->GetCaption(), "Oeffnen");

    // Items removed from the dictionary are not touched again.
    dictionary->DeleteItem(1);
    ml->ChangeLanguageByName("English:");
    EXPECT_EQ(save->GetCaption(), "Enregistrer");
    EXPECT_EQ(open->GetCaption(), "Oeffnen");

    // Nor are those of a dictionary that was closed.
    TLanguage german;
    german.Assign(*dictionary->GetLanguages().FindLanguage("German:"));
    LangSession().CloseSession(fileName);
    ml->ChangeLanguage(german);
    EXPECT_EQ(save->GetCaption(), "Enregistrer");
    EXPECT_EQ(ml->CurrentName(), "German:");
}

TEST_F(MultiLanguageComponent, DesignerHearsOfChangesUntilItIsFreed)
{
    OpenInMemory();
    fw::TComponent form(nullptr);
    auto* ml = new TMultiLanguage(&form);
    auto* designer = new RecordingDesigner(nullptr);
    ml->SetDesignerML(designer);
    ml->LoadDictionaryLanguages(fileName, 0, {});
    std::vector<std::string> after;
    ml->OnLangChangeAfter = [&](TMultiLanguage*, const TLanguage* lng, const TLanguage* newLng) {
        after.push_back(lng->Name + ">" + newLng->Name);
    };
    ml->ChangeLanguageByName("French:");
    ml->ChangeLanguageByName("French:"); // already current: told again, nothing translated
    EXPECT_EQ(designer->seen, (std::vector<int> {2, 2}));
    EXPECT_EQ(after, (std::vector<std::string> {"English:>French:", "English:>French:"}));

    delete designer;
    EXPECT_EQ(ml->GetDesignerML(), nullptr);
    ml->ChangeLanguageByName("German:");
    EXPECT_EQ(ml->CurrentName(), "German:");

    // Without an owner a change only records the languages.
    TMultiLanguage alone;
    RecordingDesigner kept(nullptr);
    alone.SetDesignerML(&kept);
    alone.LoadDictionaryLanguages(fileName, 0, {});
    alone.ChangeLanguageByName("German:");
    EXPECT_TRUE(kept.seen.empty());
    alone.ChangeLanguageByName("German:");
    EXPECT_EQ(kept.seen, std::vector<int> {1});
    alone.SetDesignerML(nullptr);
}

TEST_F(MultiLanguageComponent, SetLanguageReplacesTheMainLanguageOnlyWhileDesigned)
{
    TItemSession* dictionary = OpenInMemory();
    TMultiLanguage ml;
    ml.LoadDictionaryLanguages(fileName, 0, {});
    const TLanguage* french = dictionary->GetLanguages().FindLanguage("French:");
    ml.SetLanguage(*french);
    EXPECT_EQ(ml.MainLanguage().Name, "English:");
    EXPECT_EQ(ml.CurrentLanguage().Name, "French:");
    EXPECT_EQ(ml.PreviousLanguage().Name, "English:");
    ml.SetLanguage(ml.MainLanguage()); // the main language object itself: nothing
    EXPECT_EQ(ml.CurrentLanguage().Name, "French:");

    ml.SetDesigning(true);
    ml.SetLanguage(*dictionary->GetLanguages().FindLanguage("German:"));
    for (const TLanguage* lang : {&ml.MainLanguage(), &ml.CurrentLanguage(), &ml.PreviousLanguage()})
        EXPECT_EQ(lang->Name, "German:");
}

TEST_F(MultiLanguageComponent, PublishesItsSettings)
{
    OpenInMemory();
    TMultiLanguage ml;
    const fw::TClassInfo& info = ml.ClassType();
    info.FindProperty("AllFind")->set(ml, true);
    EXPECT_TRUE(ml.AllFind);
    info.FindProperty("LangMainNumber")->set(ml, int32_t {1});
    info.FindProperty("LangMainName")->set(ml, std::string("French:"));
    EXPECT_EQ(ml.LangMainNumber, -1);
    info.FindProperty("TranslateForm")->set(ml, false);
    EXPECT_FALSE(ml.TranslateForm);
    EXPECT_EQ(std::get<std::string>(info.FindProperty("LangMainName")->get(ml)), "French:");

    // The cached components' names, read and written as a list of lines.
    auto* names = dynamic_cast<fw::TStrings*>(std::get<fw::TObject*>(info.FindProperty("listcomponents")->get(ml)));
    ASSERT_NE(names, nullptr);
    ml.SetListComponents({"Btn1", "Btn2"});
    EXPECT_EQ(names->GetCommaText(), "Btn1,Btn2");
    names->SetText("Edit1\r\nForm1\r\n");
    EXPECT_EQ(ml.GetListComponents(), (std::vector<std::string> {"Edit1", "Form1"}));

    // While designed, a file name is recorded without being read.
    ml.SetDesigning(true);
    info.FindProperty("FileName")->set(ml, path);
    EXPECT_EQ(ml.FileName, path);
    EXPECT_EQ(LangSession().Find(path), nullptr);
}

TEST_F(MultiLanguageComponent, ComponentLanguageChangeTellsTheDesignerTheNewPosition)
{
    OpenInMemory();
    TMultiLanguage ml;
    RecordingDesigner designer(nullptr);
    ml.SetDesignerML(&designer);
    ml.FileName = fileName;
    std::vector<std::string> order;
    ml.OnLangChangeAfter = [&](TMultiLanguage*, const TLanguage*, const TLanguage* newLng) {
        order.push_back("after " + newLng->Name + " seen " + std::to_string(designer.seen.size()));
    };
    fw::TComponent form(nullptr);
    ml.ChangeComponentLanguage(&form, "English:", "French:");
    ml.ChangeComponentLanguage(&form, "french:", "GERMAN:");
    EXPECT_EQ(designer.seen, (std::vector<int> {2, 1}));
    EXPECT_EQ(order, (std::vector<std::string> {"after French: seen 1", "after German: seen 2"}));

    // A refused change tells nobody.
    ml.OnLangChangeBefore = [](TMultiLanguage*, const TLanguage*, const TLanguage*&, bool& canChange) {
        canChange = false;
    };
    ml.ChangeComponentLanguage(&form, "English:", "German:");
    EXPECT_EQ(designer.seen.size(), 2u);
    ml.SetDesignerML(nullptr);
}
