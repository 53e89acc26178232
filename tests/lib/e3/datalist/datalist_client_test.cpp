// The data list against a grid that records what it is asked and an engine
// that answers row requests the way replies do: by setting TempData.
#include "e3/datalist/DataListClient.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace e3;

namespace {

class FakeGrid : public fw::TComponent, public IDataListGrid {
public:
    FakeGrid() : fw::TComponent(nullptr) { SetName("Grid1"); }

    fw::TComponent* GridComponent() override { return this; }
    int32_t GridColCount() const override { return cols; }
    int32_t GridRowCount() const override { return rowCount; }
    int32_t GridTopRow() const override { return topRow; }
    int32_t GridFixedRows() const override { return title ? 1 : 0; }
    int32_t GridVisibleRowCount() const override { return visible; }
    bool GridTitleVisible() const override { return title; }
    std::vector<int32_t> GridColumnWidths() const override { return widths; }
    void GridLastPressCell(int32_t& col, int32_t& row) const override
    {
        col = pressCol;
        row = pressRow;
    }
    void GridRepaintLater() override
    {
        ++repaints;
        if (onRepaint)
            onRepaint();
    }
    void GridDataListGone() override { ++gone; }

    int32_t cols = 1;
    int32_t rowCount = 21;
    int32_t topRow = 1;
    int32_t visible = 4;
    bool title = true;
    std::vector<int32_t> widths {120, 80};
    int32_t pressCol = -1, pressRow = -1;
    int repaints = 0;
    int gone = 0;
    std::function<void()> onRepaint;
};

using Request = std::pair<int32_t, int32_t>;
using Requests = std::vector<Request>;

// Answers every row request with rows "r<row>" (one column) and records it;
// extra runs inside the request, as further lines of the same reply would.
struct FakeEngine {
    Requests requests;
    std::function<void(TDGDataListClient&)> extra;
    bool extraFirst = false;

