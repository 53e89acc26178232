// The draw grid base: rows sized and moved with the mouse in the fixed
// columns, given as the input bridge passes the mouse on.
#include "e3/grids/DrawGrid.h"

#include "DrawGridForm.h"

#include <QAbstractScrollArea>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace e3;

namespace {

constexpr fw::TShiftState LeftHeld = 1u << fw::ssLeft;

struct DrawGridFixture : ::testing::Test {
    void SetUp() override
    {
        sized = 0;
        moved.clear();
        made = std::make_unique<e3test::DrawGridForm>(4, 8);
        grid = made->grid;
        grid->OnRowSized = [this](fw::TObject*) { ++sized; };
        grid->OnRowMoved = [this](fw::TObject*, int32_t from, int32_t to) { moved.emplace_back(from, to); };
    }

    // A client point of the viewport in the control's coordinates.
    QPoint At(int32_t x, int32_t y) const { return grid->Viewport()->mapTo(grid->ScrollArea(), QPoint(x, y)); }

    // Press at a client point, move by (dx, dy), release there.
    void Drag(int32_t x, int32_t y, int32_t dx, int32_t dy)
    {
        const QPoint from = At(x, y);
        grid->DoMouseDown(fw::mbLeft, 0, from.x(), from.y());
        grid->DoMouseMove(LeftHeld, from.x() + dx / 2, from.y() + dy / 2);
        grid->DoMouseMove(LeftHeld, from.x() + dx, from.y() + dy);
        grid->DoMouseUp(fw::mbLeft, 0, from.x() + dx, from.y() + dy);
    }

