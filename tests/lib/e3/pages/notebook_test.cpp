#include "../TestContainer.h"
#include "e3/pages/Notebook.h"

#include <gtest/gtest.h>

namespace {

using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

std::string PagesText(e3::Te3_Notebook& book)
{
    return book.GetPages()->GetText();
}

TEST(NotebookTest, StartsWithItsDefaultPageShown)
{
    e3::Te3_Notebook book(nullptr);
    EXPECT_EQ(book.GetWidth(), 150);
    EXPECT_EQ(book.GetHeight(), 150);
    EXPECT_EQ(PagesText(book), "Default\r\n");
    EXPECT_EQ(OrdinalByName(book, "PageIndex"), 0);
    EXPECT_EQ(TextByName(book, "ActivePage"), "Default");
    EXPECT_TRUE(book.Page(0)->GetVisible());
}

TEST(NotebookTest, PageIndexAndActivePageShowOnePage)
{
    e3::Te3_Notebook book(nullptr);
    book.GetPages()->SetText("One\r\nTwo\r\nThree");
    ASSERT_EQ(book.PageCount(), 3);
    EXPECT_EQ(book.Page(0)->GetText(), "One") << "the existing page takes the first line";
    EXPECT_EQ(book.GetPageIndex(), 2) << "an added page shows";
    book.SetPageIndex(0);
    int changes = 0;
    book.OnPageChanged = [&](fw::TObject*) { ++changes; };

    const struct {
        int64_t index;
        int32_t shown;
        int changes;
    } cases[] = {{2, 2, 1}, {2, 2, 1}, {3, 2, 1}, {-1, 2, 1}, {1, 1, 2}};
    for (const auto& c : cases) {
        WriteByName(book, "PageIndex", c.index);
        EXPECT_EQ(book.GetPageIndex(), c.shown) << c.index;
        EXPECT_EQ(changes, c.changes) << c.index;
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(book.Page(i)->GetVisible(), i == c.shown) << c.index << " page " << i;
    }

    WriteByName(book, "ActivePage", std::string("Three"));
    EXPECT_EQ(book.GetPageIndex(), 2);
    WriteByName(book, "ActivePage", std::string("Four"));
    EXPECT_EQ(book.GetPageIndex(), 2) << "no page of that name";
    EXPECT_EQ(TextByName(book, "ActivePage"), "Three");
}

TEST(NotebookTest, PageListOperations)
{
    e3::Te3_Notebook book(nullptr);
    book.GetPages()->SetText("A\r\nB\r\nC");
    book.SetPageIndex(2);

    book.InsertPage(1, "X");
    EXPECT_EQ(PagesText(book), "A\r\nX\r\nB\r\nC\r\n");
    EXPECT_EQ(book.GetActivePage(), "X") << "an inserted page shows";

    book.MovePage(0, 3);
    EXPECT_EQ(PagesText(book), "C\r\nX\r\nB\r\nA\r\n") << "the two pages change places";
    EXPECT_EQ(book.GetActivePage(), "X");

    book.SetPageIndex(2);
    book.DeletePage(2);
    EXPECT_EQ(PagesText(book), "C\r\nX\r\nA\r\n");
    EXPECT_EQ(book.GetPageIndex(), 0) << "deleting shows page 0";
    EXPECT_TRUE(book.Page(0)->GetVisible());

    book.GetPages()->SetText("Only");
    EXPECT_EQ(book.PageCount(), 1);
    EXPECT_EQ(book.GetActivePage(), "Only");

    book.ClearPages();
    EXPECT_EQ(book.PageCount(), 0);
    EXPECT_EQ(book.GetPageIndex(), -1);
    EXPECT_EQ(book.GetActivePage(), "");
    WriteByName(book, "PageIndex", int64_t {0});
    EXPECT_EQ(book.GetPageIndex(), -1);
}

// A description keeps the page index until the notebook is loaded; the pages
// it describes replace the notebook's own default page.
TEST(NotebookTest, DescribedPagesAndTheIndexKeptWhileLoading)
{
    e3test::TestContainer root(nullptr);
    auto* book = new e3::Te3_Notebook(&root);
    book->BeginLoading();
    WriteByName(*book, "PageIndex", int64_t {1});
    static_cast<fw::TComponent*>(book)->Loaded();
    EXPECT_EQ(book->GetPageIndex(), -1) << "out of range once loaded";

    e3::INamedPages* described = book;
    fw::TComponent* first = described->AddDescribedPage("pgFirst");
    fw::TComponent* second = described->AddDescribedPage("pgSecond");
    EXPECT_EQ(PagesText(*book), "pgFirst\r\npgSecond\r\n");
    EXPECT_EQ(first->GetName(), "pgFirst");
    EXPECT_EQ(second, book->Page(1));
    EXPECT_EQ(book->GetPageIndex(), 0);
    WriteByName(*book, "ActivePage", std::string("pgSecond"));
    EXPECT_TRUE(book->Page(1)->GetVisible());
    EXPECT_FALSE(book->Page(0)->GetVisible());

    book->BeginLoading();
    WriteByName(*book, "PageIndex", int64_t {0});
    EXPECT_TRUE(book->Page(1)->GetVisible()) << "nothing shows while loading";
    static_cast<fw::TComponent*>(book)->Loaded();
    EXPECT_TRUE(book->Page(0)->GetVisible());
    EXPECT_FALSE(book->Page(1)->GetVisible());
}

} // namespace
