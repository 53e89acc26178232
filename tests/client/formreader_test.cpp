#include "ClientFixture.h"

#include "client/FormReader.h"
#include "e3/combos/ComboBox.h"
#include "e3/edits/Edit.h"
#include "e3/lists/ListBox.h"
#include "e3/edits/Memo.h"
#include "e3/containers/RadioGroup.h"

#include <gmock/gmock.h>

#include <regex>

using namespace e3test;
using client::Te3_ClientForm;
using client::Te3_ClientFrame;
using e3::Te3_Edit;

namespace {

// The smallest description of a form with one edit, its change event and the
// path sent with it.
const char* const ExampleForm =
    "desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormMain | CAPTION | Orders | ] | "
    "[ | 1 | Te3_Edit | Parent | FormMain | NAME | Edit1 | TEXT | snil | ] | "
    "} | x | { | Edit1.OnChange | Main.EditChanged | x | } | "
    "x | { | Main.EditChanged | [ | Edit1.Text | ] | }";

// The lines of a description around the given sections, events and parameters.
std::string Description(const std::string& sections, const std::string& events = "",
                        const std::string& params = "")
{
    return "desc | " + sections + " | } | x | { | " + (events.empty() ? "" : events + " | ") + "} | x | { | " +
           (params.empty() ? "" : params + " | ") + "}";
}

class FormReaderTest : public ClientFixture {
protected:
    void TearDown() override
    {
        for (auto& root : roots)
            delete root.get();
        ClientFixture::TearDown();
    }

    // Loads a description; the root is freed with the test.
    fw::TComponent* Load(const std::string& lines)
    {
        fw::TComponent* root = LoadLines(lines);
        roots.emplace_back(root);
        return root;
    }

    Te3_Edit* Edit(fw::TComponent* root, const char* name)
    {
        return dynamic_cast<Te3_Edit*>(root ? root->FindComponent(name) : nullptr);
    }

    std::vector<fw::Guard<fw::TComponent>> roots;
};

TEST_F(FormReaderTest, TheExampleBuildsTheFormItsMapsAndTheBinding)
{
    auto* form = dynamic_cast<Te3_ClientForm*>(Load(ExampleForm));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->GetName(), "FormMain");
    EXPECT_EQ(form->GetCaption(), "Orders");
    Te3_Edit* edit = Edit(form, "Edit1");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->Parent(), form);
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(form->EventMap.Count(), 1);
    EXPECT_EQ(form->EventMap.At(0).name, "FormMain.Edit1.OnChange");
    EXPECT_EQ(form->EventMap.At(0).value, "Main.EditChanged");
    EXPECT_EQ(form->EventParams.Count(), 1);
    EXPECT_EQ(form->EventParams.At(0).name, "Main.EditChanged");
    EXPECT_EQ(form->EventParams.At(0).value, "Edit1.Text");
    EXPECT_EQ(theClient->CurrentForm(), nullptr); // the current form is restored
    EXPECT_TRUE(ClientErrors().empty());

    // The binding: a change in the edit sends the event with the edit's text.
    ASSERT_TRUE(edit->OnChange);
    theClient->SetCurrentForm(form);
    edit->SetText("Smith");
    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args,
              (std::vector<std::string> {"", "Edit1", "TForm", "Main.EditChanged",
                                         Lines("{ | ; | Sender | Edit1 | ; | Edit1.Text | Smith | ; | }")}));
}

TEST_F(FormReaderTest, AFrameRootIsReturnedAndTheCurrentFormStays)
{
    auto* current = new Te3_ClientForm(nullptr);
    roots.emplace_back(current);
    current->SetName("Current");
    theClient->SetCurrentForm(current);

    fw::TComponent* root = Load(Description("[ | 0 | Te3_ClientFrame | Parent | NIL | NAME | Frame1 | ] | "
                                            "[ | 1 | Te3_Edit | Parent | Frame1 | NAME | Inner | ]",
                                            "Inner.OnChange | Frame.Changed | x"));
    auto* frame = dynamic_cast<Te3_ClientFrame*>(root);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetName(), "Frame1");
    ASSERT_NE(Edit(frame, "Inner"), nullptr);
    EXPECT_EQ(Edit(frame, "Inner")->Parent(), frame);
    EXPECT_EQ(frame->EventMap.Value("Frame1.Inner.OnChange"), "Frame.Changed");
    EXPECT_EQ(theClient->CurrentForm(), current);
    EXPECT_EQ(theClient->CreationOwner(), nullptr);
    EXPECT_TRUE(ClientErrors().empty());
}

