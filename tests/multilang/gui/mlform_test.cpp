#include "multilang/MLForm.h"

#include "e3/display/Label.h"
#include "u3/LanguageTable.h"
#include "e3/containers/Panel.h"
#include "e3/menus/Menus.h"
#include "multilang/ClientTranslation.h"
#include "support/TempDir.h"
#include "u3/Files.h"

#include <gtest/gtest.h>

using namespace multilang;

namespace {

// A form laid out like the server-address dialog: the OK button sits two
// panels deep, and one container does not translate itself.
class TestIPForm : public TMLForm {
public:
    explicit TestIPForm(fw::TComponent* owner) : TMLForm(owner)
    {
        SetName("FormIP");
        SetCaption("Server address information");
        statusPanel = Make<e3::Te3Panel>("StatusPanel", this, "");
        panelRight = Make<e3::Te3Panel>("PanelRight", statusPanel, "");
        ok = Make<e3::Te3Panel>("spbOk", panelRight, "Ok");
        ok->SetHint("");
        panelMain = Make<e3::Te3Panel>("PanelMain", this, "");
        address = Make<e3::Te3Label>("lIPAddress", panelMain, "IP Address");
        address->SetHint("Where the server listens");
        plain = Make<fw::TWinControl>("Plain", this, "");
        plain->SetHint("not mine");
        inner = Make<e3::Te3Label>("lInner", plain, "Inner");
    }

    template <class C>
    C* Make(const std::string& name, fw::TWinControl* parent, const std::string& caption)
    {
        auto* c = new C(this); // owned by the form, placed by its parent
        c->SetName(name);
        c->SetParent(parent);
        c->SetText(caption); // as its resource gives it, not the name
        return c;
    }

    e3::Te3Panel *statusPanel, *panelRight, *ok, *panelMain;
    e3::Te3Label *address, *inner;
    fw::TWinControl* plain;
};

// A second form placed inside the first starts its own keys.
class TestInnerForm : public TMLForm {
public:
    explicit TestInnerForm(fw::TComponent* owner) : TMLForm(owner)
    {
        SetName("Inner");
        SetCaption("Nested");
    }
};

class TestOuterForm : public TestIPForm {
public:
    explicit TestOuterForm(fw::TComponent* owner) : TestIPForm(owner)
    {
        nested = new TestInnerForm(this);
        nested->SetParent(panelMain);
    }
    TestInnerForm* nested;
};

// A menu item class of the form's own, derived from the library's.
class DerivedItem : public e3::Te3MenuItem {
    FW_CLASS()
public:
    using Te3MenuItem::Te3MenuItem;
};
const fw::TClassInfo& DerivedItem::StaticClass()
{
    static const fw::TClassInfo info {"TMyItem", &e3::Te3MenuItem::StaticClass(), {}};
    return info;
}
// Letter case counts in the class name rule.
class WrongCaseItem : public fw::TComponent {
    FW_CLASS()
public:
    using TComponent::TComponent;
};
const fw::TClassInfo& WrongCaseItem::StaticClass()
{
    static const fw::TClassInfo info {"TMENUITEM", &fw::TComponent::StaticClass(), {}};
    return info;
}

class MLFormTest : public ::testing::Test {
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
    void WriteLocalDictionary(const std::vector<std::vector<std::string>>& rows)
    {
        e3::TItemSession dictionary;
        for (const std::string caption : {"Unilang:", "Unitext:", "English:"}) {
            auto lang = std::make_unique<e3::TLanguage>();
            lang->Name = lang->Caption = caption;
            lang->Prefix = "-" + caption;
            dictionary.AddLanguage(lang);
        }
        for (const auto& words : rows) {
            e3::TLanguageWord row;
            row.Words = words;
            dictionary.AddItem(row);
        }
        ASSERT_TRUE(dictionary.SaveToFile(LocalDictionaryFileName()));
    }

    e3test::TempDir dir;
};

} // namespace

TEST_F(MLFormTest, WithoutMultiLanguageTextsStayAsBuilt)
{
    std::unique_ptr<TestIPForm> form(TMLForm::Create<TestIPForm>(nullptr));
    EXPECT_EQ(form->GetCaption(), "Server address information");
    EXPECT_EQ(form->ok->GetText(), "Ok");
}

TEST_F(MLFormTest, WithoutDictionaryEveryTextIsMarked)
{
    InitMultiLanguage();
    std::unique_ptr<TestIPForm> form(TMLForm::Create<TestIPForm>(nullptr));
    EXPECT_EQ(form->GetCaption(), "Server_address_information");
    EXPECT_EQ(form->ok->GetText(), "_Ok");
    EXPECT_EQ(form->ok->GetHint(), "");
    EXPECT_EQ(form->address->GetText(), "IP_Address");
    EXPECT_EQ(form->address->GetHint(), "Where_the_server_listens");
    // A container that does not translate keeps its texts; its children do not.
    EXPECT_EQ(form->plain->GetHint(), "not mine");
    EXPECT_EQ(form->inner->GetText(), "_Inner");
}

