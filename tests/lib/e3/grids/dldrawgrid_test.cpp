// The data-list grid with a data list whose engine answers row requests the
// way replies do (by setting TempData), and mouse input given as the input
// bridge passes it on.
#include "e3/grids/DLDrawGrid.h"

#include "../TestContainer.h"
#include "framework/Drag.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
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

    // Without a title, row 0 is a data row: a click there selects, it does not sort.
    accept = true;
    grid->SetTitleVisible(false);
    const size_t handshakes = asked.size();
    Press(1, 0);
    EXPECT_EQ(asked.size(), handshakes);
    EXPECT_EQ(grid->SortCol(), 2);
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

namespace {

QImage Render(Te3DrawGrid& grid)
{
    QImage image(grid.Viewport()->size().expandedTo(QSize(grid.ClientWidth(), grid.ClientHeight())),
                 QImage::Format_RGB32);
    image.fill(Qt::black);
    grid.Viewport()->render(&image);
    return image;
}

// Pixels of a rectangle that differ from the colour at its top-left corner.
int Marked(const QImage& image, const QRect& rect)
{
    int count = 0;
    const QRgb ground = image.pixel(rect.topLeft());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += image.pixel(x, y) != ground;
    return count;
}

} // namespace

TEST_F(GridFixture, AWrappedCellGrowsItsRowInWholeRowHeights)
{
    Build(5);
    list->OnGetData = [this](fw::TObject*, int32_t, int32_t, int32_t) {
        // Row 0: two lines in column 0; row 1: two lines in a column that
        // does not wrap; row 2: one line.
        list->SetTempData("5<|>6>|<x>|<y>|<a>|<7<|>8>|<b>|<c>|<d>|<e>|<");
    };
    grid->GetColumns()->GetColumn(1)->SetWordWrap(false);
    grid->FetchVisibleRows();
    Render(*grid);
    const int32_t h = grid->GetDefaultRowHeight();
    EXPECT_EQ(grid->RowHeights(1), 2 * h);
    EXPECT_EQ(grid->RowHeights(2), h);
    EXPECT_EQ(grid->RowHeights(3), h);
    EXPECT_EQ(grid->RowHeights(0), grid->GetTitleHeight());
}

TEST_F(GridFixture, AnEmptyListShowsItsMessageAndFetchesNothing)
{
    Build(5);
    grid->SetFixedColor(fw::clWhite);
    grid->SetColor(fw::clWhite);
    list->SetEmptyGrid(true);
    list->SetEmptyStr("Nothing to show");
    grid->FetchVisibleRows();
    EXPECT_TRUE(requests.empty());
    const QRect data(0, grid->FixedHeight() + 2, grid->ClientWidth() - 12, grid->ClientHeight() - grid->FixedHeight() - 4);
    EXPECT_GT(Marked(Render(*grid), data), 10) << "the message is drawn";

    // Without a data list there is no message: it is the data list's text.
    grid->SetDataList(nullptr);
    EXPECT_EQ(Marked(Render(*grid), data), 0);
}

TEST_F(GridFixture, TheSortArrowShowsOnlyInATitleWideEnoughForIt)
{
    Build(5);
    grid->SetColWidths(0, 200);
    grid->SetColWidths(1, 40); // narrower than 2.5 row heights
    const auto arrowArea = [&](int32_t col) {
        const QRect title = grid->CellRect(col, 0);
        return QRect(title.right() - title.height() + 3, title.top() + 3, title.height() - 6, title.height() - 6);
    };
    for (int32_t col : {0, 1}) {
        grid->_SortColType("");
        const int before = Marked(Render(*grid), arrowArea(col));
        grid->_SortColType(std::to_string(col) + "D");
        const int after = Marked(Render(*grid), arrowArea(col));
        if (col == 0)
            EXPECT_GT(after, before) << "an arrow in the wide title";
        else
            EXPECT_EQ(after, before) << "no arrow in the narrow title";
    }
}