TEST_F(FormReaderTest, ReadValuesThatReadBackDifferentlyAreAppliedAgainAtTheEnd)
{
    auto* edit = new Te3_Edit(nullptr);
    roots.emplace_back(edit);
    edit->SetName("Edit1");
    struct Case {
        const char* path;
        const char* value;
        const char* deferred; // nullptr: not deferred
    };
    const Case cases[] = {
        {"READONLY", "1", "READONLY=1"}, // reads back as "true"
        {"READONLY", "true", nullptr},
        {"AUTOSELECT", "0", "AUTOSELECT=0"},
        {"TEXT", "Smith", nullptr},
        {"MAXLENGTH", "12", nullptr},
        {"MAXLENGTH", "012", "MAXLENGTH=012"},
        {"ALIGNMENT", "1", "ALIGNMENT=1"}, // reads back by name
        {"ALIGNMENT", "taCenter", nullptr},
        {"TABORDER", "3", nullptr}, // goes to the tab orders instead
    };
    for (const Case& c : cases) {
        client::TabOrderList tabOrders;
        client::DeferredList deferred;
        client::TMemoryTextStream stream(Lines(c.value));
        client::ReadAndSetProperty("Te3_Edit", c.path, edit, &tabOrders, &deferred, true, stream);
        if (c.deferred) {
            ASSERT_EQ(deferred.size(), 1u) << c.path << " " << c.value;
            EXPECT_EQ(deferred[0].first, c.deferred);
            EXPECT_EQ(deferred[0].second.get(), edit);
        } else {
            EXPECT_TRUE(deferred.empty()) << c.path << " " << c.value;
        }
        EXPECT_EQ(tabOrders.size(), std::string(c.path) == "TABORDER" ? 1u : 0u);
    }
    EXPECT_TRUE(edit->GetReadOnly());
    EXPECT_EQ(edit->GetText(), "Smith");
}