    std::unique_ptr<e3test::DrawGridForm> made;
    Te3DrawGrid* grid = nullptr;
    int sized = 0;
    std::vector<std::pair<int32_t, int32_t>> moved;
};

TEST_F(DrawGridFixture, RowsAreSizedAtTheirDividerInTheFixedColumns)
{
    struct Case {
        const char* what;
        bool option;
        int32_t row;    // whose lower divider is pressed
        int32_t xShift; // from the middle of the fixed column
        int32_t yShift; // from the divider
        int32_t dy;
        int32_t height; // of row, afterwards
    };
    const Case cases[] = {
        {"a fixed row grows", true, 0, 0, 0, 12, 30},
        {"a data row grows", true, 2, 0, 0, 7, 25},
        {"within the hit zone above", true, 2, 0, -2, 5, 23},
        {"within the hit zone below", true, 2, 0, 2, 5, 23},
        {"shrunk to nothing, never below", true, 3, 0, 0, -40, 0},
        {"outside the hit zone: a plain press", true, 2, 0, -6, 10, 18},
        {"in a data column: no sizing", true, 2, 64 + 10, 0, 10, 18},
        {"without row sizing in the options", false, 2, 0, 0, 10, 18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        grid->SetOptions(c.option ? grid->GetOptions() | GridOption(goRowSizing)
                                  : grid->GetOptions() & ~GridOption(goRowSizing));
        const QRect cell = grid->CellRect(0, c.row);
        ASSERT_FALSE(cell.isNull());
        Drag(cell.center().x() + c.xShift, cell.bottom() + 1 + c.yShift, 0, c.dy);
        EXPECT_EQ(grid->RowHeights(c.row), c.height);
        EXPECT_EQ(sized, c.height != 18 ? 1 : 0);
        EXPECT_EQ(grid->GridState(), gsNormal);
        // The other rows keep their height.
        for (int32_t r = 0; r < grid->GetRowCount(); ++r) {
            if (r != c.row) {
                EXPECT_EQ(grid->RowHeights(r), 18) << r;
            }
        }
    }
}

TEST_F(DrawGridFixture, RowsMoveInTheFixedColumnTakingTheirHeights)
{
    struct Case {
        int32_t from, to;
        std::vector<int32_t> heights; // rows 0 to 7 afterwards
    };
    // Rows 2 and 5 have heights of their own before each move.
    const Case cases[] = {
        {5, 2, {18, 18, 50, 30, 18, 18, 18, 18}},
        {2, 6, {18, 18, 18, 18, 50, 18, 30, 18}},
        {2, 3, {18, 18, 18, 30, 18, 50, 18, 18}},
        {7, 1, {18, 18, 18, 30, 18, 18, 50, 18}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        SetUp();
        grid->SetOptions(grid->GetOptions() | GridOption(goRowMoving));
        grid->SetRowHeights(2, 30);
        grid->SetRowHeights(5, 50);
        const QRect from = grid->CellRect(0, c.from);
        const QRect to = grid->CellRect(0, c.to);
        ASSERT_FALSE(from.isNull());
        ASSERT_FALSE(to.isNull());
        Drag(from.center().x(), from.center().y(), 0, to.center().y() - from.center().y());
        EXPECT_EQ(moved, (std::vector<std::pair<int32_t, int32_t>> {{c.from, c.to}}));
        std::vector<int32_t> heights;
        for (int32_t r = 0; r < grid->GetRowCount(); ++r)
            heights.push_back(grid->RowHeights(r));
        EXPECT_EQ(heights, c.heights);
    }
}

TEST_F(DrawGridFixture, RowsDoNotMoveFromDataCellsOrOntoFixedRowsOrWithoutTheOption)
{
    grid->SetOptions(grid->GetOptions() | GridOption(goRowMoving));
    // From a data cell: a selecting press.
    QRect cell = grid->CellRect(1, 3);
    Drag(cell.center().x(), cell.center().y(), 0, 2 * 19);
    // Through row 1 onto the fixed row: the target stays the last data row
    // passed.
    cell = grid->CellRect(0, 3);
    Drag(cell.center().x(), cell.center().y(), 0, -3 * 19);
    EXPECT_EQ(moved, (std::vector<std::pair<int32_t, int32_t>> {{3, 1}}));
    // Released where it was pressed: no move.
    moved.clear();
    Drag(cell.center().x(), cell.center().y(), 0, 0);
    grid->SetOptions(grid->GetOptions() & ~GridOption(goRowMoving));
    Drag(cell.center().x(), cell.center().y(), 0, 2 * 19);
    EXPECT_TRUE(moved.empty());
}

TEST_F(DrawGridFixture, WithFixedButtonsTheLeftButtonPressesAndTheRightOneMoves)
{
    grid->SetOptions(grid->GetOptions() | GridOption(goRowMoving));
    grid->SetFixedButtons(true);
    std::vector<std::pair<int32_t, int32_t>> clicks;
    grid->OnFixedCellClick = [&](fw::TObject*, int32_t col, int32_t row) { clicks.emplace_back(col, row); };
    std::vector<fw::TMouseButton> released;
    grid->OnMouseUp = [&](fw::TObject*, fw::TMouseButton button, fw::TShiftState, int32_t, int32_t) {
        released.push_back(button);
    };
    const QPoint from = At(grid->CellRect(0, 5).center().x(), grid->CellRect(0, 5).center().y());
    const QPoint to = At(grid->CellRect(0, 2).center().x(), grid->CellRect(0, 2).center().y());

    grid->DoMouseDown(fw::mbRight, 0, from.x(), from.y());
    grid->DoMouseMove(1u << fw::ssRight, to.x(), to.y());
    grid->DoMouseUp(fw::mbRight, 0, to.x(), to.y());
    EXPECT_EQ(moved, (std::vector<std::pair<int32_t, int32_t>> {{5, 2}}));
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(released, (std::vector<fw::TMouseButton> {fw::mbLeft}));

    moved.clear();
    grid->DoMouseDown(fw::mbLeft, 0, from.x(), from.y());
    grid->DoMouseMove(LeftHeld, to.x(), to.y());
    grid->DoMouseUp(fw::mbLeft, 0, to.x(), to.y());
    grid->DoMouseDown(fw::mbLeft, 0, from.x(), from.y());
    grid->DoMouseUp(fw::mbLeft, 0, from.x(), from.y());
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(clicks, (std::vector<std::pair<int32_t, int32_t>> {{0, 5}}));
}

} // namespace
