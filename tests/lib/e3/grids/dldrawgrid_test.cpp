// The data-list grid with a data list whose engine answers row requests the
// way replies do (by setting TempData), and mouse input given as the input
// bridge passes it on.
#include "e3/grids/DLDrawGrid.h"

#include "../TestContainer.h"

#include <QAbstractScrollArea>
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace e3;

namespace {

using Requests = std::vector<std::pair<int32_t, int32_t>>;

constexpr fw::TShiftState Shift = 1u << fw::ssShift;
constexpr fw::TShiftState Ctrl = 1u << fw::ssCtrl;

struct GridFixture : ::testing::Test {
    void SetUp() override
    {
        form = std::make_unique<e3test::TestContainer>(nullptr);
        form->SetBounds(0, 0, 600, 400);
        grid = new Te3_DLDrawGrid(form.get());
        grid->SetName("Grid1");
        grid->SetParent(form.get());
        list = new TDGDataListClient(form.get());
        list->OnGetData = [this](fw::TObject*, int32_t begin, int32_t count, int32_t cols) {
            requests.emplace_back(begin, count);
            std::string data;
            for (int32_t r = begin; r < begin + count; ++r)
                for (int32_t c = 0; c < cols; ++c)
                    data += "r" + std::to_string(r) + "c" + std::to_string(c) + ">|<";
            list->SetTempData(data);
        };
    }

    // A grid with a title row, rows data rows and three columns.
    void Build(int32_t rows, bool title = true)
    {
        grid->SetScaleCol(false);
        grid->SetColCount(3);
        grid->SetFixedCols(0);
        grid->SetTitleVisible(title);
        grid->SetRowCount(rows + (title ? 1 : 0));
        grid->SetBounds(0, 0, 300, 200);
        grid->SetDataList(list);
    }

    // The control point at the centre of a cell.
    void Press(int32_t col, int32_t row, fw::TShiftState shift = 0)
    {
        const QRect cell = grid->CellRect(col, row);
        ASSERT_FALSE(cell.isNull());
        const QPoint at = grid->Viewport()->mapTo(grid->ScrollArea(), cell.center());
        grid->DoMouseDown(fw::mbLeft, shift, at.x(), at.y());
        grid->DoMouseUp(fw::mbLeft, shift & ~(1u << fw::ssDouble), at.x(), at.y());
    }

    std::unique_ptr<e3test::TestContainer> form;
    Te3_DLDrawGrid* grid = nullptr;
    TDGDataListClient* list = nullptr;
    Requests requests;
};

} // namespace

TEST(ScaleColumnWidths, SharesTheClientWidthByTheSavedWidths)
{
    struct Case {
        const char* name;
        std::vector<TScaleColumn> columns;
        int32_t clientWidth;
        bool lines;
        std::vector<int32_t> widths;
    };
    const std::vector<Case> cases {
        {"three columns, vertical lines", {{100, 100}, {100, 100}, {200, 200}}, 801, true, {199, 199, 399}},
        {"an invisible column gets 0", {{100, 100}, {50, 50, false}, {100, 100}}, 403, false, {201, 0, 201}},
        {"a fixed-width column keeps its width", {{60, 60, true, true}, {100, 100}, {100, 100}}, 261, false,
         {60, 100, 100}},
        // Nothing scalable: no column (the invisible one least of all) is widened.
        {"no scalable column", {{70, 70, true, true}, {40, 40, false}}, 500, true, {70, 0}},
        // Less room than the fixed columns take: the widths stay at 0 or more.
        {"no room left", {{300, 300, true, true}, {100, 100}, {100, 100}}, 200, true, {300, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<TScaleColumn> columns = c.columns;
        ScaleColumnWidths(columns, c.clientWidth, c.lines);
        std::vector<int32_t> widths;
        for (const TScaleColumn& column : columns)
            widths.push_back(column.width);
        EXPECT_EQ(widths, c.widths) << c.name;
    }
}

TEST_F(GridFixture, ScalesToTheClientWidthAndReportsWidths)
{
    grid->SetColCount(3);
    grid->SetFixedCols(0);
    grid->SetColWidths(0, 100);
    grid->SetColWidths(1, 100);
    grid->SetColWidths(2, 200);
    grid->SaveColumnWidths();
    grid->SetWidth(801 + grid->GetWidth() - grid->ClientWidth());
    ASSERT_EQ(grid->ClientWidth(), 801);
    grid->ScaleColumns();
    EXPECT_EQ(grid->Get_WidthData(), "199,199,399");
    EXPECT_EQ(grid->AvailableWidth(), 798);
    grid->GetColumns()->GetColumn(1)->SetVisible(false);
    EXPECT_EQ(grid->Get_WidthData(), "266,-0,531");
}

TEST_F(GridFixture, AFirstPaintAsksForTheVisibleRowsOnceAndScrollingBackAsksNothing)
{
    Build(1000);
    grid->FetchVisibleRows();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, 0);
    const int32_t shown = requests[0].second;
    EXPECT_GE(shown, grid->GetVisibleRowCount());
    grid->SetTopRow(501);
    grid->FetchVisibleRows();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].first, 500);
    grid->SetTopRow(1);
    grid->FetchVisibleRows();
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(GridFixture, ATitleRowIsNotCountedAsADataRow)
{
    // Four grid rows with the title: three data rows fill the grid.
    Build(3);
    grid->SetHeight(300);
    grid->FetchVisibleRows();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], std::make_pair(0, 3));
}