TEST_F(FormReaderTest, TabOrdersAreAppliedInOrderAtTheEnd)
{
    fw::TComponent* form = Load(Description("[ | 0 | Te3_ClientForm | Parent | NIL | NAME | F | ] | "
                                            "[ | 1 | Te3_Edit | Parent | F | NAME | A | TABORDER | 2 | ] | "
                                            "[ | 2 | Te3_Edit | Parent | F | NAME | B | TABORDER | 0 | ] | "
                                            "[ | 3 | Te3_Edit | Parent | F | NAME | C | TABORDER | 1 | ]"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(client::GetPropertyText("Te3_Edit", "TABORDER", Edit(form, "A")), "2");
    EXPECT_EQ(client::GetPropertyText("Te3_Edit", "TABORDER", Edit(form, "B")), "0");
    EXPECT_EQ(client::GetPropertyText("Te3_Edit", "TABORDER", Edit(form, "C")), "1");
}

TEST_F(FormReaderTest, FontSizesOfAnUnscaledFormAreIgnored)
{
    struct Case {
        const char* scaled;
        int formSize;
        int editSize;
    };
    const int defaultSize = fw::TFont().GetSize();
    for (const Case& c : {Case {"1", 20, 14}, Case {"0", defaultSize, defaultSize}}) {
        fw::TComponent* form = Load(Description(
            std::string("[ | 0 | Te3_ClientForm | Parent | NIL | NAME | F | SCALED | ") + c.scaled +
            " | FONT.SIZE | 20 | ] | [ | 1 | Te3_Edit | Parent | F | NAME | E | FONT.SIZE | 14 | ]"));
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(client::GetPropertyText("", "FONT.SIZE", form), std::to_string(c.formSize)) << c.scaled;
        EXPECT_EQ(client::GetPropertyText("", "FONT.SIZE", Edit(form, "E")), std::to_string(c.editSize))
            << c.scaled;
        delete form;
    }
}

TEST_F(FormReaderTest, AValueThePropertyCannotTakeIsLoggedAndChangesNothing)
{
    auto* edit = new Te3_Edit(nullptr);
    roots.emplace_back(edit);
    edit->SetName("Edit1");
    edit->SetMaxLength(5);
    edit->SetAlignment(e3::taCenter);
    edit->SetReadOnly(true);
    struct Case {
        const char* path;
        const char* value;
    };
    const Case cases[] = {
        {"MAXLENGTH", "X"},
        {"MaxLength", "99999999999"},
        {"ALIGNMENT", "3"}, // an ordinal the type does not have
        {"ALIGNMENT", "-1"},
        {"ALIGNMENT", "taNowhere"},
        {"READONLY", "maybe"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.str() + "/front_SOAP.log");
        client::SetPropertyByPath(edit, c.path, "Te3_Edit", c.value);
        const std::regex line(std::string(R"(\r\n\r\n\d\d\.\d\d\.\d{4}: Cann't set value )") + c.value +
                              " of property " + c.path + " for object Edit1");
        EXPECT_TRUE(std::regex_search(SoapLog(), line)) << c.path << " " << c.value << ": " << SoapLog();
    }
    EXPECT_EQ(edit->GetMaxLength(), 5);
    EXPECT_EQ(edit->GetAlignment(), e3::taCenter);
    EXPECT_TRUE(edit->GetReadOnly());

    // In a description the section goes on after the bad pair.
    fw::TComponent* form = Load(Description("[ | 0 | Te3_ClientForm | Parent | NIL | NAME | F | ] | "
                                            "[ | 1 | Te3_Edit | Parent | F | NAME | E | MAXLENGTH | X | TEXT | t | ]"));
    ASSERT_NE(Edit(form, "E"), nullptr);
    EXPECT_EQ(Edit(form, "E")->GetText(), "t");
    EXPECT_EQ(Edit(form, "E")->GetMaxLength(), 0);
    EXPECT_THAT(SoapLog(), testing::HasSubstr(": Cann't set value X of property MAXLENGTH for object E"));
}

TEST_F(FormReaderTest, FreeingIsNeverRepeatedAtTheEnd)
{
    auto* form = new Te3_ClientForm(nullptr);
    roots.emplace_back(form);
    form->SetName("F");
    auto* first = new Te3_Edit(form);
    first->SetName("Edit1");
    fw::Guard<Te3_Edit> firstGuard(first);
    client::DeferredList deferred;
    client::TMemoryTextStream stream(Lines("1"));
    client::ReadAndSetProperty("Te3_ClientForm", "EDIT1._FREE", form, nullptr, &deferred, true, stream);
    EXPECT_FALSE(firstGuard);
    EXPECT_TRUE(deferred.empty());

    // Read from a description: a later component of the same name survives.
    fw::TComponent* frame = Load(Description("[ | 0 | Te3_ClientFrame | Parent | NIL | NAME | Frame1 | ] | "
                                             "[ | 1 | Te3_Edit | Parent | Frame1 | NAME | Edit1 | ] | "
                                             "[ | 2 | Te3_ClientFrame | Parent | Frame1 | NAME | Inner | "
                                             "EDIT1._FREE | 1 | ] | "
                                             "[ | 3 | Te3_Edit | Parent | Frame1 | NAME | Edit1 | TEXT | second | ]"));
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(Edit(frame, "Edit1"), nullptr);
    EXPECT_EQ(Edit(frame, "Edit1")->GetText(), "second");
    EXPECT_TRUE(Edit(frame, "Edit1")->IsAlive());
}

TEST_F(FormReaderTest, EventKeysArePrefixedUnlessTheyBeginWithTheRootsName)
{
    fw::TComponent* root = Load(Description("[ | 0 | Te3_ClientForm | Parent | NIL | NAME | Main | ] | "
                                            "[ | 1 | Te3_Edit | Parent | Main | NAME | DomainEdit | ]",
                                            "DomainEdit.OnChange | Main.Changed | x | "
                                            "main.DomainEdit.OnClick | Main.Clicked | x"));
    auto* form = dynamic_cast<Te3_ClientForm*>(root);
    ASSERT_NE(form, nullptr);
    ASSERT_EQ(form->EventMap.Count(), 2);
    EXPECT_EQ(form->EventMap.At(0).name, "Main.DomainEdit.OnChange");
    EXPECT_EQ(form->EventMap.At(1).name, "main.DomainEdit.OnClick");
    Te3_Edit* edit = Edit(form, "DomainEdit");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->OnChange);
    EXPECT_TRUE(edit->OnClick);
}

TEST_F(FormReaderTest, AnEventTheListDoesNotPublishEndsTheLoad)
{
    // The fixture's event list publishes OnClick and OnChange only.
    fw::TComponent* root = Load(Description("[ | 0 | Te3_ClientForm | Parent | NIL | NAME | F | ] | "
                                            "[ | 1 | Te3_Edit | Parent | F | NAME | E | READONLY | 1 | ]",
                                            "E.OnExit | F.Left | x | E.OnChange | F.Changed | x",
                                            "F.Changed | [ | E.Text | ]"));
    auto* form = dynamic_cast<Te3_ClientForm*>(root);
    ASSERT_NE(form, nullptr);
    Te3_Edit* edit = Edit(form, "E");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->GetReadOnly());
    EXPECT_FALSE(edit->OnExit);
    EXPECT_FALSE(edit->OnChange);
    EXPECT_FALSE(form->EventMap.Contains("F.E.OnChange"));
    EXPECT_EQ(form->EventParams.Count(), 0);
}

