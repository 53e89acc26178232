// Property paths that address items of a collection by position.
#include "ClientFixture.h"

#include "client/FormReader.h"
#include "e3/lists/ListBox.h"
#include "framework/Collection.h"

#include <gtest/gtest.h>

namespace {

class TTestColumn : public fw::TCollectionItem {
    FW_CLASS()
public:
    int32_t GetWidth() const { return width_; }
    void SetWidth(int32_t v) { width_ = v; }
    bool GetVisible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }

private:
    int32_t width_ = 64;
    bool visible_ = true;
};

const fw::TClassInfo& TTestColumn::StaticClass()
{
    using C = TTestColumn;
    static const fw::TClassInfo info {
        "TTestColumn",
        &fw::TCollectionItem::StaticClass(),
        fw::TRows<TTestColumn> {
            fw::prop::Integer("Width", &C::GetWidth, &C::SetWidth),
            fw::prop::Boolean("Visible", &C::GetVisible, &C::SetVisible),
        },
    };
    return info;
}

class TTestGrid : public fw::TComponent {
    FW_CLASS()
public:
    explicit TTestGrid(fw::TComponent* owner)
        : fw::TComponent(owner)
        , columns_([] { return std::make_unique<TTestColumn>(); })
    {
        for (int i = 0; i < 3; ++i)
            columns_.Add();
    }
    fw::TCollection* GetColumns() const { return const_cast<fw::TCollection*>(&columns_); }
    TTestColumn* Column(int i) const { return static_cast<TTestColumn*>(columns_.Items(i)); }

private:
    fw::TCollection columns_;
};

const fw::TClassInfo& TTestGrid::StaticClass()
{
    static const fw::TClassInfo info {
        "TTestGrid",
        &fw::TComponent::StaticClass(),
        fw::TRows<TTestGrid> {fw::prop::Object("Columns", fw::TCollection::StaticClass(), &TTestGrid::GetColumns, nullptr)},
    };
    return info;
}

class ItemPathTest : public e3test::ClientFixture {};

TEST_F(ItemPathTest, AnItemStepContinuesInTheItem)
{
    TTestGrid grid(nullptr);
    client::SetPropertyByPath(&grid, "COLUMNS[2].WIDTH", "TTestGrid", "40");
    client::SetPropertyByPath(&grid, "Columns[0].Visible", "TTestGrid", "0");
    EXPECT_EQ(grid.Column(2)->GetWidth(), 40);
    EXPECT_EQ(grid.Column(1)->GetWidth(), 64);
    EXPECT_FALSE(grid.Column(0)->GetVisible());
    EXPECT_EQ(client::GetPropertyText("TTestGrid", "columns[2].width", &grid), "40");
    EXPECT_EQ(client::GetPropertyText("TTestGrid", "COLUMNS[0].VISIBLE", &grid), "false");
}

TEST_F(ItemPathTest, PositionsOutsideTheCollectionRaiseOnWriteAndReadEmpty)
{
    TTestGrid grid(nullptr);
    for (const char* path : {"COLUMNS[3].WIDTH", "COLUMNS[-1].WIDTH"}) {
        SCOPED_TRACE(path);
        EXPECT_THROW(client::SetPropertyByPath(&grid, path, "TTestGrid", "40"), fw::EListError);
        EXPECT_EQ(client::GetPropertyText("TTestGrid", path, &grid), "");
    }
    try {
        client::SetPropertyByPath(&grid, "COLUMNS[7].WIDTH", "TTestGrid", "40");
        FAIL() << "no error";
    } catch (const fw::EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (7)");
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(grid.Column(i)->GetWidth(), 64);
}

TEST_F(ItemPathTest, StepsThatSelectNoItemChangeNothing)
{
    TTestGrid grid(nullptr);
    e3::Te3_ListBox list(nullptr);
    list.SetItems({"a", "b", "c"});
    const struct {
        fw::TObject* object;
        const char* className;
        const char* path;
    } cases[] = {
        {&grid, "TTestGrid", "COLUMNS[x].WIDTH"},
        {&grid, "TTestGrid", "COLUMNS[].WIDTH"},
        {&grid, "TTestGrid", "COLUMNS[1"},
        {&grid, "TTestGrid", "COLUMNS[1]"}, // an item is no value
        // A string list is no collection.
        {&list, "Te3_ListBox", "ITEMS[2]"},
        {&list, "Te3_ListBox", "ITEMS[0].TEXT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_NO_THROW(client::SetPropertyByPath(c.object, c.path, c.className, "1"));
        EXPECT_EQ(client::GetPropertyText(c.className, c.path, c.object), "");
    }
    EXPECT_EQ(list.Items(), (std::vector<std::string> {"a", "b", "c"}));
}

TEST_F(ItemPathTest, AChildOfAFormIsReachedBeforeItsItems)
{
    fw::TComponent* form = LoadLines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormItems | ] | } | x | "
                                     "{ | } | x | { | }");
    ASSERT_NE(form, nullptr);
    fw::Guard<fw::TComponent> root(form);
    auto* grid = new TTestGrid(form);
    grid->SetName("Grid1");
    client::SetPropertyByPath(form, "GRID1.COLUMNS[1].WIDTH", "Te3_ClientForm", "17");
    EXPECT_EQ(grid->Column(1)->GetWidth(), 17);
    EXPECT_EQ(client::GetPropertyText("Te3_ClientForm", "Grid1.Columns[1].Width", form), "17");
    delete root.get();
}

TEST(Collection, ItemsKnowTheirPlace)
{
    fw::TCollection c([] { return std::make_unique<fw::TCollectionItem>(); });
    int changes = 0;
    c.OnChange = [&] { ++changes; };
    fw::TCollectionItem* a = c.Add();
    fw::TCollectionItem* b = c.Add();
    EXPECT_EQ(b->GetIndex(), 1);
    c.Delete(0);
    EXPECT_EQ(b->GetIndex(), 0);
    EXPECT_EQ(c.IndexOf(a), -1);
    EXPECT_THROW(c.Delete(1), fw::EListError);
    c.Clear();
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(changes, 4);
}

} // namespace
