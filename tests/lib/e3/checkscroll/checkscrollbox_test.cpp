#include "../TestContainer.h"
#include "e3/checkscroll/CheckScrollBox.h"
#include "e3/edits/Edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

TEST(CheckScrollBoxTest, GridFillsColumnByColumn)
{
    // Seven items in three columns: 3, 2 and 2.
    const std::vector<std::vector<int>> sevenInThree = {{0, 3, 5}, {1, 4, 6}, {2, -1, -1}};
    ASSERT_EQ(e3::GridRows(7, 3), 3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(e3::GridItemAt(7, 3, row, column), sevenInThree[row][column]) << row << "," << column;
    // An even division, and one column.
    EXPECT_EQ(e3::GridItemAt(6, 3, 1, 2), 5);
    EXPECT_EQ(e3::GridItemAt(4, 1, 3, 0), 3);
    EXPECT_EQ(e3::GridRows(0, 3), 0);
    EXPECT_EQ(e3::GridRows(5, 0), 0);
}

TEST(CheckScrollBoxTest, BooleanTexts)
{
    const struct {
        const char* text;
        bool value;
    } cases[] = {{"1", true},      {"-1", true},   {"0", false}, {"True", true}, {"false", false},
                 {" 2.5 ", true},  {"yes", false}, {"", false},  {"0.0", false}};
    for (const auto& c : cases)
        EXPECT_EQ(e3::TextToBool(c.text, false), c.value) << c.text;
    EXPECT_TRUE(e3::TextToBool("maybe", true));
}

TEST(CheckScrollBoxTest, ItemsStringCheckedItemsAndLayout)
{
    e3::Te3_CheckScrollBox box(nullptr);
    EXPECT_EQ(box.GetWidth(), 233);
    WriteByName(box, "ItemsString", std::string("one\r\ntwo\nthree\rfour\r\nfive\r\nsix\r\nseven"));
    EXPECT_EQ(OrdinalByName(box, "Count"), 7);
    EXPECT_EQ(TextByName(box, "ItemsString"), "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\nseven\r\n");
    EXPECT_EQ(TextByName(box, "CheckedItems"), "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0");
    EXPECT_EQ(box.CheckBoxOf(2)->GetName(), "chk2");
    EXPECT_EQ(box.CheckBoxOf(2)->GetText(), "three");

    WriteByName(box, "Columns", int64_t {3});
    const int width = (box.ClientWidth() - 5) / 3 - 5;
    // Item 5 opens the third column, in the first row.
    EXPECT_EQ(box.CheckBoxOf(5)->GetLeft(), (width + 5) * 2 + 5);
    EXPECT_EQ(box.CheckBoxOf(5)->GetTop(), 5);
    EXPECT_EQ(box.CheckBoxOf(3)->GetLeft(), width + 5 + 5);
    EXPECT_EQ(box.CheckBoxOf(2)->GetTop(), box.CheckBoxOf(1)->GetTop() + box.CheckBoxOf(1)->GetHeight() + 3);
    EXPECT_EQ(box.CheckBoxOf(0)->GetWidth(), width);

    // No columns at all is not a layout: the value is left alone.
    WriteByName(box, "Columns", int64_t {0});
    WriteByName(box, "Columns", int64_t {-2});
    EXPECT_EQ(box.GetColumns(), 3);

    // Fixed sizes once AutoAlignment is off; ignored while it is on.
    WriteByName(box, "ItemWidth", int64_t {60});
    EXPECT_EQ(OrdinalByName(box, "ItemWidth"), 120);
    WriteByName(box, "AutoAlignment", int64_t {0});
    WriteByName(box, "ItemWidth", int64_t {60});
    WriteByName(box, "ItemHeight", int64_t {0});
    EXPECT_EQ(OrdinalByName(box, "ItemWidth"), 60);
    EXPECT_EQ(OrdinalByName(box, "ItemHeight"), 18);
    EXPECT_EQ(box.CheckBoxOf(3)->GetLeft(), 65 + 5);
    EXPECT_EQ(box.CheckBoxOf(1)->GetTop(), 5 + 18 + 3);
}

TEST(CheckScrollBoxTest, CheckedItemsCountsEveryTrueLineTowardsTheCap)
{
    e3::Te3_CheckScrollBox box(nullptr);
    WriteByName(box, "ItemsString", std::string("a\r\nb\r\nc\r\nd"));
    WriteByName(box, "MaxChecked", int64_t {2});
    int clicks = 0;
    box.OnClickCheck = [&](fw::TObject*) { ++clicks; };

    // The control writes "-1" for a checked item; read back and written
    // again, the two checked items reach the cap.
    WriteByName(box, "CheckedItems", std::string("-1\r\nTrue\r\n0"));
    EXPECT_EQ(TextByName(box, "CheckedItems"), "-1\r\n-1\r\n0\r\n0");
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(box.CheckBoxOf(2)->ToggleLocked());
    // Items beyond the last line keep their state and lock.
    EXPECT_FALSE(box.CheckBoxOf(3)->ToggleLocked());
    EXPECT_FALSE(box.CheckBoxOf(0)->ToggleLocked());

    WriteByName(box, "CheckedItems", std::string("0\r\n0\r\n0\r\n0"));
    EXPECT_FALSE(box.CheckBoxOf(2)->ToggleLocked());
}

TEST(CheckScrollBoxTest, SortedSortsOnceAndLaterItemsKeepTheirOrder)
{
    e3::Te3_CheckScrollBox box(nullptr);
    WriteByName(box, "ItemsString", std::string("pear\r\nApple\r\nfig"));
    e3::Te3_ScrollCheckBox* apple = box.CheckBoxOf(1);
    WriteByName(box, "Sorted", int64_t {1});
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"Apple", "fig", "pear"}));
    EXPECT_EQ(box.CheckBoxOf(0), apple);
    EXPECT_EQ(box.CheckBoxOf(0)->GetTop(), 5);
    WriteByName(box, "ItemsString", std::string("z\r\ny"));
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"z", "y"}));
}