TEST_F(MLFormTest, KeysFollowTheParentChain)
{
    WriteLocalDictionary({
        {"FormIP.Caption", "", "Server address"},
        {"FormIP.StatusPanel.PanelRight.spbOk.Caption", "", "OK"},
        {"FormIP.PanelMain.lIPAddress.Caption", "", "IP address:"},
        {"FormIP.PanelMain.lIPAddress.Hint", "", "Host name or address"},
        {"FormIP.Plain.lInner.Caption", "", "Inside"},
        {"Inner.Caption", "", "Nested form"},
        // Keys along the owner chain must not be used.
        {"FormIP.spbOk.Caption", "", "wrong"},
        {"FormIP.PanelMain.Inner.Caption", "", "wrong"},
    });
    SetUpLocalTranslation();
    std::unique_ptr<TestOuterForm> form(TMLForm::Create<TestOuterForm>(nullptr));
    EXPECT_EQ(form->GetCaption(), "Server address");
    EXPECT_EQ(form->ok->GetText(), "OK");
    EXPECT_EQ(form->address->GetText(), "IP address:");
    EXPECT_EQ(form->address->GetHint(), "Host name or address");
    EXPECT_EQ(form->inner->GetText(), "Inside");
    EXPECT_EQ(form->nested->GetCaption(), "Nested form");
    // Not in the dictionary: the panels' empty captions stay empty.
    EXPECT_EQ(form->statusPanel->GetText(), "");
}

TEST(IsTranslatable, ControlsAnswerForThemselvesMenuItemsByClassName)
{
    e3::Te3Panel panel(nullptr);
    fw::TWinControl plain(nullptr);
    e3::Te3MenuItem item(nullptr);
    DerivedItem derived(nullptr);
    WrongCaseItem wrongCase(nullptr);
    struct Case {
        const fw::TComponent* component;
        std::string prop;
        bool expected;
    };
    const Case cases[] = {
        {&panel, "Caption", true},  {&panel, "hint", true},      {&panel, "Tag", false},
        {&panel, "CAP", true},      {&plain, "Caption", false},  {&plain, "Hint", false},
        {&item, "Hint", true},      {&item, "Caption", true},    {&item, "Tag", false},
        {&derived, "Caption", true}, {&wrongCase, "Caption", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsTranslatable(*c.component, c.prop), c.expected) << c.component->ClassName() << "." << c.prop;
}

TEST(JoinKeyPath, QuotesWhatWouldBreakTheKey)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"FormIP", "PanelMain", "lIPAddress"}, "FormIP.PanelMain.lIPAddress"},
        {{""}, "\"\""},
        {{"Form", ""}, "Form."},
        {{"a b", "c.d", "e\"f"}, "\"a b\".\"c.d\".\"e\"\"f\""},
        {{"tab\there"}, "\"tab\there\""},
    };
    for (const auto& [path, key] : cases)
        EXPECT_EQ(JoinKeyPath(path), key) << key;
}

namespace {

e3::Te3MenuItem* MenuItem(fw::TComponent* owner, const std::string& name, const std::string& caption,
                          const std::string& hint = "")
{
    auto* item = new e3::Te3MenuItem(owner);
    item->SetName(name);
    item->SetCaption(caption);
    item->SetHint(hint);
    return item;
}

// The dialog with a main menu (two levels) and a popup menu of its own, and a
// popup menu owned by a panel, which is not walked.
class TestMenuForm : public TestIPForm {
public:
    explicit TestMenuForm(fw::TComponent* owner) : TestIPForm(owner)
    {
        mainMenu = new e3::Te3_MainMenu(this);
        mainMenu->SetName("MainMenu1");
        file = MenuItem(this, "mnFile", "File");
        open = MenuItem(this, "mnOpen", "Open", "Opens a file");
        mainMenu->Items()->Add(file);
        file->Add(open);
        popup = new e3::Te3_PopupMenu(this);
        popup->SetName("Popup1");
        copy = MenuItem(this, "mnCopy", "Copy");
        popup->Items()->Add(copy);
        auto* panelMenu = new e3::Te3_PopupMenu(panelMain);
        panelMenu->SetName("PanelPopup");
        notWalked = MenuItem(this, "mnPanel", "Panel item");
        panelMenu->Items()->Add(notWalked);
    }
    e3::Te3_MainMenu* mainMenu;
    e3::Te3_PopupMenu* popup;
    e3::Te3MenuItem *file, *open, *copy, *notWalked;
};

} // namespace

TEST_F(MLFormTest, MenusOfTheFormAreWalkedItemByItem)
{
    WriteLocalDictionary({
        {"FormIP.MainMenu1.mnFile.Caption", "", "Datei"},
        {"FormIP.MainMenu1.mnFile.mnOpen.Caption", "", "Oeffnen"},
        {"FormIP.MainMenu1.mnFile.mnOpen.Hint", "", "Oeffnet eine Datei"},
        {"FormIP.Popup1.mnCopy.Caption", "", "Kopieren"},
        {"FormIP.PanelMain.PanelPopup.mnPanel.Caption", "", "wrong"},
    });
    SetUpLocalTranslation();
    std::unique_ptr<TestMenuForm> form(TMLForm::Create<TestMenuForm>(nullptr));
    EXPECT_EQ(form->file->GetCaption(), "Datei");
    EXPECT_EQ(form->open->GetCaption(), "Oeffnen");
    EXPECT_EQ(form->open->GetHint(), "Oeffnet eine Datei");
    EXPECT_EQ(form->copy->GetCaption(), "Kopieren");
    EXPECT_EQ(form->notWalked->GetCaption(), "Panel item") << "only menus that the form owns are walked";
}
