// The draw grid's own cell editor: when it opens, what Escape, Enter and the
// button do, and the pick list with its typed prefix (on a fake clock).
#include "e3/grids/InplaceEdit.h"

#include "DrawGridForm.h"
#include "framework/Form.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace e3;

namespace {

constexpr uint16_t vkReturn = 0x0D, vkF2 = 0x71;

TEST(PickListSearch, TypedKeysFindTheFirstItemWithThatPrefix)
{
    const QStringList items {"Apple", "abacus", "Abc", "banana", "Abd", "Zebra"};
    struct Step {
        char32_t key;
        int64_t at;
        std::optional<int> found;
        const char* text;
    };
    const Step steps[] = {
        {U'a', 0, 0, "a"},
        {U'B', 1000, 1, "aB"},       // case ignored
        {U'd', 5000, 4, "aBd"},      // 4000 ms after the last key: still one prefix
        {U'q', 6000, -1, "aBdq"},    // nothing begins with it
        {U'b', 10001, 3, "b"},       // more than 4000 ms: a new prefix
        {8, 10002, std::nullopt, "b"},  // Backspace is the list's own
        {27, 10003, std::nullopt, "b"}, // so is Escape
        {U'\u0101', 10004, std::nullopt, "b"}, // beyond 255
        {U'a', 10005, 3, "ba"},
        {U'\u00e9', 10006, -1, "ba\u00e9"},
    };
    TPickListSearch search;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        EXPECT_EQ(search.Key(s.key, s.at, items), s.found);
        EXPECT_EQ(search.Text(), QString::fromUtf8(s.text));
    }
    // The prefix stops growing at 32 characters.
    TPickListSearch longOne;
    for (int i = 0; i < 40; ++i)
        longOne.Key(U'x', i, items);
    EXPECT_EQ(longOne.Text(), QString(32, QLatin1Char('x')));
}

struct EditFixture : ::testing::Test {
    void SetUp() override
    {
        made = std::make_unique<e3test::DrawGridForm>(4, 6);
        grid = made->grid;
        grid->SetOptions(grid->GetOptions() | GridOption(goEditing));
        grid->OnGetEditText = [](fw::TObject*, int32_t col, int32_t row, std::string& value) {
            value = Cell(col, row);
        };
        grid->OnSetEditText = [this](fw::TObject*, int32_t col, int32_t row, const std::string& value) {
            stored.emplace_back(Cell(col, row), value);
        };
        grid->OnGetEditStyle = [this](fw::TObject*, int32_t, int32_t, TEditStyle& s) { s = style; };
        grid->OnCancelEdit = [this](fw::TObject*) { ++cancelled; };
        grid->OnEditButtonClick = [this](fw::TObject*) { ++buttonClicks; };
        grid->OnEditChange = [this](fw::TObject*) { ++changes; };
    }

    void TearDown() override { made.reset(); }

    static std::string Cell(int32_t col, int32_t row) { return "c" + std::to_string(col) + "r" + std::to_string(row); }

    QPoint CellCentre(int32_t col, int32_t row) const
    {
        return grid->Viewport()->mapTo(grid->ScrollArea(), grid->CellRect(col, row).center());
    }

    void Click(int32_t col, int32_t row)
    {
        const QPoint at = CellCentre(col, row);
        grid->DoMouseDown(fw::mbLeft, 0, at.x(), at.y());
        grid->DoMouseUp(fw::mbLeft, 0, at.x(), at.y());
    }

    bool Editing() const { return grid->EditorMode(); }
    std::string EditorText() const { return grid->InplaceEditor()->Text(); }

    // Declared first: outlives the grid's container placed in it.
    std::unique_ptr<fw::TCustomForm> form;
    std::unique_ptr<e3test::DrawGridForm> made;
    Te3DrawGrid* grid = nullptr;
    TEditStyle style = esSimple;
    std::vector<std::pair<std::string, std::string>> stored; // cell, text
    int cancelled = 0, buttonClicks = 0, changes = 0;
};