TEST_F(GridFixture, ShiftClickSelectsFromThePressedRowToTheCurrentOne)
{
    Build(20);
    grid->SetRowSelect(true);
    struct Case {
        int32_t current, pressed;
        const char* list;
    };
    for (const Case& c : {Case {7, 3, "2,3,4,5,6"}, Case {3, 7, "6,5,4,3,2"}}) {
        grid->_ClearSelect("");
        grid->FocusCell(0, c.current);
        Press(0, c.pressed, Shift);
        EXPECT_EQ(grid->GetRowSelectList(), c.list) << c.current << " to " << c.pressed;
    }
}

TEST_F(GridFixture, CtrlClickLeavingOneRowMovesTheCurrentRowThere)
{
    Build(20);
    grid->SetRowSelect(true);
    grid->FocusCell(0, 2);
    Press(0, 5, Ctrl);
    EXPECT_EQ(grid->GetRowSelectList(), "1,4");
    Press(0, 2, Ctrl);
    EXPECT_EQ(grid->GetRowSelectList(), "");
    EXPECT_EQ(grid->GetRow(), 5);
}

TEST_F(GridFixture, ShiftArrowsAtTheEdgeAddNoRowTwice)
{
    Build(5);
    grid->SetRowSelect(true);
    grid->SetFocus();
    grid->FocusCell(0, 4);
    for (int i = 0; i < 4; ++i) {
        uint16_t key = 0x28; // down
        grid->DoKeyDown(key, Shift);
    }
    EXPECT_EQ(grid->GetRowSelectList(), "3,4");
}

TEST_F(GridFixture, TheEditorOpensOnTheSecondClickAndNeverWhenLocked)
{
    Build(10);
    TDLColumn* column = grid->GetColumns()->GetColumn(0);
    column->SetReadOnly(false);
    Press(0, 3);
    EXPECT_TRUE(!column->GetEditor() || !column->GetEditor()->GetVisible());
    EXPECT_EQ(grid->EditorRow(), 2);
    Press(0, 3);
    ASSERT_NE(column->GetEditor(), nullptr);
    EXPECT_TRUE(column->GetEditor()->GetVisible());
    EXPECT_EQ(grid->EditorCol(), 0);
    column->GetEditor()->SetVisible(false);

    grid->SetLockedEdit(true);
    EXPECT_TRUE(column->GetReadOnly());
    column->SetReadOnly(false);
    EXPECT_TRUE(column->GetReadOnly());
    Press(0, 4);
    Press(0, 4);
    uint16_t enter = 0x0D;
    grid->DoKeyDown(enter, 0);
    grid->_ShowEditor("0<|>3<|>1");
    EXPECT_FALSE(column->GetEditor()->GetVisible());
    grid->SetLockedEdit(false);
    EXPECT_FALSE(column->GetReadOnly());
}