TEST_F(GridFixture, ShortenedTextsLoseCharactersWhereTheColumnSays)
{
    const std::string text = "abcdefghijklmnopqrstuvwxyz";
    const QFontMetrics fm(grid->GetFont()->ToQFont());
    const int32_t wide = fm.horizontalAdvance(QString::fromStdString(text)) + 2;
    const int32_t narrow = fm.horizontalAdvance(QStringLiteral("abcdefgh"));
    EXPECT_EQ(grid->ShortenToWidth(wide, text, taRightJustify), text);
    const std::string right = grid->ShortenToWidth(narrow, text, taRightJustify);
    const std::string left = grid->ShortenToWidth(narrow, text, taLeftJustify);
    const std::string middle = grid->ShortenToWidth(narrow, text, taCenter);
    EXPECT_EQ(right.substr(right.size() - 3), "...");
    EXPECT_EQ(text.rfind(right.substr(0, right.size() - 3), 0), 0u) << right;
    EXPECT_EQ(left.substr(0, 3), "...");
    EXPECT_NE(text.find(left.substr(3)), std::string::npos) << left;
    EXPECT_EQ(text.substr(text.size() - (left.size() - 3)), left.substr(3));
    const size_t dots = middle.find("...");
    ASSERT_NE(dots, std::string::npos);
    EXPECT_GT(dots, 0u);
    EXPECT_LT(dots + 3, middle.size());
    for (const std::string& s : {right, left, middle})
        EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(s)), narrow) << s;
    EXPECT_EQ(grid->ShortenToWidth(0, text, taRightJustify), "...");
}

TEST_F(GridFixture, AShortenedCellShowsItsWholeTextAsAHint)
{
    Build(5);
    list->OnGetData = [this](fw::TObject*, int32_t begin, int32_t count, int32_t) {
        std::string data;
        for (int32_t r = begin; r < begin + count; ++r)
            data += "A rather long text that no narrow column shows whole>|<short>|<z>|<";
        list->SetTempData(data);
    };
    grid->SetShowHint(true);
    grid->SetColWidths(0, 40);
    grid->GetColumns()->GetColumn(0)->SetWordWrap(false);
    grid->GetColumns()->GetColumn(1)->SetWordWrap(false);
    grid->FetchVisibleRows();
    const auto moveTo = [&](int32_t col, int32_t row) {
        const QPoint at = grid->Viewport()->mapTo(grid->ScrollArea(), grid->CellRect(col, row).center());
        grid->DoMouseMove(0, at.x(), at.y());
    };
    moveTo(0, 2);
    ASSERT_TRUE(grid->HintShowing());
    EXPECT_EQ(grid->HintWindow()->text().toStdString(), "A rather long text that no narrow column shows whole");
    moveTo(1, 2);
    EXPECT_FALSE(grid->HintShowing()) << "a text that fits needs no hint";
    grid->GetColumns()->GetColumn(0)->SetWordWrap(true);
    moveTo(0, 3);
    EXPECT_FALSE(grid->HintShowing()) << "a wrapping column shows its text itself";
}

TEST_F(GridFixture, LeavingTheEditorReportsItsValueForTheDataRow)
{
    Build(10);
    std::vector<std::tuple<int32_t, int32_t, std::string>> begun, ended;
    grid->OnBeginEditorClick = [&](fw::TObject*, int32_t col, int32_t row, const std::string& text) {
        begun.emplace_back(col, row, text);
    };
    grid->OnEndEditorClick = [&](fw::TObject*, int32_t col, int32_t row, const std::string& text) {
        ended.emplace_back(col, row, text);
    };
    TDLColumn* column = grid->GetColumns()->GetColumn(1);
    column->SetReadOnly(false);
    grid->_ShowEditor("1<|>4<|>1");
    fw::TWinControl* editor = column->GetEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->GetVisible());
    EXPECT_EQ(editor->Parent(), form.get()) << "the editor sits on the grid's parent";
    editor->OnEnter(editor);
    editor->SetText("typed");
    editor->OnExit(editor);
    EXPECT_FALSE(editor->GetVisible());
    // Editor row 4 is grid row 5, data row 4 under the title.
    ASSERT_EQ(begun.size(), 1u);
    EXPECT_EQ(begun[0], std::make_tuple(1, 4, std::string()));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0], std::make_tuple(1, 4, std::string("typed")));
}

TEST_F(GridFixture, OnlyTheListedEditorClassesMakeAnEditor)
{
    const struct {
        const char* name;
        const char* made;
    } cases[] = {
        {"Te3_Edit", "Te3_Edit"},         {" te3_dateedit ", "Te3_DateEdit"}, {"TAlignEdit", "TAlignEdit"},
        {"Te3_ComboBox", "Te3_ComboBox"}, {"Te3_CComboBox", "Te3_CComboBox"}, {"Te3_RegNoEdit", "Te3_RegNoEdit"},
        {"Te3_Memo", nullptr},            {"", nullptr},
    };
    int32_t index = 0;
    for (const auto& c : cases) {
        TDLColumn* column = grid->GetColumns()->GetColumn(index++);
        column->SetClassEditor(c.name);
        if (!c.made) {
            EXPECT_EQ(column->GetEditor(), nullptr) << c.name;
            continue;
        }
        ASSERT_NE(column->GetEditor(), nullptr) << c.name;
        EXPECT_EQ(column->GetEditor()->ClassName(), c.made);
        EXPECT_FALSE(column->GetEditor()->GetVisible());
        // A later class name is only stored.
        fw::TWinControl* first = column->GetEditor();
        column->SetClassEditor("Te3_Edit");
        EXPECT_EQ(column->GetEditor(), first);
    }
}

