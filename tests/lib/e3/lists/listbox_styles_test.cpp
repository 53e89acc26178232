#include "../TestContainer.h"
#include "e3/lists/ListBox.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <any>
#include <string>
#include <vector>

namespace {

using e3test::OrdinalByName;
using e3test::WriteByName;

TEST(ListBoxStylesTest, EnumerationsKeepTheirOrdinalsAndDefaults)
{
    e3::Te3_ListBox list(nullptr);
    EXPECT_EQ(OrdinalByName(list, "Style"), e3::lbStandard);
    EXPECT_EQ(OrdinalByName(list, "ItemHeight"), 16);
    EXPECT_EQ(OrdinalByName(list, "Columns"), 0);
    EXPECT_EQ(OrdinalByName(list, "IntegralHeight"), 1);
    EXPECT_EQ(OrdinalByName(list, "AutoComplete"), 1);
    EXPECT_EQ(OrdinalByName(list, "BevelKind"), e3::bkNone);

    const struct {
        const char* name;
        int ordinal;
    } styles[] = {{"lbStandard", 0}, {"lbOwnerDrawFixed", 1}, {"lbOwnerDrawVariable", 2}, {"lbVirtual", 3},
                  {"lbVirtualOwnerDraw", 4}};
    for (const auto& s : styles)
        EXPECT_EQ(e3::ListBoxStyleType.OrdinalOf(s.name), s.ordinal) << s.name;
    EXPECT_EQ(e3::BevelKindType.OrdinalOf("bkFlat"), 3);
    EXPECT_EQ(e3::OwnerDrawStateType.OrdinalOf("odFocused"), e3::odFocused);

    WriteByName(list, "Style", int64_t {e3::lbVirtualOwnerDraw});
    EXPECT_EQ(list.GetStyle(), e3::lbVirtualOwnerDraw);
    WriteByName(list, "ItemHeight", int64_t {0}); // ignored
    EXPECT_EQ(list.GetItemHeight(), 16);
}

TEST(ListBoxStylesTest, RowHeightFollowsTheStyle)
{
    const auto twice = [](int32_t& h) { h *= 2; };
    const auto negative = [](int32_t& h) { h = -5; };
    const struct {
        e3::TListBoxStyle style;
        std::function<void(int32_t&)> measure;
        int32_t expected;
    } cases[] = {
        {e3::lbStandard, twice, 14},         {e3::lbVirtual, twice, 14},
        {e3::lbOwnerDrawFixed, twice, 20},   {e3::lbVirtualOwnerDraw, twice, 20},
        {e3::lbOwnerDrawVariable, twice, 40}, {e3::lbOwnerDrawVariable, nullptr, 20},
        {e3::lbOwnerDrawVariable, negative, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(e3::RowHeight(c.style, 20, 14, c.measure), c.expected) << c.style;
}

TEST(ListBoxStylesTest, VariableRowsTakeTheMeasuredHeight)
{
    e3::Te3_ListBox list(nullptr);
    list.SetItems({"a", "b", "c"});
    std::vector<int32_t> asked;
    list.OnMeasureItem = [&](fw::TObject* control, int32_t index, int32_t& height) {
        EXPECT_EQ(control, &list);
        asked.push_back(index);
        height = 10 + 5 * index;
    };
    list.SetStyle(e3::lbOwnerDrawVariable);
    EXPECT_EQ(list.List()->sizeHintForRow(2), 20);
    EXPECT_EQ(list.List()->sizeHintForRow(0), 10);
    EXPECT_FALSE(asked.empty());

    list.SetStyle(e3::lbOwnerDrawFixed);
    list.SetItemHeight(23);
    EXPECT_EQ(list.List()->sizeHintForRow(2), 23);
}

TEST(ListBoxStylesTest, OwnerDrawStylesReportEachPaintedRow)
{
    e3::Te3_ListBox list(nullptr);
    list.SetItems({"one", "two"});
    list.SetItemIndex(1);
    struct Drawn {
        int32_t index;
        fw::TRect rect;
        e3::TOwnerDrawState state;
    };
    std::vector<Drawn> drawn;
    list.OnDrawItem = [&](fw::TObject*, int32_t index, const fw::TRect& rect, e3::TOwnerDrawState state) {
        drawn.push_back({index, rect, state});
    };
    list.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.Widget()));

    list.List()->repaint();
    EXPECT_TRUE(drawn.empty()); // standard style draws by itself

    list.SetStyle(e3::lbOwnerDrawFixed);
    list.SetItemHeight(18);
    list.List()->repaint();
    ASSERT_FALSE(drawn.empty());
    bool sawSelected = false;
    for (const Drawn& d : drawn) {
        EXPECT_EQ(d.rect.bottom - d.rect.top, 18);
        EXPECT_EQ(d.rect.top, d.index * 18);
        const bool selected = d.state & (1u << e3::odSelected);
        EXPECT_EQ(selected, d.index == 1) << d.index;
        sawSelected = sawSelected || selected;
    }
    EXPECT_TRUE(sawSelected);
}

TEST(ListBoxStylesTest, VirtualRowsComeFromTheHandlers)
{
    e3::Te3_ListBox list(nullptr);
    EXPECT_THROW(list.SetCount(3), fw::EPropertyError);

    fw::TComponent marker(nullptr);
    list.OnData = [](fw::TObject*, int32_t index, std::string& data) { data = "row " + std::to_string(index); };
    list.OnDataObject = [&](fw::TObject*, int32_t index, fw::TObject*& object) {
        if (index == 1)
            object = &marker;
    };
    EXPECT_EQ(list.ItemObject(1), nullptr); // not virtual yet

    list.SetStyle(e3::lbVirtual);
    list.SetCount(3);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemText(2), "row 2");
    EXPECT_EQ(list.ItemText(3), "");
    EXPECT_EQ(list.ItemObject(1), &marker);
    EXPECT_EQ(list.ItemObject(0), nullptr);
    list.SetItemIndex(2);
    EXPECT_EQ(list.GetItemIndex(), 2);
    list.SetCount(1);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.ItemText(0), "row 0");
}