TEST_F(FormReaderTest, SectionFaultsAreReported)
{
    fw::TComponent* root = Load(Description("[ | 0 | Te3_ClientForm | Parent | NIL | NAME | F | ] | "
                                            "[ | 1 | Te3_Edit | Parent | Ghost | NAME | Orphan | TEXT | o | ] | "
                                            "[ | 2 | TPage | Parent | Book | x | Page1 | CAPTION | p | ] | "
                                            "[ | 3 | Te3_Edit | Parent | F | NAME | After | ]"));
    ASSERT_NE(root, nullptr);
    Te3_Edit* orphan = Edit(root, "Orphan");
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->Parent(), nullptr);
    EXPECT_EQ(orphan->GetText(), "o");
    EXPECT_NE(Edit(root, "After"), nullptr);
    EXPECT_EQ(ClientErrors(), (std::vector<std::string> {"Parent Ghost not found.", "Parent Book not found.",
                                                          "Not Create Control"}));

    // A class that is not registered ends the load; what was built stays.
    fw::TComponent* partial = Load(Description("[ | 0 | Te3_ClientForm | Parent | NIL | NAME | G | ] | "
                                               "[ | 1 | Te3_Edit | Parent | G | NAME | Before | ] | "
                                               "[ | 2 | TButton | Parent | G | NAME | B | ] | "
                                               "[ | 3 | Te3_Edit | Parent | G | NAME | Later | ]"));
    ASSERT_NE(partial, nullptr);
    EXPECT_NE(Edit(partial, "Before"), nullptr);
    EXPECT_EQ(partial->FindComponent("Later"), nullptr);
}

TEST(ClassNames, EngineNamesMapOntoTheRegistry)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Te3Panel", "Te3_Panel"},       {"TE3PANEL", "Te3_PANEL"},      {"tE3Edit", "Te3_Edit"},
        {"Te3_Edit", "Te3_Edit"},        {"TMenuItem", "Te3MenuItem"},   {"tmenuitem", "Te3MenuItem"},
        {"Te3MenuItem", "Te3_MenuItem"}, {"Te3TabSheet", "Te3TabSheet"}, {"TE3TABSHEET", "TE3TABSHEET"},
        {"Te3_TabSheet", "Te3_TabSheet"}, {"TButton", "TButton"},
    };
    for (const auto& [engineName, mapped] : cases)
        EXPECT_EQ(client::MapEngineClassName(engineName), mapped) << engineName;
}