TEST_F(GridFixture, SelectAllClearSelectAndTheRangeRectangle)
{
    Build(4);
    grid->_SelectAll("");
    EXPECT_EQ(grid->GetRowSelectList(), "0,1,2,3");
    grid->_ClearSelect("");
    EXPECT_EQ(grid->GetRowSelectList(), "");
    EXPECT_EQ(grid->GetRangeSelectRect(), "-1,-1,-1,-1");
    grid->SetRangeSelect(true);
    grid->FocusCell(2, 3);
    Press(0, 1, Shift);
    EXPECT_EQ(grid->GetRangeSelectRect(), "0,1,2,3");
    Press(1, 2);
    EXPECT_EQ(grid->GetRangeSelectRect(), "-1,-1,-1,-1");
}

TEST_F(GridFixture, ReDrawSizeShrinksTheHeightToWholeRows)
{
    Build(50);
    grid->SetHeight(grid->GetHeight() - grid->ClientHeight() + 200);
    grid->_ReDrawSize("");
    // 200 / 19 - 0.3 = 10.2: ten rows of 18 pixels and a line each.
    EXPECT_EQ(grid->ClientHeight(), 190);
    grid->SetAdjustRows(false);
    grid->SetHeight(grid->GetHeight() - grid->ClientHeight() + 200);
    grid->_ReDrawSize("");
    EXPECT_EQ(grid->ClientHeight(), 200);
}

