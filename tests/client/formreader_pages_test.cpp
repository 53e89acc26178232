#include "ClientFixture.h"

#include "e3/edits/Edit.h"
#include "e3/pages/Notebook.h"
#include "e3/pages/PageControl.h"
#include "e3/splitter/SplitterPanel.h"

#include <gtest/gtest.h>

using namespace e3test;

namespace {

std::string Description(const std::string& sections)
{
    return "desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormPages | ] | " + sections +
           " | } | x | { | } | x | { | }";
}

class FormReaderPagesTest : public ClientFixture {
protected:
    void TearDown() override
    {
        delete root.get();
        ClientFixture::TearDown();
    }

    fw::Guard<fw::TComponent> root;
};

// Notebook pages come as TPage sections named in the section head; the page
// index given before the pages existed takes effect at the end, and references
// to controls described later (ActivePage, ControlFirst, ControlSecond) too.
TEST_F(FormReaderPagesTest, PagesSheetsAndSplitterControlsFromADescription)
{
    root = LoadLines(Description(
        "[ | 1 | Te3_Notebook | Parent | FormPages | NAME | Book | PAGEINDEX | 1 | ] | "
        "[ | 2 | TPage | Parent | Book | x | pgOne | ] | "
        "[ | 3 | TPage | Parent | Book | x | pgTwo | ] | "
        "[ | 4 | Te3_Edit | Parent | pgTwo | NAME | EditOnTwo | ] | "
        "[ | 5 | Te3_PageControl | Parent | FormPages | NAME | Tabs | ACTIVEPAGE | tsB | ] | "
        "[ | 6 | Te3_TabSheet | Parent | Tabs | NAME | tsA | CAPTION | First | ] | "
        "[ | 7 | Te3_TabSheet | Parent | Tabs | NAME | tsB | CAPTION | Second | HIGHLIGHTED | 1 | ] | "
        "[ | 8 | Te3_SplitterPanel | Parent | FormPages | NAME | Split | SPLITTERSTYLE | stVertical | "
        "CONTROLFIRST | Left | CONTROLSECOND | Right | ] | "
        "[ | 9 | Te3_Edit | Parent | Split | NAME | Left | ] | "
        "[ | 10 | Te3_Edit | Parent | Split | NAME | Right | ]"));
    ASSERT_NE(root.get(), nullptr);
    EXPECT_TRUE(ClientErrors().empty());

    auto* book = dynamic_cast<e3::Te3_Notebook*>(root->FindComponent("Book"));
    ASSERT_NE(book, nullptr);
    EXPECT_EQ(book->GetPages()->GetText(), "pgOne\r\npgTwo\r\n");
    EXPECT_EQ(book->GetPageIndex(), 1);
    EXPECT_EQ(book->GetActivePage(), "pgTwo");
    auto* edit = dynamic_cast<e3::Te3_Edit*>(root->FindComponent("EditOnTwo"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->Parent(), book->Page(1));
    EXPECT_EQ(book->Page(1)->GetName(), "pgTwo");

    auto* tabs = dynamic_cast<e3::Te3_PageControl*>(root->FindComponent("Tabs"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->PageCount(), 2);
    EXPECT_EQ(tabs->GetActivePage(), tabs->Page(1));
    EXPECT_EQ(tabs->TabBar()->tabText(1), "Second");
    EXPECT_TRUE(tabs->TabHighlighted(1));

    auto* split = dynamic_cast<e3::Te3_SplitterPanel*>(root->FindComponent("Split"));
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(split->GetControlFirst(), root->FindComponent("Left"));
    EXPECT_EQ(split->GetControlSecond(), root->FindComponent("Right"));
    EXPECT_TRUE(split->Splitter()->GetVisible());
}

} // namespace