TEST(CheckScrollBoxTest, EnabledAndLockReachTheBoxesOnTheInnerPanel)
{
    e3test::TestContainer root(nullptr);
    e3::Te3_CheckScrollBox box(nullptr);
    box.SetParent(&root);
    e3::Te3_Edit edit(nullptr);
    edit.SetParent(&box);
    WriteByName(box, "ItemsString", std::string("a\r\nb"));

    WriteByName(box, "Enabled", int64_t {0});
    EXPECT_FALSE(box.CheckBoxOf(0)->GetEnabled());
    EXPECT_FALSE(edit.GetEnabled());
    WriteByName(box, "Enabled", int64_t {1});
    EXPECT_TRUE(box.CheckBoxOf(1)->GetEnabled());

    WriteByName(box, "LockedEdit", int64_t {1});
    EXPECT_TRUE(box.CheckBoxOf(0)->GetReadOnly());
    EXPECT_TRUE(edit.GetReadOnly());
    WriteByName(box, "LockedEdit", int64_t {0});
    EXPECT_FALSE(box.CheckBoxOf(0)->GetReadOnly());
    EXPECT_FALSE(edit.GetReadOnly());
}

// The user's clicks, counted against MaxChecked.
TEST(CheckScrollBoxTest, UserCannotCheckBeyondTheCap)
{
    e3::Te3_CheckScrollBox box(nullptr);
    box.Widget()->resize(233, 153);
    WriteByName(box, "ItemsString", std::string("a\r\nb\r\nc"));
    WriteByName(box, "MaxChecked", int64_t {2});
    std::vector<int> indexes;
    box.OnClickCheck = [&](fw::TObject*) { indexes.push_back(box.GetItemIndex()); };
    box.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.Widget()));

    const auto click = [&](int i) {
        QCheckBox* widget = box.CheckBoxOf(i)->CheckBox();
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, widget->height() / 2));
    };
    click(1);
    click(2);
    EXPECT_EQ(TextByName(box, "CheckedItems"), "0\r\n-1\r\n-1");
    click(0); // locked: the third check is refused
    EXPECT_EQ(TextByName(box, "CheckedItems"), "0\r\n-1\r\n-1");
    click(2); // unchecking stays free and lifts the lock
    click(0);
    EXPECT_EQ(TextByName(box, "CheckedItems"), "-1\r\n-1\r\n0");
    // The refused click raised nothing; ItemIndex 0 was the start value.
    EXPECT_EQ(indexes, (std::vector<int> {1, 2, 2, 0}));
}

} // namespace
