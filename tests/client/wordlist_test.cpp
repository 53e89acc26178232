// Which properties of each control carry text for the dictionary, asked the
// way the translation layer asks: through the control's translation interface,
// with the family's design class as the dictionary's class. One table for
// every class the engine can create: a class the control library adds must
// state its words here.
#include "client/ClassRegistry.h"
#include "e3/ControlClasses.h"
#include "e3/common/Contract.h"
#include "framework/Component.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

// The probes, and which of them each word list takes. Substring lists take
// parts of their words; whole-word lists only whole words; no list takes an
// empty name, which names no property.
const char* const kProbes[] = {"",     "Caption", "caption", "Hint",           "HINT", "Hin",  "ion Hi",
                               "Text", "Items",   "ItemsString", "UnicodeCaption", "Tag",  "Name"};

using Taken = std::set<std::string>;
const Taken kHint {"Hint", "HINT", "Hin"};
const Taken kCaptionHint {"Caption", "caption", "Hint", "HINT", "Hin", "ion Hi"};
const Taken kNothing {};
const Taken kUnicodeCaptionHintWords {"Hint", "HINT", "UnicodeCaption"};
const Taken kTextHintWords {"Hint", "HINT", "Text"};
const Taken kCaptionHintItemsString {"Caption", "caption", "Hint", "HINT", "Hin", "ion Hi", "Items", "ItemsString"};

struct Family {
    const char* engineClass;
    const Taken* taken; // none: the class does not take part in translation
    const char* languageClass;
};

const Family kFamilies[] = {
    {"Te3_Edit", &kHint, "Te3Edit"},
    {"Te3_RegNoEdit", &kHint, "Te3RegNoEdit"},
    {"Te3_DateEdit", &kHint, "Te3DateEdit"},
    {"Te3_Memo", &kCaptionHint, "Te3Memo"},
    {"Te3Memo", &kCaptionHint, "Te3Memo"},
    {"Te3_UnicodeEdit", &kTextHintWords, "Te3UnicodeEdit"},
    {"Te3_Label", &kCaptionHint, "Te3Label"},
    {"Te3_ProgressLabel", &kCaptionHint, "Te3Label"},
    {"Te3_UnicodeLabel", &kUnicodeCaptionHintWords, "Te3UnicodeLabel"},
    {"Te3_Bevel", &kHint, "Te3Bevel"},
    {"Te3_Image", &kHint, "Te3Image"},
    {"Te3_Gauge", &kHint, "Te3Gauge"},
    {"Te3_CheckBox", &kCaptionHint, "Te3CheckBox"},
    {"Te3CheckBox", &kCaptionHint, "Te3CheckBox"},
    {"Te3_RadioButton", &kCaptionHint, "Te3RadioButton"},
    {"Te3RadioButton", &kCaptionHint, "Te3RadioButton"},
    {"Te3_NonCyclicRadioButton", &kCaptionHint, "Te3RadioButton"},
    {"Te3_RadioGroup", &kHint, "Te3RadioGroup"},
    {"Te3RadioGroup", &kHint, "Te3RadioGroup"},
    {"Te3_GroupBox", &kCaptionHint, "Te3GroupBox"},
    {"Te3GroupBox", &kCaptionHint, "Te3GroupBox"},
    {"Te3_ScrollBox", &kHint, "Te3ScrollBox"},
    {"Te3ScrollBox", &kHint, "Te3ScrollBox"},
    {"Te3_Panel", &kCaptionHint, "Te3Panel"},
    {"Te3Panel", &kCaptionHint, "Te3Panel"},
    {"Te3_ListBox", &kHint, "Te3ListBox"},
    {"Te3ListBox", &kHint, "Te3ListBox"},
    {"Te3_CheckListBox", &kHint, "Te3CheckListBox"},
    {"Te3CheckListBox", &kHint, "Te3CheckListBox"},
    {"Te3_CheckScrollBox", &kHint, "Te3CheckScrollBox"},
    {"Te3CheckScrollBox", &kHint, "Te3CheckScrollBox"},
    {"Te3_ComboBox", &kCaptionHintItemsString, "Te3ComboBox"},
    {"Te3ComboBox", &kCaptionHintItemsString, "Te3ComboBox"},
    {"Te3_CComboBox", &kCaptionHintItemsString, "Te3ComboBox"},
    {"Te3CComboBox", &kCaptionHintItemsString, "Te3ComboBox"},
    {"Te3_SpeedButton", &kCaptionHint, "Te3SpeedButton"},
    // The colour button does not take part in translation.
    {"Te3ColorSpeedButton", nullptr, nullptr},
    {"Te3_MainMenu", &kNothing, "Te3MainMenu"},
    {"Te3_PopupMenu", &kCaptionHint, "Te3PopupMenu"},
    // Menu items are judged by the translation layer's own rule.
    {"Te3MenuItem", nullptr, nullptr},
    {"Te3_Notebook", &kHint, "Te3CustomNotebook"},
    {"Te3Notebook", &kHint, "Te3CustomNotebook"},
    {"Te3_PageControl", &kHint, "Te3PageControl"},
    {"Te3PageControl", &kHint, "Te3PageControl"},
    {"Te3_TabSheet", &kCaptionHint, "Te3TabSheet"},
    {"Te3_SplitterPanel", &kCaptionHint, "Te3SplitterPanel"},
    {"Te3SplitterPanel", &kCaptionHint, "Te3SplitterPanel"},
    {"Te3_NavigationBar", &kHint, "Te3NavigationBar"},
    {"Te3NavigationBar", &kHint, "Te3NavigationBar"},
    {"Te3_TreeView", &kHint, "Te3TreeView"},
    {"Te3TreeView", &kHint, "Te3TreeView"},
    {"Te3_DLDrawGrid", &kHint, "Te3DLDrawGrid"},
    {"Te3DLDrawGrid", &kHint, "Te3DLDrawGrid"},
    {"Te3_DBGrid", &kHint, "Te3DBGrid"},
    {"Te3DBGrid", &kHint, "Te3DBGrid"},
    {"Te3_HeaderControl", &kHint, "Te3HeaderControl"},
    {"Te3HeaderControl", &kHint, "Te3HeaderControl"},
    {"Te3_Collection", &kHint, "Te3Collection"},
    {"Te3Collection", &kHint, "Te3Collection"},
    // Components that are no controls of a form's text.
    {"TDGDataListClient", nullptr, nullptr},
    {"Te3_OpenDialog", nullptr, nullptr},
    {"Te3_SaveDialog", nullptr, nullptr},
    {"Te3_BrowseDirectory", nullptr, nullptr},
    {"TFormGauge", nullptr, nullptr},
    {"Te3_ClientForm", &kCaptionHint, "Te3ClientForm"},
    {"Te3_ClientFrame", &kCaptionHint, "Te3ClientFrame"},
};

