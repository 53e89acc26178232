// Real mouse input through a private X server: double clicks and the zone
// around a column divider in which a press sizes the column; rows sized and
// moved in the fixed column; the cell editor's pick list taken by a click.
#include "X11Session.h"

#include "../../TestContainer.h"
#include "e3/grids/DLDrawGrid.h"
#include "e3/grids/InplaceEdit.h"
#include "support/ChildProcess.h"

#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QFontMetrics>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace e3;

namespace {

const std::vector<std::string> kTexts {"a", "Some longer text", "mid", "x", "y"};

void Xdo(const std::vector<std::string>& args)
{
    std::vector<std::string> command {"xdotool"};
    command.insert(command.end(), args.begin(), args.end());
    ASSERT_EQ(e3test::RunProgram(command).first, 0);
}

// Screen point of a point in a grid's cell area.
QPoint Global(const Te3DrawGrid& grid, int x, int y)
{
    return grid.Viewport()->mapToGlobal(QPoint(x, y));
}

// A form holding a grid; the test skips without an X server.
class X11GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!e3test::X11SkipReason().empty())
            GTEST_SKIP() << "no X server for real mouse input: " << e3test::X11SkipReason();
        form = std::make_unique<e3test::TestContainer>(nullptr);
        form->SetBounds(0, 0, 500, 300);
    }

    template <class Grid>
    Grid* MakeGrid()
    {
        auto* grid = new Grid(form.get());
        grid->SetParent(form.get());
        return grid;
    }

    void ShowForm()
    {
        QWidget* window = form->Widget();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 30000));
    }

    std::unique_ptr<e3test::TestContainer> form;
};

class GridMouseX11 : public X11GridTest {
protected:
    void SetUp() override
    {
        X11GridTest::SetUp();
        if (IsSkipped())
            return;
        grid = MakeGrid<Te3_DLDrawGrid>();
        grid->SetScaleCol(false);
        grid->SetColCount(3);
        grid->SetFixedCols(0);
        grid->SetTitleVisible(true);
        grid->Set_RowCount(static_cast<int32_t>(kTexts.size()));
        grid->SetBounds(10, 10, 400, 200);
        for (int c = 0; c < 3; ++c)
            grid->SetColWidths(c, 60);
        list = new TDGDataListClient(form.get());
        list->OnGetData = [this](fw::TObject*, int32_t begin, int32_t count, int32_t cols) {
            std::string data;
            for (int32_t r = begin; r < begin + count; ++r)
                for (int32_t c = 0; c < cols; ++c)
                    data += (c == 0 ? kTexts.at(static_cast<size_t>(r)) : "v") + std::string(">|<");
            list->SetTempData(data);
        };
        list->OnDLDblClick = [this](fw::TObject*, int32_t col, int32_t row) { dblClicks.emplace_back(col, row); };
        grid->OnChangeColSize = [this](fw::TObject*) { ++sized; };
        grid->SetDataList(list);
        grid->FetchVisibleRows();
        ShowForm();
    }

    QPoint Global(int x, int y) const { return ::Global(*grid, x, y); }

    void DoubleClickAt(QPoint at)
    {
        Xdo({"mousemove", "--sync", std::to_string(at.x()), std::to_string(at.y()), "click", "--repeat", "2",
             "--delay", "80", "1"});
    }

    Te3_DLDrawGrid* grid = nullptr;
    TDGDataListClient* list = nullptr;
    std::vector<std::pair<int32_t, int32_t>> dblClicks;
    int sized = 0;
};

TEST_F(GridMouseX11, ADoubleClickOnADividerFitsTheColumnAndIsNoDoubleClick)
{
    const QRect title = grid->CellRect(0, 0);
    DoubleClickAt(Global(title.right() + 1, title.center().y()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return sized > 0; }, 20000)) << "no column was fitted";
    const QFontMetrics fm(grid->GetFont()->ToQFont());
    EXPECT_EQ(grid->ColWidths(0), fm.horizontalAdvance(QStringLiteral("Some longer textW")));
    EXPECT_TRUE(dblClicks.empty());
}

TEST_F(GridMouseX11, ADoubleClickOnACellReachesTheDataList)
{
    const QRect cell = grid->CellRect(1, 3);
    DoubleClickAt(Global(cell.center().x(), cell.center().y()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dblClicks.empty(); }, 20000)) << "no double click arrived";
    EXPECT_EQ(dblClicks.front(), std::make_pair(1, 3));
    EXPECT_EQ(sized, 0);
}

