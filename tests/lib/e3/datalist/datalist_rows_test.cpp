// The engine's row text, the cell parts and the row arithmetic of a data list.
#include "e3/datalist/DataListRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace e3;

namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(DataListRows, DeliveredTextBecomesRowsOfColumnCountCells)
{
    struct Case {
        const char* text;
        int32_t cols;
        Rows rows;
    };
    const Case cases[] = {
        {"a>|<b>|<c>|<d>|<", 2, {{"a", "b"}, {"c", "d"}}},
        // Text after the last cell end and an incomplete last row are dropped.
        {"a>|<b>|<c", 2, {{"a", "b"}}},
        {"a>|<b>|<c>|<", 2, {{"a", "b"}}},
        // An empty first cell keeps its place.
        {">|<b>|<", 2, {{"", "b"}}},
        {">|<", 1, {{""}}},
        {"5<|>6>|<", 1, {{"5\r\n6"}}},
        {"<|><|>>|<", 1, {{"\r\n\r\n"}}},
        // Spanning cells still come with every column's cell.
        {"x^^3>|<>|<>|<y>|<z>|<", 5, {{"x^^3", "", "", "y", "z"}}},
        {"Smith>|<12^^1^^255^^16777215>|<Heading over both columns^^2>|<x>|<", 2,
         {{"Smith", "12^^1^^255^^16777215"}, {"Heading over both columns^^2", "x"}}},
        {"", 3, {}},
        {"no cell end", 1, {}},
        {"a>|<", 0, {}},
        {"a>|<", -4, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDeliveredRows(c.text, c.cols), c.rows) << c.text << " / " << c.cols;
}

TEST(DataListRows, CellPartsWithDefaultsForAbsentParts)
{
    struct Case {
        const char* cell;
        std::string text;
        int32_t span, font, brush;
        std::string extra;
    };
    // Defaults put in before the call: text "", span 1, colours 7 and 9, extra "".
    const Case cases[] = {
        {"Smith", "Smith", 1, 7, 9, ""},
        {"12^^1^^255^^16777215", "12", 1, 255, 16777215, ""},
        {"a^^2^^-16777201^^$FF^^more^^ignored", "a", 2, -16777201, 255, "more"},
        {"a^^0", "a", 1, 7, 9, ""},
        {"a^^-3", "a", 1, 7, 9, ""},
        {"a^^x^^red^^1 ", "a", 1, -1, -1, ""},
        // A last part of blanks counts as absent, an inner one does not.
        {"a^^2^^   ", "a", 2, 7, 9, ""},
        {"a^^ ^^5", "a", 1, 5, 9, ""},
        {"  padded  ^^2", "  padded  ", 2, 7, 9, ""},
        {"", "", 1, 7, 9, ""},
        {"^^^^^^^^extra", "", 1, -1, -1, "extra"},
    };
    for (const Case& c : cases) {
        TDLCellParts parts;
        parts.fontColor = 7;
        parts.brushColor = 9;
        ParseDataListCell(c.cell, parts);
        EXPECT_EQ(parts.text, c.text) << c.cell;
        EXPECT_EQ(parts.span, c.span) << c.cell;
        EXPECT_EQ(parts.fontColor, c.font) << c.cell;
        EXPECT_EQ(parts.brushColor, c.brush) << c.cell;
        EXPECT_EQ(parts.extra, c.extra) << c.cell;
        EXPECT_EQ(DataListCellSpan(c.cell), c.span) << c.cell;
    }
}

TEST(DataListRows, IntegersReadAsTheEngineWritesThem)
{
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {
        {"0", true, 0},          {"  42", true, 42},      {"+7", true, 7},
        {"-16777201", true, -16777201},                    {"$FF", true, 255},
        {"$ffffffff", true, -1}, {"-$10", true, -16},     {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},            {"2147483648", false, 0},
        {"$100000000", false, 0},                          {"42 ", false, 0},
        {"", false, 0},          {"  ", false, 0},        {"-", false, 0},
        {"$", false, 0},         {"1e3", false, 0},       {"0x10", false, 0},
        {"\t5", false, 0},
    };
    for (const Case& c : cases) {
        int32_t value = 12345;
        EXPECT_EQ(ReadDataListInteger(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(DataListRows, CoveringCellFollowsTheSpans)
{
    const TDLRow row {"x^^3", "hidden", "hidden", "y", "z^^9"};
    struct Case {
        int32_t col;
        bool found;
        const char* cell;
        int32_t first;
    };
    const Case cases[] = {
        {0, true, "x^^3", 0}, {2, true, "x^^3", 0}, {3, true, "hidden", 3},
        {4, true, "hidden", 4}, {5, true, "y", 5}, {14, true, "z^^9", 6}, {15, false, "", 0},
    };
    for (const Case& c : cases) {
        const TDLCellRef ref = FindCoveringCell(row, c.col);
        EXPECT_EQ(ref.found, c.found) << c.col;
        if (c.found) {
            EXPECT_EQ(ref.cell, c.cell) << c.col;
            EXPECT_EQ(ref.firstCol, c.first) << c.col;
        }
    }
    EXPECT_FALSE(FindCoveringCell({}, 0).found);
}

TEST(DataListRows, CacheIsKeyedAndDropsRanges)
{
    TDLRowCache cache;
    for (int32_t r = 0; r < 20; ++r)
        cache.Store(r, {std::to_string(r)});
    // A delivered row replaces the cached one instead of standing behind it.
    cache.Store(3, {"new"});
    ASSERT_NE(cache.Find(3), nullptr);
    EXPECT_EQ(cache.Find(3)->front(), "new");
    EXPECT_EQ(cache.Count(), 20u);

    cache.Drop(10, 5);
    for (int32_t r = 10; r < 15; ++r)
        EXPECT_FALSE(cache.IsCached(r)) << r;
    EXPECT_TRUE(cache.IsCached(9));
    EXPECT_TRUE(cache.IsCached(15));
    cache.Drop(0, 0);
    cache.Drop(0, -2);
    EXPECT_EQ(cache.Count(), 15u);
    // A range much wider than the cache, reaching past the last row number.
    cache.Drop(16, 2147483647);
    EXPECT_EQ(cache.Count(), 11u);
    EXPECT_TRUE(cache.IsCached(15));
    cache.Drop(0, -1);
    EXPECT_EQ(cache.Count(), 0u);

    // An empty row is a cached row.
    cache.Store(0, {""});
    EXPECT_TRUE(cache.IsCached(0));
}

TEST(DataListRows, MissingRunsAreMaximalAndAscending)
{
    TDLRowCache cache;
    for (int32_t r : {2, 3, 6})
        cache.Store(r, {"c"});
    struct Case {
        int32_t begin, count;
        std::vector<TDLRowRun> runs;
    };
    const Case cases[] = {
        {0, 8, {{0, 2}, {4, 2}, {7, 1}}},
        {2, 2, {}},
        {2, 3, {{4, 1}}},
        {5, 1, {{5, 1}}},
        {0, 0, {}},
        {0, -1, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MissingRowRuns(cache, c.begin, c.count), c.runs) << c.begin << "+" << c.count;
}

TEST(DataListRows, RowsAPaintNeeds)
{
    struct Case {
        TDLGridView view;
        TDLRowRun rows;
    };
    const Case cases[] = {
        // Title, three data rows with room for all of them: the title's place
        // counts, the request itself is cut to the rows that exist.
        {{1, 1, true, 3, 4}, {0, 4}},
        {{1, 1, true, 4, 21}, {0, 6}},
        {{3, 1, true, 4, 21}, {2, 5}},
        {{17, 1, true, 4, 21}, {16, 5}},
        {{0, 0, false, 4, 20}, {0, 5}},
        {{16, 0, false, 4, 20}, {16, 4}},
        {{0, 0, false, 4, 3}, {0, 4}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowsToPaint(c.view), c.rows) << c.view.topRow << "/" << c.view.rowCount;
}

TEST(DataListRows, RefreshAndSortValues)
{
    struct Refresh {
        const char* value;
        bool any;
        TDLRowRun rows;
    };
    const Refresh refreshes[] = {
        {"10<|>5", true, {10, 5}}, {"0", true, {0, -1}},   {"0<|>-1", true, {0, -1}},
        {"", false, {}},           {"x<|>y", true, {0, -1}}, {"<|>3", true, {0, 3}},
        {"4<|>0", true, {4, 0}},   {"4<|>2<|>9", true, {4, 2}},
    };
    for (const Refresh& r : refreshes) {
        const auto parsed = ParseRefreshData(r.value);
        EXPECT_EQ(parsed.has_value(), r.any) << r.value;
        if (parsed) {
            EXPECT_EQ(*parsed, r.rows) << r.value;
        }
    }

    struct Sort {
        const char* value;
        TDLSortState state;
    };
    const Sort sorts[] = {
        {"3D", {3, 'D'}}, {"0A", {0, 'A'}}, {"xA", {0, 'A'}}, {"3", {}},
        {"3X", {}},       {"12A", {}},      {"", {}},         {"9a", {}},
    };
    for (const Sort& s : sorts)
        EXPECT_EQ(ParseSortColType(s.value), s.state) << s.value;
}

} // namespace
