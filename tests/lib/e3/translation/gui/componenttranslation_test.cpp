#include "e3/translation/ComponentTranslation.h"
#include "e3/translation/DebugWordDialog.h"
#include "e3/edits/Edit.h"
#include "u3/LanguageTable.h"
#include "e3/translation/MultiLanguage.h"
#include "e3/containers/Panel.h"
#include "support/TempDir.h"
#include "u3/Files.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace e3;

namespace {

int Position(const std::string& upperName)
{
    const auto& registry = RegisteredClasses();
    for (size_t i = 0; i < registry.size(); ++i)
        if (registry[i].first == upperName)
            return static_cast<int>(i);
    return -1;
}

class ComponentTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        multilang::StartLanguageTable();
        u3::SetExeNameOverride((dir.path() / "client").string());
        LangSession().OpenSession(fileName);
        dictionary = LangSession().Find(fileName);
        for (const std::string name : {"English:", "Unitext:", "German:"}) {
            auto lang = std::make_unique<TLanguage>();
            lang->Name = lang->Caption = name;
            lang->Prefix = "-" + name;
            dictionary->AddLanguage(lang);
        }
        AddRow({"Save", "Save (text)", "Speichern"});
        AddRow({"Open", "Open (text)", ""});
        ml.FileName = fileName;
        ml.DebugMode = false;
        ml.DebugDialog = false;
        ml.LoadDictionaryLanguages(fileName, 0, {});
    }
    void TearDown() override
    {
        LangSession().CloseSession(fileName);
        u3::SetExeNameOverride("");
        multilang::StopLanguageTable();
    }
    void AddRow(std::vector<std::string> words)
    {
        TLanguageWord row;
        row.Words = std::move(words);
        dictionary->AddItem(row);
    }
    std::string LogPath() const { return (dir.path() / DebugLogFileName).string(); }

    e3test::TempDir dir;
    const std::string fileName = "components.lgf";
    TItemSession* dictionary = nullptr;
    TMultiLanguage ml;
};

} // namespace

TEST(RegisteredClasses, DerivedClassesComeBeforeTheirAncestors)
{
    EXPECT_LT(Position("TBITBTN"), Position("TBUTTON"));
    EXPECT_EQ(Position("TCONTROL"), static_cast<int>(RegisteredClasses().size()) - 1);

    const int button = Position("TBUTTON");
    RegisterTranslatableProperties(std::vector<std::string> {"TButton"}, {"Hint"});
    EXPECT_EQ(Position("TBUTTON"), button);
    EXPECT_EQ(RegisteredClasses()[static_cast<size_t>(button)].second.properties, std::vector<std::string> {"Hint"});

    RegisterTranslatableProperties(std::vector<std::string> {"TMyLabel", "TLabel", "TControl"}, {"Caption"});
    EXPECT_EQ(Position("TMYLABEL") + 1, Position("TLABEL"));

    // Our panel is none of the registered framework classes: it is a TControl.
    Te3Panel panel(nullptr);
    EXPECT_EQ(FindRegisteredClass(panel), Position("TCONTROL"));
    RegisterTranslatableProperties(Te3CustomPanel::StaticClass(), {"Hint"});
    EXPECT_EQ(FindRegisteredClass(panel), Position("TE3CUSTOMPANEL"));
    EXPECT_LT(Position("TE3CUSTOMPANEL"), Position("TCONTROL"));
}

TEST_F(ComponentTranslation, TextsMissingEverywhereBecomeThePropertyName)
{
    fw::TWinControl form(nullptr);
    form.SetName("Form1");
    auto* save = new Te3Edit(&form);
    auto* open = new Te3Edit(&form);
    auto* unknown = new Te3Edit(&form);
    save->SetHint("Save");
    open->SetHint("Open");
    unknown->SetHint("Nowhere");
    ml.ChangeComponentLanguage(&form, "English:", "German:");
    EXPECT_EQ(save->GetHint(), "Speichern");
    EXPECT_EQ(open->GetHint(), "Open (text)");
    EXPECT_EQ(unknown->GetHint(), "Hint");
    EXPECT_EQ(CurrentPropertyName, "");
    try {
        ml.ChangeComponentLanguage(&form, "English:", "Klingon:");
        FAIL();
    } catch (const ELangException& e) {
        EXPECT_STREQ(e.what(), "Language \"Klingon:\" is not registered.");
    }
}