const Family* FamilyOf(const std::string& engineClass)
{
    for (const Family& f : kFamilies)
        if (engineClass == f.engineClass)
            return &f;
    return nullptr;
}

// The class of exactly that name: the registry maps a design class's name to
// its engine class, so the library's list is asked first.
const fw::TClassInfo* ClassNamed(const std::string& name)
{
    for (const fw::TClassInfo* cls : e3::ControlClasses())
        if (cls->Name() == name)
            return cls;
    const fw::TClassInfo* registered = client::FindClass(name);
    return registered && registered->Name() == name ? registered : nullptr;
}

TEST(WordLists, EveryFamilyTakesExactlyItsWordsAndNamesItsDesignClass)
{
    for (const Family& f : kFamilies) {
        SCOPED_TRACE(f.engineClass);
        const fw::TClassInfo* cls = ClassNamed(f.engineClass);
        ASSERT_TRUE(cls && cls->Factory());
        std::unique_ptr<fw::TComponent> made(cls->Factory()(nullptr));
        auto* translatable = dynamic_cast<const e3::ITranslatableControl*>(made.get());
        if (!f.taken) {
            EXPECT_EQ(translatable, nullptr);
            continue;
        }
        ASSERT_NE(translatable, nullptr);
        for (const char* probe : kProbes)
            EXPECT_EQ(translatable->IsTranslatable(probe), f.taken->contains(probe)) << '"' << probe << '"';
        EXPECT_EQ(translatable->GetLanguageClass().Name(), f.languageClass);
    }
}

TEST(WordLists, EveryClassTheLibraryCreatesIsInTheTable)
{
    for (const fw::TClassInfo* cls : e3::ControlClasses())
        if (cls->Factory())
            EXPECT_NE(FamilyOf(cls->Name()), nullptr) << cls->Name() << " states no words";
}

} // namespace