TEST_F(GridFixture, FixedCellsActAsButtonsWhenAllowed)
{
    Build(5);
    std::vector<std::pair<int32_t, int32_t>> clicked;
    bool allow = true;
    int asked = 0;
    grid->OnCheckButton = [&](fw::TObject*, int32_t, int32_t, bool& enabled) {
        ++asked;
        enabled = allow;
    };
    grid->OnFixedCellClick = [&](fw::TObject*, int32_t col, int32_t row) { clicked.emplace_back(col, row); };

    Press(1, 0); // buttons off: a title click as any grid has it
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(clicked.empty());

    grid->SetFixedButtons(true);
    Press(1, 0);
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], std::make_pair(1, 0));
    Press(1, 2); // a data cell is never a button
    EXPECT_EQ(clicked.size(), 1u);

    allow = false;
    Press(2, 0);
    EXPECT_EQ(clicked.size(), 1u) << "a refused button is not clicked";
    EXPECT_EQ(asked, 2);

    // Released off the pressed cell: no click.
    allow = true;
    const QPoint from = grid->Viewport()->mapTo(grid->ScrollArea(), grid->CellRect(0, 0).center());
    const QPoint to = grid->Viewport()->mapTo(grid->ScrollArea(), grid->CellRect(2, 0).center());
    grid->DoMouseDown(fw::mbLeft, 0, from.x(), from.y());
    grid->DoMouseMove(0, to.x(), to.y());
    grid->DoMouseUp(fw::mbLeft, 0, to.x(), to.y());
    EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(GridFixture, BeginDragStartsAtOnceOrOnceAHeldPressHasMoved)
{
    constexpr fw::TShiftState LeftHeld = 1u << fw::ssLeft;
    struct Case {
        const char* what;
        const char* value;
        bool press;      // a left press on a data cell before the action
        bool release;    // released again before the mouse moves
        int32_t firstDx; // two moves with the button held, from the press
        int32_t secondDx;
        int startedAfterFirst, startedAfterSecond;
    };
    const Case cases[] = {
        {"\"1\" starts at once", "1", false, false, 0, 0, 1, 1},
        {"\"1\" during a press", "1", true, false, 1, 1, 1, 1},
        {"after the threshold", "", true, false, 2, 6, 0, 1},
        {"any other value", "0", true, false, 5, 5, 1, 1},
        {"no press held: nothing", "", false, false, 10, 20, 0, 0},
        {"released first: nothing", "", true, true, 10, 20, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Build(5);
        int started = 0;
        grid->OnStartDrag = [&](fw::TObject*, fw::TObject*&) { ++started; };
        const QRect cell = grid->CellRect(1, 2);
        const QPoint at = grid->Viewport()->mapTo(grid->ScrollArea(), cell.center());
        if (c.press)
            grid->DoMouseDown(fw::mbLeft, 0, at.x(), at.y());
        if (c.release)
            grid->DoMouseUp(fw::mbLeft, 0, at.x(), at.y());
        grid->_BeginDrag(c.value);
        const fw::TShiftState held = c.press && !c.release ? LeftHeld : 0;
        if (!fw::DragSession::Active())
            grid->DoMouseMove(held, at.x() + c.firstDx, at.y());
        EXPECT_EQ(started, c.startedAfterFirst);
        if (!fw::DragSession::Active())
            grid->DoMouseMove(held, at.x() + c.secondDx, at.y());
        EXPECT_EQ(started, c.startedAfterSecond);
        EXPECT_EQ(fw::DragSession::Active() && fw::DragSession::Source() == grid, started == 1);
        // The press that turned into a drag selects no range and leaves no state.
        EXPECT_EQ(grid->GridState(), gsNormal);
        fw::DragSession::Cancel();
        // The action does not make every later press a drag.
        EXPECT_EQ(grid->GetDragMode(), fw::dmManual);
        grid->DoMouseDown(fw::mbLeft, 0, at.x(), at.y());
        grid->DoMouseMove(LeftHeld, at.x() + 20, at.y());
        grid->DoMouseUp(fw::mbLeft, 0, at.x() + 20, at.y());
        EXPECT_FALSE(fw::DragSession::Active());
        EXPECT_EQ(started, c.startedAfterSecond);
        grid->OnStartDrag = nullptr;
    }
}

TEST_F(GridFixture, ARightToLeftGridShowsItsColumnsMirrored)
{
    Build(5);
    for (int32_t c = 0; c < 3; ++c)
        grid->SetColWidths(c, 50 + 20 * c);
    TDLColumn* second = grid->GetColumns()->GetColumn(1);
    second->SetWordWrap(false);
    // Left to right, a right-aligned cell; mirrored, a left-aligned one: the
    // same picture, since a mirrored grid aligns the other way but does not
    // reverse its texts.
    second->SetAlignment(taRightJustify);
    grid->FetchVisibleRows();
    const QRect laidOut = grid->CellRect(1, 2);
    const QImage plain = Render(*grid).copy(laidOut);
    grid->SetBiDiMode(fw::bdRightToLeft);
    ASSERT_TRUE(grid->Mirrored());
    second->SetAlignment(taLeftJustify);
    const int32_t width = grid->ClientWidth();
    const QRect shown = grid->Physical(laidOut);
    EXPECT_EQ(shown, QRect(width - laidOut.x() - laidOut.width(), laidOut.y(), laidOut.width(), laidOut.height()));
    const QImage image = Render(*grid);
    EXPECT_EQ(image.copy(shown), plain);
    EXPECT_GT(Marked(plain, plain.rect()), 10) << "the cell shows its text";

    // The line after each column shows left of it.
    for (int32_t c = 0; c < 3; ++c) {
        const QRect cell = grid->Physical(grid->CellRect(c, 2));
        EXPECT_EQ(image.pixel(cell.left() - 1, cell.center().y()), fw::ToQColor(fw::clSilver).rgb()) << c;
    }

    // A press lands in the cell shown under it.
    const struct {
        int32_t col, row;
    } cells[] = {{0, 1}, {1, 3}, {2, 2}, {0, 4}};
    for (const auto& c : cells) {
        const QPoint at = grid->Viewport()->mapTo(grid->ScrollArea(), grid->Physical(grid->CellRect(c.col, c.row)).center());
        grid->DoMouseDown(fw::mbLeft, 0, at.x(), at.y());
        grid->DoMouseUp(fw::mbLeft, 0, at.x(), at.y());
        EXPECT_EQ(std::make_pair(grid->GetCol(), grid->GetRow()), std::make_pair(c.col, c.row));
    }

    // The divider of the first column is its left edge on screen; dragging
    // it to the left widens the column.
    grid->SetScaleCol(false);
    const QRect title = grid->Physical(grid->CellRect(0, 0));
    const QPoint divider = grid->Viewport()->mapTo(grid->ScrollArea(), QPoint(title.left() - 1, title.center().y()));
    grid->DoMouseDown(fw::mbLeft, 0, divider.x(), divider.y());
    EXPECT_EQ(grid->GridState(), gsColSizing);
    grid->DoMouseMove(1u << fw::ssLeft, divider.x() - 20, divider.y());
    grid->DoMouseUp(fw::mbLeft, 0, divider.x() - 20, divider.y());
    EXPECT_EQ(grid->ColWidths(0), 70);
}