TEST_F(GridFixture, ATitleClickRunsTheSortHandshake)
{
    Build(10);
    std::vector<std::pair<int32_t, char32_t>> asked;
    bool accept = true;
    list->OnSort = [&](fw::TObject*, int32_t col, char32_t type, bool& sort) {
        asked.emplace_back(col, type);
        sort = accept;
    };
    Press(1, 0);
    EXPECT_EQ(grid->SortCol(), 1);
    EXPECT_EQ(grid->SortDirection(), 'A');
    Press(1, 0);
    EXPECT_EQ(grid->SortDirection(), 'D');
    Press(2, 0);
    EXPECT_EQ(grid->SortCol(), 2);
    EXPECT_EQ(grid->SortDirection(), 'A');
    accept = false;
    Press(0, 0);
    EXPECT_EQ(grid->SortCol(), 2);
    EXPECT_EQ((asked.back()), (std::pair<int32_t, char32_t>(0, U'A')));
}

TEST_F(GridFixture, ColumnsAreMadeOnDemandUpToABound)
{
    TDLColumns* columns = grid->GetColumns();
    EXPECT_NE(columns->ItemAtPath(4), nullptr);
    EXPECT_EQ(columns->GetCount(), 5);
    EXPECT_THROW(columns->ItemAtPath(1000000), fw::EListError);
    EXPECT_THROW(columns->ItemAtPath(-1), fw::EListError);
    EXPECT_EQ(columns->GetCount(), 5);
}

TEST_F(GridFixture, RowAndRowCountCountDataRowsWithATitle)
{
    Build(10);
    grid->Set_Row(0);
    EXPECT_EQ(grid->GetRow(), 1);
    EXPECT_EQ(grid->Get_Row(), 0);
    EXPECT_EQ(grid->Get_RowCount(), 10);
    grid->Set_RowCount(4);
    EXPECT_EQ(grid->GetRowCount(), 5);
}

TEST_F(GridFixture, AFreedDataListLeavesNoHooksBehind)
{
    Build(10);
    grid->FetchVisibleRows();
    int dblClicks = 0;
    list->OnDLDblClick = [&](fw::TObject*, int32_t, int32_t) { ++dblClicks; };
    Press(1, 2);
    ASSERT_TRUE(grid->OnDblClick) << "the data list answers double clicks";
    grid->DoDblClick();
    EXPECT_EQ(dblClicks, 1);
    delete list;
    list = nullptr;
    EXPECT_EQ(grid->GetDataList(), nullptr);
    EXPECT_FALSE(grid->OnDblClick);
    grid->Repaint();
    grid->DoDblClick();

    // A handler the engine bound after the attach is its own and stays.
    list = new TDGDataListClient(form.get());
    grid->SetDataList(list);
    int bound = 0;
    grid->OnDblClick = [&](fw::TObject*) { ++bound; };
    grid->SetDataList(nullptr);
    grid->DoDblClick();
    EXPECT_EQ(bound, 1);
}

TEST_F(GridFixture, SortColTypeAndShowStringActions)
{
    grid->_SortColType("3D");
    EXPECT_EQ(grid->SortCol(), 3);
    EXPECT_EQ(grid->SortDirection(), 'D');
    grid->_SortColType("3X");
    EXPECT_EQ(grid->SortCol(), -1);
    grid->_ShowString("1<|>DRAFT<|>45");
    EXPECT_TRUE(grid->WatermarkOn());
    EXPECT_THROW(grid->_ShowString("0<|>x<|>abc"), u3::EConvertError);
    EXPECT_FALSE(grid->WatermarkOn());
    EXPECT_THROW(grid->_ShowEditor("a<|>1"), u3::EConvertError);
}

TEST_F(GridFixture, TwoColorsNeedsRowSelectInTheOptions)
{
    grid->SetTwoColors(true);
    EXPECT_FALSE(grid->GetTwoColors());
    grid->SetOptions(grid->GetOptions() | GridOption(goRowSelect));
    grid->SetTwoColors(true);
    EXPECT_TRUE(grid->GetTwoColors());
}