TEST(ClassNames, CreationByEngineName)
{
    for (const char* name : {"Te3Edit", "TE3EDIT", "tE3Edit", "Te3_Edit", "te3_edit"}) {
        std::unique_ptr<fw::TComponent> c(client::CreateComponentByClassName(name, nullptr));
        EXPECT_NE(dynamic_cast<Te3_Edit*>(c.get()), nullptr) << name;
    }
    const std::pair<const char*, const char*> failures[] = {
        {"Te3MenuItem", "Class name Te3_MenuItem not found."},
        {"Te3TabSheet", "Class name Te3TabSheet not found."},
        {"TButton", "Class name TButton not found."},
        {"", "Class name  not found."},
    };
    for (const auto& [name, message] : failures) {
        try {
            delete client::CreateComponentByClassName(name, nullptr);
            ADD_FAILURE() << name << " was created";
        } catch (const u3::Exception& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

} // namespace

namespace {

TEST_F(FormReaderTest, ListsAreWrittenAndReadThroughTheirSubObjectPath)
{
    auto* memo = new e3::Te3_Memo(nullptr);
    roots.emplace_back(memo);
    auto* list = new e3::Te3_ListBox(nullptr);
    roots.emplace_back(list);
    auto* group = new e3::Te3_RadioGroup(nullptr);
    roots.emplace_back(group);

    client::SetPropertyByPath(memo, "LINES.TEXT", "Te3_Memo", "first\nsecond");
    EXPECT_EQ(memo->GetLinesString(), "first\r\nsecond");
    EXPECT_EQ(client::GetPropertyText("Te3_Memo", "Lines.Text", memo), "first\r\nsecond\r\n");
    EXPECT_EQ(client::GetPropertyText("Te3_Memo", "LINES.COUNT", memo), "2");

    client::SetPropertyByPath(list, "ITEMS.TEXT", "Te3_ListBox", "a\r\nb\r\nc");
    ASSERT_EQ(list->Items().size(), 3u);
    EXPECT_EQ(client::GetPropertyText("Te3_ListBox", "ITEMS.TEXT", list), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(client::GetPropertyText("Te3_ListBox", "ITEMS.COUNT", list), "3");
    EXPECT_EQ(client::GetPropertyText("Te3_ListBox", "ITEMS", list), "");
    client::SetPropertyByPath(list, "ITEMS.COMMATEXT", "Te3_ListBox", "x,\"y z\"");
    EXPECT_EQ(list->Items(), (std::vector<std::string> {"x", "y z"}));

    client::SetPropertyByPath(group, "ITEMS.TEXT", "Te3_RadioGroup", "Yes\r\nNo");
    EXPECT_EQ(group->GetItemsString(), "Yes\r\nNo");
    EXPECT_EQ(client::GetPropertyText("Te3_RadioGroup", "ITEMS.COUNT", group), "2");

    // The count is read-only and the list object itself cannot be replaced.
    EXPECT_NO_THROW(client::SetPropertyByPath(list, "ITEMS.COUNT", "Te3_ListBox", "7"));
    client::SetPropertyByPath(list, "ITEMS", "Te3_ListBox", "Other");
    EXPECT_EQ(client::GetPropertyText("Te3_ListBox", "ITEMS.COUNT", list), "2");
}

// A drop-down list takes a text only as one of its items; an editable combo
// box takes any text.
TEST_F(FormReaderTest, TextOfADropDownListSelectsTheItemOrChangesNothing)
{
    auto* box = new e3::Te3_ComboBox(nullptr);
    roots.emplace_back(box);
    client::SetPropertyByPath(box, "STYLE", "Te3_ComboBox", "csDropDownList");
    client::SetPropertyByPath(box, "ITEMS.TEXT", "Te3_ComboBox", "Alpha\r\nBeta");
    client::SetPropertyByPath(box, "TEXT", "Te3_ComboBox", "beta");
    EXPECT_EQ(box->GetItemIndex(), 1);
    EXPECT_EQ(client::GetPropertyText("Te3_ComboBox", "Text", box), "Beta");
    client::SetPropertyByPath(box, "TEXT", "Te3_ComboBox", "Gamma");
    EXPECT_EQ(box->GetItemIndex(), 1) << "a text that is no item changes nothing";

    client::SetPropertyByPath(box, "STYLE", "Te3_ComboBox", "csDropDown");
    client::SetPropertyByPath(box, "TEXT", "Te3_ComboBox", "Gamma");
    EXPECT_EQ(client::GetPropertyText("Te3_ComboBox", "Text", box), "Gamma");
}

} // namespace