TEST_F(ComponentTranslation, MissingWordsAreTracedOnceAndAFailingLogBreaksNothing)
{
    ml.DebugMode = true;
    Te3Panel panel(nullptr);
    panel.SetName("pnlMain");
    EXPECT_EQ(ml.FindItem(nullptr, &panel, -1, "Caption", "Absent", fileName), nullptr);
    EXPECT_EQ(ml.FindItem(nullptr, &panel, -1, "Caption", "Absent", fileName), nullptr);
    EXPECT_EQ(e3test::ReadWholeFile(LogPath()),
              "-English:>Absent\r\n-Unitext:>Absent\r\n-German:>Absent\r\n-ParentObject:>Unknown\r\n"
              "-ClassObject:>Te3Panel\r\n-PropertyName:>Caption\r\n-ObjectName:>pnlMain\r\n-Items:>Unknown\r\n\r\n");
    // A found item that lacks a word is traced with the words it has.
    EXPECT_NE(ml.FindItem(nullptr, &panel, 3, "Items", "Open", fileName), nullptr);
    EXPECT_NE(e3test::ReadWholeFile(LogPath()).find("-German:>Open\r\n-ParentObject:>Unknown"), std::string::npos);
    EXPECT_NE(e3test::ReadWholeFile(LogPath()).find("-Items:>3\r\n"), std::string::npos);

    // The log cannot be written at all: the lookup still answers.
    std::filesystem::remove(LogPath());
    std::filesystem::create_directory(LogPath());
    EXPECT_NO_THROW(EXPECT_EQ(ml.FindItem(nullptr, &panel, -1, "Caption", "Elsewhere", fileName), nullptr));
    EXPECT_NE(ml.FindItem(nullptr, &panel, -1, "Caption", "Save", fileName), nullptr);
}

TEST_F(ComponentTranslation, DebugDialogAddsWhatTheTranslatorTypes)
{
    ml.DebugDialog = true;
    Te3Panel panel(nullptr);
    panel.SetName("pnlMain");
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TfrmDebugWordML*>(fw::TCustomForm::AllForms().back());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_EQ(dialog->GetCaption(), "Debug:Te3Panel(pnlMain).Caption");
        EXPECT_EQ(dialog->GetClientWidth(), 610);
        EXPECT_EQ(dialog->GetClientHeight(), 3 * 40 + 25 + 8);
        EXPECT_EQ(dialog->Edit(2)->GetText(), "Fehlt");
        EXPECT_FALSE(dialog->bbnOk->GetEnabled());
        dialog->Edit(0)->SetText("Fehlt"); // unchanged text: OK stays off
        EXPECT_FALSE(dialog->bbnOk->GetEnabled());
        dialog->Edit(2)->OnEnter(dialog->Edit(2)); // as the input bridge raises it
        EXPECT_EQ(dialog->CurrentNumber(), 2);
        dialog->Edit(2)->SetText("Fehlend");
        EXPECT_TRUE(dialog->bbnOk->GetEnabled());
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog->bbnOk->Widget()), Qt::LeftButton);
    });
    TLanguageItem* item = ml.FindItem(nullptr, &panel, -1, "Caption", "Fehlt", fileName);
    ASSERT_TRUE(seen);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetWord(dictionary->GetLanguages().FindLanguage("German:")), "Fehlend");
    EXPECT_NE(e3test::ReadWholeFile(LogPath()).find("-German:>Fehlend\r\n"), std::string::npos);

    // Ignore all: no dialog for this object nor for any made later.
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TfrmDebugWordML*>(fw::TCustomForm::AllForms().back());
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(qobject_cast<QPushButton*>(dialog->bbnIgnoreAll->Widget()), Qt::LeftButton);
    });
    EXPECT_EQ(ml.FindItem(nullptr, &panel, -1, "Caption", "Other", fileName), nullptr);
    EXPECT_FALSE(ml.DebugDialog);
    EXPECT_TRUE(DebugDialogIgnored());
}
