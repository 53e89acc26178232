#include "../TestContainer.h"
#include "e3/lists/ListBox.h"

#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3test::WriteByName;

std::vector<std::string> Numbered(int count)
{
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i)
        items.push_back("item " + std::to_string(i));
    return items;
}

void ShowAndSettle(e3::Te3CustomListBox& list)
{
    list.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.Widget()));
    QCoreApplication::processEvents();
}

QRect RowRect(const e3::Te3CustomListBox& list, int row)
{
    return list.List()->visualItemRect(list.List()->item(row));
}

TEST(ListBoxLayoutTest, ColumnsFlowTheRowsTopToBottomAndScrollSideways)
{
    const struct {
        int32_t columns;
        int count;
        bool horizontalBar;
    } cases[] = {{1, 40, true}, {3, 40, true}, {4, 3, false}, {2, 200, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columns << " columns, " << c.count << " rows");
        e3::Te3_ListBox list(nullptr);
        list.SetIntegralHeight(false);
        list.SetBounds(0, 0, 302, 150);
        list.SetItems(Numbered(c.count));
        WriteByName(list, "Columns", int64_t {c.columns});
        ShowAndSettle(list);

        QListWidget* view = list.List();
        const int clientWidth = 302 - 2 * view->frameWidth();
        const int columnWidth = clientWidth / c.columns;
        const int rowHeight = RowRect(list, 0).height();
        ASSERT_GT(rowHeight, 0);
        const int perColumn = view->viewport()->height() / rowHeight;
        ASSERT_GT(perColumn, 0);

        EXPECT_FALSE(view->verticalScrollBar()->isVisible());
        EXPECT_EQ(view->horizontalScrollBar()->isVisible(), c.horizontalBar);
        for (int row : {0, 1, perColumn - 1, perColumn, c.count - 1}) {
            if (row < 0 || row >= c.count)
                continue;
            const QRect rect = RowRect(list, row);
            EXPECT_EQ(rect.left(), (row / perColumn) * columnWidth) << "row " << row;
            EXPECT_EQ(rect.top(), (row % perColumn) * rowHeight) << "row " << row;
            EXPECT_EQ(rect.width(), columnWidth) << "row " << row;
        }
    }
}

TEST(ListBoxLayoutTest, ColumnWidthFollowsTheWidthAndZeroColumnsIsOneList)
{
    e3::Te3_ListBox list(nullptr);
    list.SetIntegralHeight(false);
    list.SetBounds(0, 0, 200, 120);
    list.SetItems(Numbered(30));
    list.SetColumns(2);
    ShowAndSettle(list);
    const int frame = 2 * list.List()->frameWidth();
    EXPECT_EQ(RowRect(list, 0).width(), (200 - frame) / 2);

    list.SetWidth(320);
    QCoreApplication::processEvents();
    EXPECT_EQ(RowRect(list, 0).width(), (320 - frame) / 2);

    list.SetColumns(0);
    QCoreApplication::processEvents();
    QListWidget* view = list.List();
    EXPECT_TRUE(view->verticalScrollBar()->isVisible());
    EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
    const QRect first = RowRect(list, 0);
    const QRect second = RowRect(list, 1);
    EXPECT_EQ(second.left(), first.left());
    EXPECT_EQ(second.top(), first.bottom() + 1);
    EXPECT_EQ(first.width(), view->viewport()->width());
}

