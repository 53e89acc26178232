// Controls that a form description disables show their DisabledColor once
// the description is read, however the description spells False.
#include "ClientFixture.h"
#include "client/FormReader.h"

#include <memory>

using namespace e3test;

namespace {

class DisabledColorTest : public ClientFixture {};

int64_t ColorOf(fw::TComponent* c)
{
    return std::get<int64_t>(c->ClassType().FindProperty("Color")->get(*c));
}

TEST_F(DisabledColorTest, DescriptionDisabledControlsShowDisabledColorWhateverTheSpelling)
{
    std::string description = "x | [ | x | Te3_ClientForm | Parent | NIL | NAME | FormMain | ] | ";
    const std::vector<std::string> classes = {"Te3_Edit", "Te3_Memo", "Te3_ListBox", "Te3_ComboBox", "Te3_CComboBox"};
    const std::vector<std::string> spellings = {"false", "False", "FALSE", "0"};
    for (const std::string& cls : classes)
        for (size_t i = 0; i < spellings.size(); ++i)
            description += "[ | x | " + cls + " | Parent | FormMain | NAME | " + cls + std::to_string(i) +
                           " | DISABLEDCOLOR | 65535 | ENABLED | " + spellings[i] + " | ] | ";
    for (const std::string& cls : classes)
        description += "[ | x | " + cls + " | Parent | FormMain | NAME | " + cls + "On | ENABLED | true | ] | ";
    description += "} | x | { | }";
    const std::unique_ptr<fw::TComponent> root(LoadLines(description));
    ASSERT_NE(root, nullptr);

    for (const std::string& cls : classes) {
        for (size_t i = 0; i < spellings.size(); ++i) {
            fw::TComponent* c = root->FindComponent(cls + std::to_string(i));
            ASSERT_NE(c, nullptr) << cls << i;
            EXPECT_EQ(ColorOf(c), 65535) << cls << " with Enabled " << spellings[i];
        }
        fw::TComponent* enabled = root->FindComponent(cls + "On");
        ASSERT_NE(enabled, nullptr);
        EXPECT_EQ(ColorOf(enabled), fw::clWindow) << cls;
    }
}

} // namespace