TEST_F(GridMouseX11, APressNearADividerSizesTheColumnFartherAwayItDoesNot)
{
    const QRect title = grid->CellRect(0, 0);
    const int divider = title.right() + 1; // the line after column 0
    const struct {
        int offset;
        bool sizes;
    } cases[] = {{-3, false}, {-2, true}, {0, true}, {2, true}, {4, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        grid->SetColWidths(0, 60);
        const QPoint from = Global(divider + c.offset, title.center().y());
        const int before = sized;
        Xdo({"mousemove", "--sync", std::to_string(from.x()), std::to_string(from.y()), "mousedown", "1",
             "mousemove", "--sync", std::to_string(from.x() + 25), std::to_string(from.y()), "mouseup", "1"});
        if (c.sizes) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return sized > before; }, 20000));
            EXPECT_EQ(grid->ColWidths(0), 85);
        } else {
            // A press that is no sizing is a title click: wait for its release,
            // which leaves the grid in its normal state.
            QTest::qWait(300);
            ASSERT_TRUE(QTest::qWaitFor([&] { return grid->GridState() == gsNormal; }, 20000));
            EXPECT_EQ(grid->ColWidths(0), 60);
            EXPECT_EQ(sized, before);
        }
    }
}

// A plain draw grid with a fixed column, rows sized and moved there, and a
// pick-list editor in its cells.
class DrawGridMouseX11 : public X11GridTest {
protected:
    void SetUp() override
    {
        X11GridTest::SetUp();
        if (IsSkipped())
            return;
        grid = MakeGrid<Te3DrawGrid>();
        grid->SetColCount(3);
        grid->SetRowCount(8);
        grid->SetBounds(10, 10, 400, 250);
        grid->SetOptions(grid->GetOptions() | GridOption(goRowSizing) | GridOption(goRowMoving) |
                         GridOption(goEditing));
        grid->OnRowSized = [this](fw::TObject*) { ++sized; };
        grid->OnRowMoved = [this](fw::TObject*, int32_t from, int32_t to) { moved.emplace_back(from, to); };
        grid->OnGetEditStyle = [](fw::TObject*, int32_t, int32_t, TEditStyle& style) { style = esPickList; };
        grid->OnGetPicklist = [](fw::TObject*, int32_t, int32_t, std::vector<std::string>& items) {
            items = {"one", "two", "three"};
        };
        ShowForm();
    }

    QPoint Global(int x, int y) const { return ::Global(*grid, x, y); }

    void DragBy(QPoint from, int dy)
    {
        Xdo({"mousemove", "--sync", std::to_string(from.x()), std::to_string(from.y()), "mousedown", "1",
             "mousemove", "--sync", std::to_string(from.x()), std::to_string(from.y() + dy / 2), "mousemove",
             "--sync", std::to_string(from.x()), std::to_string(from.y() + dy), "mouseup", "1"});
    }

    Te3DrawGrid* grid = nullptr;
    int sized = 0;
    std::vector<std::pair<int32_t, int32_t>> moved;
};

TEST_F(DrawGridMouseX11, ARowIsSizedAtItsDividerAndMovedByItsFixedCell)
{
    const QRect row2 = grid->CellRect(0, 2);
    DragBy(Global(row2.center().x(), row2.bottom() + 1), 12);
    ASSERT_TRUE(QTest::qWaitFor([this] { return sized > 0; }, 20000)) << "no row was sized";
    EXPECT_EQ(grid->RowHeights(2), 30);

    const QRect from = grid->CellRect(0, 5);
    const QRect to = grid->CellRect(0, 1);
    DragBy(Global(from.center().x(), from.center().y()), to.center().y() - from.center().y());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !moved.empty(); }, 20000)) << "no row was moved";
    EXPECT_EQ(moved.front(), std::make_pair(5, 1));
    // The sized row moved down by one, its height with it.
    EXPECT_EQ(grid->RowHeights(3), 30);
    EXPECT_EQ(grid->RowHeights(2), 18);
}

TEST_F(DrawGridMouseX11, AClickOnAPickListItemTakesIt)
{
    grid->FocusCell(1, 2);
    grid->ShowEditor();
    TRxInplaceEdit* editor = grid->InplaceEditor();
    ASSERT_TRUE(editor);
    const QPoint button = editor->mapToGlobal(editor->ButtonRect().center());
    Xdo({"mousemove", "--sync", std::to_string(button.x()), std::to_string(button.y()), "click", "1"});
    ASSERT_TRUE(QTest::qWaitFor([editor] { return editor->ListVisible(); }, 20000)) << "the list did not open";
    TPopupListbox* list = editor->PickList();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list, 20000));
    const QPoint item = list->viewport()->mapToGlobal(list->visualItemRect(list->item(2)).center());
    Xdo({"mousemove", "--sync", std::to_string(item.x()), std::to_string(item.y()), "click", "1"});
    ASSERT_TRUE(QTest::qWaitFor([editor] { return !editor->ListVisible(); }, 20000)) << "the list stayed open";
    EXPECT_EQ(editor->Text(), "three");
}

} // namespace
