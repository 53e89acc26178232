// Which properties of each control carry text for the dictionary, asked the
// way the translation layer asks: through the control's translation interface,
// with the family's design class as the dictionary's class. One table for
// every class the engine can create.
#include "client/ClassRegistry.h"
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
const char* const kProbes[] = {"",     "Caption", "caption", "Hint",           "HINT", "Hin",
                               "ion Hi", "Text",  "Items",   "UnicodeCaption", "Tag",  "Name"};

using Taken = std::set<std::string>;
const Taken kHint {"Hint", "HINT", "Hin"};
const Taken kCaptionHint {"Caption", "caption", "Hint", "HINT", "Hin", "ion Hi"};
const Taken kNothing {};
const Taken kUnicodeCaptionHintWords {"Hint", "HINT", "UnicodeCaption"};
const Taken kTextHintWords {"Hint", "HINT", "Text"};

struct Family {
    const char* engineClass;
    const Taken* taken; // none: the class does not take part in translation
    const char* languageClass;
};

const Family kFamilies[] = {
    {"Te3_Edit", &kHint, "Te3Edit"},
    {"Te3_Memo", &kCaptionHint, "Te3Memo"},
    {"Te3_UnicodeEdit", &kTextHintWords, "Te3UnicodeEdit"},
    {"Te3_Label", &kCaptionHint, "Te3Label"},
    {"Te3_ProgressLabel", &kCaptionHint, "Te3Label"},
    {"Te3_UnicodeLabel", &kUnicodeCaptionHintWords, "Te3UnicodeLabel"},
    {"Te3_Bevel", &kHint, "Te3Bevel"},
    {"Te3_Image", &kHint, "Te3Image"},
    {"Te3_Gauge", &kHint, "Te3Gauge"},
    {"Te3_CheckBox", &kCaptionHint, "Te3CheckBox"},
    {"Te3_RadioButton", &kCaptionHint, "Te3RadioButton"},
    {"Te3_NonCyclicRadioButton", &kCaptionHint, "Te3RadioButton"},
    {"Te3_RadioGroup", &kHint, "Te3RadioGroup"},
    {"Te3_GroupBox", &kCaptionHint, "Te3GroupBox"},
    {"Te3_ScrollBox", &kHint, "Te3ScrollBox"},
    {"Te3_Panel", &kCaptionHint, "Te3Panel"},
    {"Te3_ListBox", &kHint, "Te3ListBox"},
    {"Te3_SpeedButton", &kCaptionHint, "Te3SpeedButton"},
    // The colour button does not take part in translation.
    {"Te3ColorSpeedButton", nullptr, nullptr},
    {"Te3_MainMenu", &kNothing, "Te3MainMenu"},
    {"Te3_PopupMenu", &kCaptionHint, "Te3PopupMenu"},
    {"Te3_ClientForm", &kCaptionHint, "Te3ClientForm"},
    {"Te3_ClientFrame", &kCaptionHint, "Te3ClientFrame"},
};

TEST(WordLists, EveryFamilyTakesExactlyItsWordsAndNamesItsDesignClass)
{
    for (const Family& f : kFamilies) {
        SCOPED_TRACE(f.engineClass);
        const fw::TClassInfo* cls = client::FindClass(f.engineClass);
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

} // namespace