TEST_F(EditFixture, TheEditorOpensOnF2EnterTypingOrASecondClickOnTheCurrentCell)
{
    grid->FocusCell(2, 3);
    uint16_t key = vkF2;
    grid->DoKeyDown(key, 0);
    ASSERT_TRUE(Editing());
    EXPECT_EQ(EditorText(), "c2r3");
    EXPECT_EQ(grid->InplaceEditor()->geometry(), grid->CellRect(2, 3));

    // A press anywhere takes the editor away and stores its text.
    grid->InplaceEditor()->SetText("new");
    Click(1, 1);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(stored, (std::vector<std::pair<std::string, std::string>> {{"c2r3", "new"}}));
    // The click made (1, 1) current; a second one on it opens its editor.
    EXPECT_EQ(grid->GetCol(), 1);
    Click(1, 1);
    ASSERT_TRUE(Editing());
    EXPECT_EQ(EditorText(), "c1r1");

    // Enter in the editor stores and closes; Enter on the grid opens again.
    QTest::keyClick(grid->InplaceEditor()->Line(), Qt::Key_Return);
    EXPECT_FALSE(Editing());
    key = vkReturn;
    grid->DoKeyDown(key, 0);
    EXPECT_TRUE(Editing());
    grid->HideEditor();

    // A typed character starts editing with that character.
    char32_t typed = U'x';
    grid->DoKeyPress(typed);
    ASSERT_TRUE(Editing());
    EXPECT_EQ(EditorText(), "x");
    EXPECT_EQ(changes, 1);
}

