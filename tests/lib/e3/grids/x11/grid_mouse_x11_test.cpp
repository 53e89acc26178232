// Real mouse input through a private X server: double clicks and the zone
// around a column divider in which a press sizes the column.
#include "X11Session.h"

#include "../../TestContainer.h"
#include "e3/grids/DLDrawGrid.h"
#include "support/ChildProcess.h"

#include <QAbstractScrollArea>
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

class GridMouseX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!e3test::X11SkipReason().empty())
            GTEST_SKIP() << "no X server for real mouse input: " << e3test::X11SkipReason();
        form = std::make_unique<e3test::TestContainer>(nullptr);
        form->SetBounds(0, 0, 500, 300);
        grid = new Te3_DLDrawGrid(form.get());
        grid->SetParent(form.get());
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
        QWidget* window = form->Widget();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, 30000));
    }

    // Screen point of a point in the grid's cell area.
    QPoint Global(int x, int y) const { return grid->Viewport()->mapToGlobal(QPoint(x, y)); }

    void Xdo(const std::vector<std::string>& args)
    {
        std::vector<std::string> command {"xdotool"};
        command.insert(command.end(), args.begin(), args.end());
        ASSERT_EQ(e3test::RunProgram(command).first, 0);
    }

    void DoubleClickAt(QPoint at)
    {
        Xdo({"mousemove", "--sync", std::to_string(at.x()), std::to_string(at.y()), "click", "--repeat", "2",
             "--delay", "80", "1"});
    }

    std::unique_ptr<e3test::TestContainer> form;
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

} // namespace