    void Bind(TDGDataListClient& list)
    {
        list.OnGetData = [this, &list](fw::TObject*, int32_t begin, int32_t count, int32_t) {
            requests.push_back({begin, count});
            if (extra && extraFirst)
                extra(list);
            std::string text;
            for (int32_t r = begin; r < begin + count; ++r)
                text += "r" + std::to_string(r) + ">|<";
            list.SetTempData(text);
            if (extra && !extraFirst)
                extra(list);
        };
    }
};

std::string CellText(const TDGDataListClient& list, int32_t row)
{
    const TDLCellRef ref = list.GetCell(0, row);
    return ref.found ? std::string(ref.cell) : std::string("<none>");
}

TEST(DataListClient, OneRequestPerRunOfMissingRowsAsTheGridScrolls)
{
    FakeGrid grid;
    TDGDataListClient list(nullptr);
    FakeEngine engine;
    engine.Bind(list);
    list.AttachGrid(&grid);

    struct Step {
        const char* what;
        int32_t topRow;
        const char* refresh;
        Requests expected;
    };
    // A title row, four visible rows, twenty data rows.
    const Step steps[] = {
        {"first paint", 1, "", {{0, 6}}},
        {"two rows down", 3, "", {{6, 1}}},
        {"scrolled back", 1, "", {}},
        {"a dropped row", 1, "2<|>1", {{2, 1}}},
        {"the end", 17, "", {{16, 4}}},
        {"the end again: the row past the end is never asked for", 17, "", {}},
    };
    for (const Step& step : steps) {
        engine.requests.clear();
        grid.topRow = step.topRow;
        list._RefreshData(step.refresh);
        list.EnsureVisibleRows();
        EXPECT_EQ(engine.requests, step.expected) << step.what;
    }

    engine.requests.clear();
    grid.topRow = 1;
    list._RefreshData("1<|>1");
    list._RefreshData("3<|>2");
    list.EnsureVisibleRows();
    EXPECT_EQ(engine.requests, (Requests {{1, 1}, {3, 2}})) << "two gaps, one request each";
    for (int32_t r : {0, 1, 2, 3, 4, 5, 6, 16, 19})
        EXPECT_EQ(CellText(list, r), "r" + std::to_string(r)) << r;
    EXPECT_EQ(CellText(list, 7), "<none>");
    EXPECT_EQ(list.Cache().Count(), 11u);
}

TEST(DataListClient, TitleRowIsNotAskedForAsData)
{
    FakeGrid grid;
    grid.rowCount = 4;
    grid.visible = 3;
    TDGDataListClient list(nullptr);
    FakeEngine engine;
    engine.Bind(list);
    list.AttachGrid(&grid);
    list.EnsureVisibleRows();
    EXPECT_EQ(engine.requests, (Requests {{0, 3}}));
}

TEST(DataListClient, RefreshInsideTheRowReplyNeitherNestsNorMixesRows)
{
    for (bool refreshFirst : {false, true}) {
        FakeGrid grid;
        TDGDataListClient list(nullptr);
        FakeEngine engine;
        engine.Bind(list);
        list.AttachGrid(&grid);
        list.EnsureVisibleRows();
        grid.topRow = 6; // rows 5 .. 9 wanted, 5 cached
        engine.requests.clear();

        // A grid that repaints at once would fetch again from inside the reply.
        grid.onRepaint = [&] { list.EnsureVisibleRows(); };
        engine.extraFirst = refreshFirst;
        engine.extra = [](TDGDataListClient& l) { l._RefreshData("0"); };
        list.EnsureVisibleRows();

        EXPECT_EQ(engine.requests, (Requests {{6, 4}})) << refreshFirst;
        EXPECT_EQ(grid.repaints, 1) << refreshFirst;
        // The reply's own rows, under their own numbers; the rest was dropped.
        EXPECT_EQ(list.Cache().Count(), 4u) << refreshFirst;
        for (int32_t r = 6; r < 10; ++r)
            EXPECT_EQ(CellText(list, r), "r" + std::to_string(r)) << refreshFirst;

        // The repaint that follows asks only for what the drop took away.
        engine.extra = nullptr;
        grid.onRepaint = nullptr;
        engine.requests.clear();
        list.EnsureVisibleRows();
        EXPECT_EQ(engine.requests, (Requests {{5, 1}})) << refreshFirst;
        EXPECT_FALSE(list.IsFetching());
    }
}

TEST(DataListClient, EmptyRowIsFetchedOnce)
{
    FakeGrid grid;
    grid.title = false;
    grid.rowCount = 1;
    grid.topRow = 0;
    grid.visible = 1;
    TDGDataListClient list(nullptr);
    int requests = 0;
    list.OnGetData = [&](fw::TObject*, int32_t, int32_t, int32_t) {
        ++requests;
        list.SetTempData(">|<");
    };
    list.AttachGrid(&grid);
    for (int paint = 0; paint < 3; ++paint)
        list.EnsureVisibleRows();
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(list.GetCell(0, 0).found);
    EXPECT_EQ(list.GetCell(0, 0).cell, "");
}

TEST(DataListClient, NoRowsFromAReplyWithoutTempDataOrForAnEmptyGrid)
{
    FakeGrid grid;
    TDGDataListClient list(nullptr);
    int requests = 0;
    list.OnGetData = [&](fw::TObject*, int32_t, int32_t, int32_t) { ++requests; };
    list.AttachGrid(&grid);
    list.SetTempData("stale>|<");
    list.EnsureVisibleRows();
    list.EnsureVisibleRows();
    // Nothing came, so the next paint asks again; a stale TempData is not taken.
    EXPECT_EQ(requests, 2);
    EXPECT_EQ(list.Cache().Count(), 0u);

    list.SetEmptyGrid(true);
    list.EnsureVisibleRows();
    EXPECT_EQ(requests, 2);
}

TEST(DataListClient, AttachAndDetachRaiseTheirEventsInOrder)
{
    FakeGrid grid;
    TDGDataListClient list(nullptr);
    std::vector<std::string> events;
    list.OnInitGrid = [&](fw::TObject* sender, const std::string& table) {
        EXPECT_EQ(sender, &list);
        events.push_back("init " + table);
    };
    list.OnSaveParams = [&](fw::TObject*) { events.push_back("save " + std::to_string(list.GridColumnWidths().size())); };
    list.OnCloseGrid = [&](fw::TObject*) { events.push_back("close"); };
    FakeEngine engine;
    engine.Bind(list);

    list.AttachGrid(&grid);
    EXPECT_TRUE(list.IsAttached());
    EXPECT_EQ(list.GetDrawGrid(), &grid);
    list.EnsureVisibleRows();
    EXPECT_GT(list.Cache().Count(), 0u);

    list.DetachGrid();
    EXPECT_FALSE(list.IsAttached());
    EXPECT_EQ(events, (std::vector<std::string> {"init Grid1", "save 2", "close"}));
    EXPECT_EQ(list.Cache().Count(), 0u);
}

TEST(DataListClient, SortHandshakeAndDoubleClick)
{
    FakeGrid grid;
    TDGDataListClient list(nullptr);
    list.AttachGrid(&grid);
    EXPECT_FALSE(list.Sort(2, U'A')) << "no handler: refused";

    std::vector<std::string> sent;
    list.OnSort = [&](fw::TObject*, int32_t col, char32_t type, bool& sort) {
        EXPECT_FALSE(sort);
        sent.push_back(std::to_string(col) + static_cast<char>(type));
        sort = col == 2;
    };
    EXPECT_TRUE(list.Sort(2, U'D'));
    EXPECT_FALSE(list.Sort(3, U'A'));
    EXPECT_EQ(sent, (std::vector<std::string> {"2D", "3A"}));

    std::vector<std::pair<int32_t, int32_t>> clicks;
    list.OnDLDblClick = [&](fw::TObject*, int32_t col, int32_t row) { clicks.push_back({col, row}); };
    list.DblClick(); // no press yet
    grid.pressCol = 1;
    grid.pressRow = 0;
    list.DblClick();
    grid.pressCol = -1;
    list.DblClick();
    EXPECT_EQ(clicks, (std::vector<std::pair<int32_t, int32_t>> {{1, 0}}));
}

TEST(DataListClient, FreedDataListTellsItsGridAndAFreedGridIsForgotten)
{
    FakeGrid grid;
    {
        TDGDataListClient list(nullptr);
        list.AttachGrid(&grid);
    }
    EXPECT_EQ(grid.gone, 1);

    TDGDataListClient list(nullptr);
    {
        FakeGrid shortLived;
        list.AttachGrid(&shortLived);
    }
    EXPECT_EQ(list.GetDrawGrid(), nullptr);
    EXPECT_FALSE(list.IsAttached());
    list._RefreshData("0"); // no grid to repaint, nothing to call
    list.EnsureVisibleRows();
}

TEST(DataListClient, PublishedNamesAndDrawGridWrites)
{
    TDGDataListClient list(nullptr);
    const fw::TClassInfo& info = list.ClassType();
    EXPECT_EQ(info.Name(), "TDGDataListClient");
    for (const char* name : {"EmptyGrid", "OnInitGrid", "OnSaveParams", "OnCloseGrid", "OnGetData", "OnSort",
                             "OnDLDblClick", "DrawGrid", "EmptyStr", "TempData", "_RefreshData", "Name", "Tag"})
        EXPECT_NE(info.FindProperty(name), nullptr) << name;
    EXPECT_EQ(list.GetEmptyStr(), "N\xC3\xA3o h\xC3\xA1 itens para serem mostrados");

    // A direct write stores the grid and raises nothing.
    FakeGrid grid;
    bool initRaised = false;
    list.OnInitGrid = [&](fw::TObject*, const std::string&) { initRaised = true; };
    info.FindProperty("DrawGrid")->set(list, fw::PropValue(static_cast<fw::TObject*>(&grid)));
    EXPECT_EQ(list.GetDrawGrid(), &grid);
    EXPECT_FALSE(list.IsAttached());
    EXPECT_FALSE(initRaised);

    fw::TComponent notAGrid(nullptr);
    EXPECT_THROW(info.FindProperty("DrawGrid")->set(list, fw::PropValue(static_cast<fw::TObject*>(&notAGrid))),
                 fw::EPropertyError);
}

} // namespace