TEST_F(EditFixture, TheEditorStaysClosedWhereItMayNotOpen)
{
    struct Case {
        const char* what;
        std::function<void()> set;
    };
    const Case cases[] = {
        {"without goEditing", [this] { grid->SetOptions(grid->GetOptions() & ~GridOption(goEditing)); }},
        {"with row select", [this] { grid->SetOptions(grid->GetOptions() | GridOption(goRowSelect)); }},
        {"refused by OnShowEditor",
         [this] { grid->OnShowEditor = [](fw::TObject*, int32_t, int32_t, bool& allow) { allow = false; }; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.set();
        grid->FocusCell(1, 1);
        uint16_t key = vkF2;
        grid->DoKeyDown(key, 0);
        Click(1, 1);
        char32_t typed = U'x';
        grid->DoKeyPress(typed);
        EXPECT_FALSE(Editing());
    }
    // A click on a cell that was not current only makes it current.
    SetUp();
    grid->FocusCell(1, 1);
    Click(2, 2);
    EXPECT_FALSE(Editing());
    // A key that OnAcceptEditKey refuses does not start editing, nor reaches it.
    grid->OnAcceptEditKey = [](fw::TObject*, char32_t& key) { return key != U'q'; };
    char32_t refused = U'q';
    grid->DoKeyPress(refused);
    EXPECT_FALSE(Editing());
    char32_t taken = U'w';
    grid->DoKeyPress(taken);
    ASSERT_TRUE(Editing());
    QTest::keyClicks(grid->InplaceEditor()->Line(), "qaq");
    EXPECT_EQ(EditorText(), "wa");
}

TEST_F(EditFixture, EscapeRestoresTheCellAndFiresOnCancelEditButNotWithCtrl)
{
    grid->FocusCell(1, 2);
    grid->ShowEditor();
    QLineEdit* line = grid->InplaceEditor()->Line();
    QTest::keyClicks(line, "zz");
    QTest::keyClick(line, Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_TRUE(Editing());
    EXPECT_EQ(cancelled, 0);
    QTest::keyClick(line, Qt::Key_Escape);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(stored.empty());
    // Opened again, it shows the cell's text, not what was typed.
    grid->ShowEditor();
    EXPECT_EQ(EditorText(), "c1r2");

    // An editor that is always shown is not cancelled.
    grid->HideEditor(false);
    grid->SetOptions(grid->GetOptions() | GridOption(goAlwaysShowEditor));
    grid->ShowEditor();
    QTest::keyClick(grid->InplaceEditor()->Line(), Qt::Key_Escape);
    EXPECT_TRUE(Editing());
    EXPECT_EQ(cancelled, 1);
}

TEST_F(EditFixture, AnEditorAlwaysShownFollowsTheCurrentCell)
{
    using Stored = std::vector<std::pair<std::string, std::string>>;
    grid->SetOptions(grid->GetOptions() | GridOption(goAlwaysShowEditor));
    grid->FocusCell(1, 1);
    grid->ShowEditor();
    QLineEdit* line = grid->InplaceEditor()->Line();
    QTest::keyClicks(line, "a");
    // Enter stores and keeps the editor.
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_TRUE(Editing());
    EXPECT_EQ(stored, (Stored {{"c1r1", "a"}}));
    // An arrow moves it, storing on the way.
    QTest::keyClicks(line, "b");
    QTest::keyClick(line, Qt::Key_Down);
    ASSERT_TRUE(Editing());
    EXPECT_EQ(std::make_pair(grid->GetCol(), grid->GetRow()), std::make_pair(1, 2));
    EXPECT_EQ(EditorText(), "c1r2");
    EXPECT_EQ(grid->InplaceEditor()->geometry(), grid->CellRect(1, 2));
    EXPECT_EQ(stored, (Stored {{"c1r1", "a"}, {"c1r1", "ab"}}));
    // A click elsewhere: the editor comes back on the clicked cell.
    Click(3, 4);
    ASSERT_TRUE(Editing());
    EXPECT_EQ(EditorText(), "c3r4");
    EXPECT_EQ(stored.back(), (std::pair<std::string, std::string>("c1r2", "c1r2")));
    // Escape does not take it away.
    QTest::keyClick(grid->InplaceEditor()->Line(), Qt::Key_Escape);
    EXPECT_TRUE(Editing());
    EXPECT_EQ(cancelled, 0);
}

TEST_F(EditFixture, AnEditorAlwaysShownComesUpAsTheGridTakesTheFocus)
{
    using Stored = std::vector<std::pair<std::string, std::string>>;
    // Focus changes reach a control as enter and exit inside a form.
    form = std::make_unique<fw::TCustomForm>(nullptr);
    form->SetBounds(0, 0, 700, 500);
    made->form->SetParent(form.get());
    auto* elsewhere = new Te3DrawGrid(made->form.get());
    elsewhere->SetParent(made->form.get());
    elsewhere->SetBounds(420, 0, 100, 100);
    QWidget* window = form->Widget();
    form->Show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    elsewhere->SetFocus();
    ASSERT_TRUE(elsewhere->Focused());
    int asked = 0;
    bool allow = false;
    grid->OnShowEditor = [&](fw::TObject*, int32_t, int32_t, bool& a) {
        ++asked;
        a = allow;
    };
    grid->FocusCell(2, 3);
    grid->SetOptions(grid->GetOptions() | GridOption(goAlwaysShowEditor));
    EXPECT_FALSE(Editing()); // the grid does not have the focus yet
    EXPECT_EQ(asked, 0);

    // Refused: the grid has the focus and no editor.
    grid->SetFocus();
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Editing());

    // Allowed: it comes up over the current cell and takes the keys.
    elsewhere->SetFocus();
    allow = true;
    grid->SetFocus();
    ASSERT_TRUE(Editing());
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(EditorText(), "c2r3");
    EXPECT_EQ(grid->InplaceEditor()->geometry(), grid->CellRect(2, 3));
    EXPECT_EQ(QApplication::focusWidget(), grid->InplaceEditor()->Line());

    // The focus goes and comes back: the same editor, typing goes on in it.
    QTest::keyClicks(QApplication::focusWidget(), "x");
    elsewhere->SetFocus();
    EXPECT_TRUE(Editing());
    grid->SetFocus();
    EXPECT_EQ(QApplication::focusWidget(), grid->InplaceEditor()->Line());
    QTest::keyClicks(QApplication::focusWidget(), "y");
    EXPECT_EQ(EditorText(), "xy");
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(stored.empty());

    // A press on a fixed cell takes it away (storing) and its release brings
    // it back on the current cell.
    Click(0, 0);
    ASSERT_TRUE(Editing());
    EXPECT_EQ(EditorText(), "c2r3");
    EXPECT_EQ(grid->InplaceEditor()->geometry(), grid->CellRect(2, 3));
    EXPECT_EQ(stored, (Stored {{"c2r3", "xy"}}));

    // Switched on while the grid has the focus: it comes up at once.
    grid->SetOptions(grid->GetOptions() & ~GridOption(goAlwaysShowEditor));
    grid->HideEditor(false);
    ASSERT_FALSE(Editing());
    ASSERT_TRUE(grid->Focused());
    grid->SetOptions(grid->GetOptions() | GridOption(goAlwaysShowEditor));
    EXPECT_TRUE(Editing());
    EXPECT_EQ(QApplication::focusWidget(), grid->InplaceEditor()->Line());
}

TEST_F(EditFixture, TheEllipsisButtonAndCtrlEnterFireOnEditButtonClick)
{
    style = esEllipsis;
    grid->FocusCell(1, 1);
    grid->ShowEditor();
    TRxInplaceEdit* editor = grid->InplaceEditor();
    const int32_t barWidth = editor->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_EQ(editor->ButtonWidth(), barWidth);
    EXPECT_EQ(editor->DotGap(), std::clamp((barWidth - 12) / 2, 1, 3));
    // The text stays clear of the button, 2 pixels in from the left and top.
    EXPECT_EQ(editor->Line()->geometry(), QRect(2, 2, editor->width() - 2 - barWidth, editor->height() - 2));

    QTest::mouseClick(editor, Qt::LeftButton, {}, editor->ButtonRect().center());
    EXPECT_EQ(buttonClicks, 1);
    // Pressed on the button, released off it: no click.
    QTest::mousePress(editor, Qt::LeftButton, {}, editor->ButtonRect().center());
    QTest::mouseRelease(editor, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(buttonClicks, 1);
    QTest::keyClick(editor->Line(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(buttonClicks, 2);
    EXPECT_TRUE(Editing());

    // A simple editor has no button and takes the whole cell but the inset.
    grid->HideEditor();
    style = esSimple;
    grid->ShowEditor();
    EXPECT_EQ(editor->ButtonWidth(), 0);
    EXPECT_EQ(editor->Line()->width(), editor->width() - 2);
    QTest::keyClick(editor->Line(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(buttonClicks, 2);
}

TEST_F(EditFixture, APickListShowsEightRowsAndSelectsByTypedPrefix)
{
    style = esPickList;
    const std::vector<std::string> items {"one",   "two",    "three", "four",  "five",  "six",
                                          "seven", "abacus", "eight", "about", "nine",  "c1r1"};
    grid->OnGetPicklist = [&](fw::TObject*, int32_t col, int32_t row, std::vector<std::string>& list) {
        EXPECT_EQ(col, 1);
        EXPECT_EQ(row, 1);
        list = items;
    };
    grid->FocusCell(1, 1);
    grid->ShowEditor();
    TRxInplaceEdit* editor = grid->InplaceEditor();
    // Alt+Down opens the list with the editor's text selected.
    QTest::keyClick(editor->Line(), Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->ListVisible());
    TPopupListbox* list = editor->PickList();
    ASSERT_EQ(list->count(), 12);
    EXPECT_EQ(list->currentRow(), 11);
    const int itemHeight = list->visualItemRect(list->item(0)).height();
    EXPECT_EQ(list->height(), 8 * itemHeight + 4);
    EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_GE(list->width(), editor->width());

    // a, then b within 4 seconds: the first item beginning with "ab".
    int64_t now = 100000;
    list->SetClock([&] { return now; });
    QTest::keyClick(list, Qt::Key_A);
    EXPECT_EQ(list->currentRow(), 7);
    now += 3999;
    QTest::keyClick(list, Qt::Key_B);
    EXPECT_EQ(list->currentRow(), 7);
    now += 500;
    QTest::keyClick(list, Qt::Key_O);
    EXPECT_EQ(list->currentRow(), 9);
    // Enter takes the selected item.
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(EditorText(), "about");
    EXPECT_TRUE(Editing());

    // Escape closes the list and leaves the text.
    editor->DropDown();
    ASSERT_TRUE(editor->ListVisible());
    EXPECT_EQ(list->currentRow(), 9);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(EditorText(), "about");

    // The arrow button opens it; Alt+Up closes it accepting.
    QTest::mouseClick(editor, Qt::LeftButton, {}, editor->ButtonRect().center());
    ASSERT_TRUE(editor->ListVisible());
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(EditorText(), "one");

    // A short list shows all its items and no scroll bar.
    grid->OnGetPicklist = [](fw::TObject*, int32_t, int32_t, std::vector<std::string>& list) {
        list = {"x", "y", "z"};
    };
    editor->DropDown();
    ASSERT_TRUE(editor->ListVisible());
    EXPECT_EQ(list->height(), 3 * itemHeight + 4);
    EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(list->currentRow(), -1);
    editor->CloseUp(false);
}

TEST_F(EditFixture, TheEditorFollowsItsCellWhenTheGridScrollsOrIsMirrored)
{
    grid->SetRowCount(100);
    grid->FocusCell(1, 20);
    grid->ShowEditor();
    ASSERT_TRUE(Editing());
    EXPECT_EQ(grid->InplaceEditor()->geometry(), grid->CellRect(1, 20));
    grid->SetTopRow(18);
    EXPECT_EQ(grid->InplaceEditor()->geometry(), grid->CellRect(1, 20));
    // Scrolled out of sight, it is kept off the visible area.
    grid->SetTopRow(40);
    EXPECT_FALSE(grid->Viewport()->rect().intersects(grid->InplaceEditor()->geometry()));

    // In a right-to-left grid it covers the cell where the cell shows.
    grid->HideEditor();
    grid->SetBiDiMode(fw::bdRightToLeft);
    grid->FocusCell(1, 45);
    grid->ShowEditor();
    const QRect cell = grid->CellRect(1, 45);
    EXPECT_EQ(grid->InplaceEditor()->geometry(),
              QRect(grid->ClientWidth() - cell.x() - cell.width(), cell.y(), cell.width(), cell.height()));
}

} // namespace