TEST(ListBoxLayoutTest, IntegralHeightShowsWholeRowsOnly)
{
    const struct {
        const char* name;
        bool integral;
        e3::TListBoxStyle style;
        int32_t columns;
        int32_t height;
        bool snapped;
    } cases[] = {
        {"standard rows", true, e3::lbStandard, 0, 100, true},
        {"fixed owner-draw rows", true, e3::lbOwnerDrawFixed, 0, 107, true},
        {"columns with their scroll bar", true, e3::lbOwnerDrawFixed, 2, 118, true},
        {"switched off", false, e3::lbOwnerDrawFixed, 0, 107, false},
        {"variable rows", true, e3::lbOwnerDrawVariable, 0, 107, false},
        {"lower than one row", true, e3::lbOwnerDrawFixed, 0, 19, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        e3::Te3_ListBox list(nullptr);
        list.SetItems(Numbered(60));
        list.SetStyle(c.style);
        list.SetItemHeight(17);
        list.SetColumns(c.columns);
        WriteByName(list, "IntegralHeight", int64_t {c.integral});
        list.SetBounds(0, 0, 150, c.height);
        ShowAndSettle(list);

        QListWidget* view = list.List();
        EXPECT_EQ(view->height(), list.GetHeight());
        const int rowHeight = RowRect(list, 0).height();
        const int client = view->viewport()->height();
        if (c.snapped) {
            EXPECT_LE(list.GetHeight(), c.height);
            EXPECT_GT(list.GetHeight(), c.height - rowHeight);
            EXPECT_EQ(client % rowHeight, 0) << "client height " << client << ", row " << rowHeight;
        } else {
            EXPECT_EQ(list.GetHeight(), c.height);
        }
        if (c.columns > 0) {
            EXPECT_TRUE(view->horizontalScrollBar()->isVisible());
        }
    }
}

TEST(ListBoxLayoutTest, IntegralHeightSnapsAgainWhenTheRowsChange)
{
    e3::Te3_ListBox list(nullptr);
    list.SetStyle(e3::lbOwnerDrawFixed);
    list.SetIntegralHeight(false);
    list.SetBounds(0, 0, 150, 107);
    EXPECT_EQ(list.GetHeight(), 107);

    const int frame = 2 * list.List()->frameWidth();
    list.SetIntegralHeight(true);
    EXPECT_EQ((list.GetHeight() - frame) % 16, 0) << list.GetHeight();
    list.SetItemHeight(25);
    EXPECT_EQ((list.GetHeight() - frame) % 25, 0) << list.GetHeight();
    const int32_t snapped = list.GetHeight();
    // Switching it off keeps the height it has; new heights stay as set.
    list.SetIntegralHeight(false);
    EXPECT_EQ(list.GetHeight(), snapped);
    list.SetHeight(107);
    EXPECT_EQ(list.GetHeight(), 107);
}

TEST(ListBoxLayoutTest, ScrollWidthIsTheWidthTheRowsScrollOver)
{
    const struct {
        int32_t scrollWidth;
        int rows;
        bool horizontalBar;
    } cases[] = {{0, 3, false}, {80, 3, false}, {400, 3, true}, {400, 40, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "scroll width " << c.scrollWidth << ", " << c.rows << " rows");
        e3::Te3_ListBox list(nullptr);
        list.SetIntegralHeight(false);
        list.SetBounds(0, 0, 150, 120);
        auto items = Numbered(c.rows);
        items[0] = std::string(80, 'W'); // far wider than the list
        list.SetItems(items);
        WriteByName(list, "ScrollWidth", int64_t {c.scrollWidth});
        ShowAndSettle(list);

        QScrollBar* bar = list.List()->horizontalScrollBar();
        EXPECT_EQ(bar->isVisible(), c.horizontalBar);
        const int range = c.horizontalBar ? c.scrollWidth - list.List()->viewport()->width() : 0;
        EXPECT_EQ(bar->maximum(), range);
    }
}

TEST(ListBoxLayoutTest, ScrollWidthCountsTheVerticalBar)
{
    // Just under the client width: only the vertical bar of a long list
    // makes the rows wider than what is visible.
    e3::Te3_ListBox list(nullptr);
    list.SetIntegralHeight(false);
    list.SetBounds(0, 0, 150, 120);
    const int32_t width = 150 - 2 * list.List()->frameWidth() - 4;
    list.SetScrollWidth(width);
    list.SetItems(Numbered(2));
    ShowAndSettle(list);
    EXPECT_FALSE(list.List()->horizontalScrollBar()->isVisible());

    list.SetItems(Numbered(50));
    QCoreApplication::processEvents();
    EXPECT_TRUE(list.List()->verticalScrollBar()->isVisible());
    EXPECT_TRUE(list.List()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(list.List()->horizontalScrollBar()->maximum(), width - list.List()->viewport()->width());
}

// The left edge of the ink of a row's text, in viewport pixels; -1 when blank.
int InkLeft(const QImage& image, const QRect& rect)
{
    for (int x = rect.left(); x <= rect.right(); ++x)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            if (qGray(image.pixel(x, y)) < 128)
                return x;
    return -1;
}

TEST(ListBoxLayoutTest, TabsStopEveryTabWidthDialogUnits)
{
    const struct {
        int32_t tabWidth;
        const char* text;
        int stops;
    } cases[] = {
        {0, "\tX", 1}, {0, "\t\tX", 2}, {16, "\tX", 1}, {40, "\t\tX", 2}, {12, "\t\t\tX", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tab width " << c.tabWidth << ", " << c.stops << " tabs");
        e3::Te3_ListBox list(nullptr);
        list.SetIntegralHeight(false);
        list.SetBounds(0, 0, 400, 80);
        list.SetItems({"X", c.text});
        WriteByName(list, "TabWidth", int64_t {c.tabWidth});
        ShowAndSettle(list);

        const int average = QFontMetrics(list.List()->font()).averageCharWidth();
        ASSERT_GT(average, 0);
        const int units = c.tabWidth == 0 ? 32 : c.tabWidth;
        const int stop = (units * average + 2) / 4;

        const QImage image = list.List()->viewport()->grab().toImage();
        const int plain = InkLeft(image, RowRect(list, 0));
        const int tabbed = InkLeft(image, RowRect(list, 1));
        ASSERT_GE(plain, 0);
        ASSERT_GE(tabbed, 0);
        EXPECT_EQ(tabbed - plain, c.stops * stop);
    }
}

TEST(ListBoxLayoutTest, PaintingAsksForEachVirtualRowOnce)
{
    // Every answer may be a round trip to the engine.
    e3::Te3_ListBox list(nullptr);
    list.SetIntegralHeight(false);
    list.SetBounds(0, 0, 200, 150);
    std::vector<int> asked(3);
    list.OnData = [&](fw::TObject*, int32_t index, std::string& data) {
        ++asked.at(static_cast<size_t>(index));
        data = index == 1 ? "a\tb" : "plain";
    };
    list.SetStyle(e3::lbVirtual);
    list.SetCount(3);
    ShowAndSettle(list);

    std::fill(asked.begin(), asked.end(), 0);
    list.List()->viewport()->repaint();
    EXPECT_EQ(asked, (std::vector<int> {1, 1, 1}));
}

} // namespace