TEST(ListBoxStylesTest, TypingSelectsTheFoundItem)
{
    e3::Te3_ListBox list(nullptr);
    list.SetItems({"alpha", "Beta", "bell"});
    int clicks = 0;
    list.OnClick = [&](fw::TObject*) { ++clicks; };
    list.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.Widget()));

    QTest::keyClicks(list.List(), "bel");
    EXPECT_EQ(list.GetItemIndex(), 2);
    EXPECT_GE(clicks, 1);

    list.SetItemIndex(0);
    list.SetAutoComplete(false);
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTest::keyClicks(list.List(), "b");
    EXPECT_EQ(list.GetItemIndex(), 0);
    EXPECT_EQ(list.FindTyped("b"), -1);

    // A virtual list asks OnDataFind with the text typed so far.
    list.SetAutoComplete(true);
    list.SetStyle(e3::lbVirtual);
    std::vector<std::string> asked;
    list.OnDataFind = [&](fw::TObject*, const std::string& text) {
        asked.push_back(text);
        return text == "xy" ? 1 : -1;
    };
    QTest::keyClicks(list.List(), "xy");
    EXPECT_EQ(asked, (std::vector<std::string> {"x", "xy"}));
    EXPECT_EQ(list.GetItemIndex(), 1);
}

TEST(ListBoxStylesTest, ColumnsWrapTheRows)
{
    e3::Te3_ListBox list(nullptr);
    list.SetColumns(2);
    EXPECT_TRUE(list.List()->isWrapping());
    WriteByName(list, "Columns", int64_t {0});
    EXPECT_FALSE(list.List()->isWrapping());
    list.SetColumns(-3);
    EXPECT_EQ(list.GetColumns(), 0);
}

} // namespace
