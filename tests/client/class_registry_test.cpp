#include "client/ClassRegistry.h"
#include "e3/ControlClasses.h"
#include "u3/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

// Every class the engine may create by name.
const std::set<std::string> kEngineClasses = {
    "TMainMenu", "TMenuItem", "TDGDataListClient", "TDLColumn", "TDLColumnTitle", "Te3_Sign", "Te3_EFIPProtocol",
    "Te3Sign", "Te3EFIPProtocol", "Te3_OpenDialog", "Te3_SaveDialog", "Te3_BrowseDirectory", "TFormGauge",
    "Te3_Bevel", "Te3_CheckBox", "Te3_CheckListBox", "Te3_ClientForm", "Te3_ClientFrame", "Te3_Collection",
    "Te3_ComboBox", "Te3_CComboBox", "Te3_DateEdit", "Te3_DBGrid", "Te3_DLDrawGrid", "Te3_Edit", "Te3_Gauge",
    "Te3_GroupBox", "Te3_HeaderControl", "Te3_Image", "Te3_Label", "Te3_ProgressLabel", "Te3_ListBox",
    "Te3_MainMenu", "Te3_Memo", "Te3_NavigationBar", "Te3_Notebook", "Te3_PageControl", "Te3_Panel",
    "Te3_PopupMenu", "Te3_RadioButton", "Te3_NonCyclicRadioButton", "Te3_RadioGroup", "Te3_RegNoEdit",
    "Te3_ScrollBox", "Te3_SpeedButton", "Te3_SplitterPanel", "Te3_TabSheet", "Te3_TreeView", "Te3_CheckScrollBox",
    "Te3_UnicodeLabel", "Te3_UnicodeEdit", "Te3Bevel", "Te3CheckBox", "Te3CheckListBox", "Te3ClientForm",
    "Te3ClientFrame", "Te3Collection", "Te3ComboBox", "Te3CComboBox", "Te3DateEdit", "Te3DBGrid", "Te3DLDrawGrid",
    "Te3Edit", "Te3Gauge", "Te3GroupBox", "Te3HeaderControl", "Te3Image", "Te3Label", "Te3ListBox", "Te3MainMenu",
    "Te3MenuItem", "Te3Memo", "Te3NavigationBar", "Te3Notebook", "Te3PageControl", "Te3Panel", "Te3PopupMenu",
    "Te3RadioButton", "Te3RadioGroup", "Te3RegNoEdit", "Te3ScrollBox", "Te3SpeedButton", "Te3SplitterPanel",
    "Te3TreeView", "TOutLookItem", "Te3ColorSpeedButton", "Te3CheckScrollBox", "Te3UnicodeLabel",
    "Te3ProgressLabel",
};

// Those the control library builds today.
const std::set<std::string> kBuiltControlClasses = {
    "Te3_Bevel", "Te3_CheckBox", "Te3_Edit", "Te3_Gauge", "Te3_GroupBox", "Te3_Image", "Te3_Label",
    "Te3_ProgressLabel", "Te3_ListBox", "Te3_MainMenu", "Te3_Memo", "Te3_Panel", "Te3_PopupMenu", "Te3_RadioButton",
    "Te3_NonCyclicRadioButton", "Te3_RadioGroup", "Te3_ScrollBox", "Te3_SpeedButton", "Te3_UnicodeLabel",
    "Te3_UnicodeEdit", "Te3Bevel", "Te3CheckBox", "Te3Gauge", "Te3GroupBox", "Te3Image", "Te3Label", "Te3ListBox",
    "Te3MainMenu", "Te3MenuItem", "Te3Memo", "Te3Panel", "Te3PopupMenu", "Te3RadioButton", "Te3RadioGroup",
    "Te3ScrollBox", "Te3SpeedButton", "Te3ColorSpeedButton", "Te3UnicodeLabel", "Te3ProgressLabel",
    "Te3_ComboBox", "Te3_CComboBox", "Te3ComboBox", "Te3CComboBox", "Te3_CheckScrollBox", "Te3CheckScrollBox",
    "Te3_RegNoEdit", "Te3_DateEdit",
    "TDGDataListClient", "Te3_DLDrawGrid", "Te3DLDrawGrid",
    "Te3_Notebook", "Te3_PageControl", "Te3_TabSheet", "Te3Notebook", "Te3PageControl", "Te3_SplitterPanel",
    "Te3SplitterPanel",
    "Te3_CheckListBox", "Te3CheckListBox", "Te3_TreeView", "Te3TreeView",
    "Te3_NavigationBar", "Te3NavigationBar",
    "Te3_DBGrid", "Te3DBGrid", "Te3_HeaderControl", "Te3HeaderControl", "Te3_Collection", "Te3Collection",
    "Te3_OpenDialog", "Te3_SaveDialog", "Te3_BrowseDirectory", "TFormGauge",
};

TEST(ClassRegistry, TheControlLibraryListsExactlyItsEngineClasses)
{
    EXPECT_EQ(kEngineClasses.size(), 89u);
    std::set<std::string> listed;
    for (const fw::TClassInfo* c : e3::ControlClasses()) {
        EXPECT_TRUE(listed.insert(c->Name()).second) << "listed twice: " << c->Name();
        EXPECT_TRUE(kEngineClasses.count(c->Name())) << "not a class the engine creates: " << c->Name();
    }
    EXPECT_EQ(listed, kBuiltControlClasses);

    for (const std::string& name : kBuiltControlClasses) {
        const fw::TClassInfo* found = client::FindClass(name);
        ASSERT_TRUE(found) << name;
        EXPECT_EQ(found->Name(), name);
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
        EXPECT_EQ(client::FindClass(lower), found) << lower;
    }
    for (const char* name : {"Te3_ClientForm", "Te3_ClientFrame"})
        EXPECT_TRUE(client::FindClass(name)) << name;
}

TEST(ClassRegistry, NamesThatAreNotRegisteredOrAreMappedAway)
{
    for (const char* name : {"Te3TabSheet", "Te3_MenuItem", "TButton", "TEdit"})
        EXPECT_FALSE(client::FindClass(name)) << name;

    struct Case {
        const char* engineName;
        const char* mapped;
    };
    const Case cases[] = {
        {"TMenuItem", "Te3MenuItem"},   {"tmenuitem", "Te3MenuItem"}, {"Te3MenuItem", "Te3_MenuItem"},
        {"Te3TabSheet", "Te3TabSheet"}, {"TE3EDIT", "Te3_EDIT"},      {"Te3_Edit", "Te3_Edit"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client::MapEngineClassName(c.engineName), c.mapped) << c.engineName;

    for (const char* name : {"Te3MenuItem", "Te3TabSheet"}) {
        try {
            client::CreateComponentByClassName(name, nullptr);
            ADD_FAILURE() << name;
        } catch (const u3::Exception& e) {
            EXPECT_EQ(std::string(e.what()), "Class name " + client::MapEngineClassName(name) + " not found.");
        }
    }
}

} // namespace
