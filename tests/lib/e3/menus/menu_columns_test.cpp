#include "../TestContainer.h"
#include "e3/menus/MenuWidgets.h"
#include "e3/menus/Menus.h"

#include <QApplication>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3::ItemMenu;
using e3::Te3MenuItem;
using e3test::WriteByName;

Te3MenuItem* AddItem(Te3MenuItem* parent, const std::string& caption, e3::TMenuBreak brk = e3::mbNone)
{
    auto* item = new Te3MenuItem(nullptr);
    item->SetCaption(caption);
    parent->Add(item);
    WriteByName(*item, "Break", int64_t {brk});
    return item;
}

// A popup menu of five items in three columns: A B | C || D E.
class MenuColumnsTest : public ::testing::Test {
protected:
    MenuColumnsTest()
    {
        a = AddItem(popup.Items(), "Alpha");
        b = AddItem(popup.Items(), "Beta");
        c = AddItem(popup.Items(), "Gamma", e3::mbBreak);
        d = AddItem(popup.Items(), "Delta", e3::mbBarBreak);
        e = AddItem(popup.Items(), "Epsilon");
    }
    ~MenuColumnsTest() override
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QMenu*>(widget) && widget->isVisible())
                widget->close();
    }

    ItemMenu* Show()
    {
        popup.Popup(100, 100);
        auto* menu = dynamic_cast<ItemMenu*>(popup.Menu());
        EXPECT_TRUE(menu && QTest::qWaitForWindowExposed(menu));
        return menu;
    }

    QRect At(Te3MenuItem* item) { return Menu()->ItemRect(item->Action()); }
    ItemMenu* Menu() { return dynamic_cast<ItemMenu*>(popup.Menu()); }
    QAction* Active() { return Menu()->activeAction(); }

    e3::Te3_PopupMenu popup {nullptr};
    Te3MenuItem *a, *b, *c, *d, *e;
};

TEST_F(MenuColumnsTest, BreaksStartColumnsInTheReadingDirection)
{
    for (const bool rightToLeft : {false, true}) {
        SCOPED_TRACE(rightToLeft ? "right to left" : "left to right");
        WriteByName(popup, "BiDiMode", int64_t {rightToLeft ? fw::bdRightToLeft : fw::bdLeftToRight});
        ItemMenu* menu = Show();
        const ItemMenu::ColumnLayout layout = menu->Columns();
        ASSERT_EQ(layout.columns, 3);
        ASSERT_EQ(layout.cells.size(), 5u);
        ASSERT_EQ(layout.bars.size(), 1u) << "only the bar break draws a bar";
        EXPECT_EQ(menu->size(), layout.size) << "the popup takes the size of its columns";

        // Each column starts at the top; items follow each other downwards.
        EXPECT_EQ(At(b).left(), At(a).left());
        EXPECT_EQ(At(b).top(), At(a).bottom() + 1);
        EXPECT_EQ(At(c).top(), At(a).top());
        EXPECT_EQ(At(d).top(), At(a).top());
        EXPECT_EQ(At(e).top(), At(d).bottom() + 1);

        // Columns side by side in reading order, the bar between the last two.
        const int sign = rightToLeft ? -1 : 1;
        EXPECT_GT((At(c).center().x() - At(a).center().x()) * sign, 0);
        EXPECT_GT((At(d).center().x() - At(c).center().x()) * sign, 0);
        const int bar = layout.bars[0];
        EXPECT_TRUE(bar > std::min(At(c).right(), At(d).right()) && bar < std::max(At(c).left(), At(d).left()))
            << "bar at " << bar;
        for (Te3MenuItem* item : {a, b, c, d, e}) {
            EXPECT_TRUE(menu->rect().contains(At(item))) << item->GetCaption();
            EXPECT_EQ(menu->ItemAt(At(item).center()), item->Action()) << item->GetCaption();
            for (Te3MenuItem* other : {a, b, c, d, e})
                EXPECT_TRUE(item == other || !At(item).intersects(At(other)))
                    << item->GetCaption() << " overlaps " << other->GetCaption();
        }
        menu->close();
    }
}

TEST_F(MenuColumnsTest, OnlyABreakAfterAShownItemMakesAColumn)
{
    WriteByName(*c, "Break", int64_t {e3::mbNone});
    WriteByName(*d, "Break", int64_t {e3::mbNone});
    WriteByName(*a, "Break", int64_t {e3::mbBarBreak});
    ItemMenu* menu = Show();
    EXPECT_FALSE(menu->HasColumns()) << "a break on the first item changes nothing";
    EXPECT_EQ(At(c), menu->actionGeometry(c->Action())) << "without columns Qt places the items";

    // A column break on a shown menu widens it at once; a hidden item's break counts for nothing.
    const int oneColumn = menu->width();
    WriteByName(*d, "Break", int64_t {e3::mbBreak});
    EXPECT_TRUE(menu->HasColumns());
    EXPECT_GT(menu->width(), oneColumn);
    EXPECT_EQ(At(d).top(), At(a).top());
    d->SetVisible(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(menu->HasColumns());
}

TEST_F(MenuColumnsTest, ArrowsMoveWithinAndAcrossColumns)
{
    for (const bool rightToLeft : {false, true}) {
        SCOPED_TRACE(rightToLeft ? "right to left" : "left to right");
        WriteByName(popup, "BiDiMode", int64_t {rightToLeft ? fw::bdRightToLeft : fw::bdLeftToRight});
        ItemMenu* menu = Show();
        const Qt::Key onward = rightToLeft ? Qt::Key_Left : Qt::Key_Right;
        const Qt::Key back = rightToLeft ? Qt::Key_Right : Qt::Key_Left;
        struct Step {
            Qt::Key key;
            Te3MenuItem* lands;
        };
        QTest::keyClick(menu, Qt::Key_Down);
        ASSERT_EQ(Active(), a->Action());
        for (const Step& step : {Step {Qt::Key_Down, b}, Step {onward, c}, Step {onward, d}, Step {Qt::Key_Down, e},
                                 Step {back, c}, Step {Qt::Key_Up, b}, Step {Qt::Key_Down, c}, Step {back, a},
                                 Step {onward, c}}) {
            QTest::keyClick(menu, step.key);
            EXPECT_EQ(Active(), step.lands->Action()) << "after key " << step.key << " expected "
                                                       << step.lands->GetCaption();
        }
        EXPECT_TRUE(menu->isVisible()) << "moving across columns keeps the menu open";
        menu->close();
    }

    // A disabled item is passed over for the nearest one that can be chosen,
    // unless the style lets disabled items be highlighted.
    WriteByName(popup, "BiDiMode", int64_t {fw::bdLeftToRight});
    d->SetEnabled(false);
    ItemMenu* menu = Show();
    const bool disabledActive = menu->style()->styleHint(QStyle::SH_Menu_AllowActiveAndDisabled, nullptr, menu);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Right);
    QTest::keyClick(menu, Qt::Key_Right);
    EXPECT_EQ(Active(), (disabledActive ? d : e)->Action());
    if (disabledActive)
        QTest::keyClick(menu, Qt::Key_Down);
    ASSERT_EQ(Active(), e->Action());

    int clicks = 0;
    e->OnClick = [&](fw::TObject*) { ++clicks; };
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(MenuColumnsTest, TheMouseHighlightsAndChoosesTheItemUnderIt)
{
    int clicks = 0;
    d->OnClick = [&](fw::TObject*) { ++clicks; };
    ItemMenu* menu = Show();
    QTest::mouseMove(menu, At(c).center());
    EXPECT_EQ(Active(), c->Action());
    QTest::mouseMove(menu, At(d).center());
    EXPECT_EQ(Active(), d->Action());
    QTest::mouseClick(menu, Qt::LeftButton, {}, At(d).center());
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(menu->isVisible());

    // Between the columns nothing is chosen.
    menu = Show();
    const QPoint gap((At(c).right() + At(d).left()) / 2, At(d).center().y());
    ASSERT_EQ(menu->ItemAt(gap), nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, gap);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(menu->isVisible());
}

TEST_F(MenuColumnsTest, AnOwnerMeasuredItemSizesItsColumnOnceWhileTheMouseMoves)
{
    WriteByName(popup, "OwnerDraw", true);
    int measured = 0;
    c->OnMeasureItem = [&](fw::TObject*, QPainter*, int32_t& width, int32_t&) {
        ++measured;
        width = 300;
    };
    ItemMenu* menu = Show();
    EXPECT_GE(At(c).width(), 300);
    EXPECT_LT(At(a).width(), 300) << "only its own column grows";
    EXPECT_GE(menu->width(), At(a).width() + 300);
    const int afterShow = measured;
    EXPECT_GT(afterShow, 0);
    for (Te3MenuItem* item : {a, b, c, d, e, a})
        QTest::mouseMove(menu, At(item).center());
    EXPECT_EQ(measured, afterShow) << "moving over the items measures nothing again";
}

TEST_F(MenuColumnsTest, ASubMenuOpensBesideItsItemInItsColumn)
{
    Te3MenuItem* inner = AddItem(c, "Inner");
    int clicks = 0;
    inner->OnClick = [&](fw::TObject*) { ++clicks; };
    ItemMenu* menu = Show();
    QMenu* sub = c->SubMenu();
    ASSERT_NE(sub, nullptr);

    // From the keyboard: Right on an item with sub-items opens them.
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Right);
    ASSERT_EQ(Active(), c->Action());
    QTest::keyClick(menu, Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sub));
    const QRect item(menu->mapToGlobal(At(c).topLeft()), At(c).size());
    EXPECT_EQ(sub->geometry().top(), item.top());
    EXPECT_GT(sub->geometry().left(), item.center().x()) << "beside the item, not over it";
    QTest::keyClick(sub, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(menu->isVisible());

    // With the mouse: resting on the item opens them in the same place.
    menu = Show();
    QTest::mouseMove(menu, At(c).center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sub));
    EXPECT_EQ(sub->geometry().top(), item.top());
    EXPECT_GT(sub->geometry().left(), item.center().x());
}

} // namespace

namespace {

// A form's main menu: File Edit / View Help, the second line started by View.
TEST(MenuBarLinesTest, ABreakStartsANewLineAndTheClientAreaMakesRoom)
{
    fw::TCustomForm form {nullptr};
    form.SetBounds(0, 0, 400, 300);
    auto* menu = new e3::Te3_MainMenu(&form);
    Te3MenuItem* file = AddItem(menu->Items(), "File");
    Te3MenuItem* edit = AddItem(menu->Items(), "Edit");
    Te3MenuItem* view = AddItem(menu->Items(), "View");
    Te3MenuItem* help = AddItem(menu->Items(), "Help");
    Te3MenuItem* zoom = AddItem(view, "Zoom");
    int helpClicks = 0, zoomClicks = 0;
    help->OnClick = [&](fw::TObject*) { ++helpClicks; };
    zoom->OnClick = [&](fw::TObject*) { ++zoomClicks; };
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
    auto* bar = dynamic_cast<e3::ItemBar*>(menu->MenuBar());
    ASSERT_NE(bar, nullptr);
    const int oneLine = bar->height();
    const int32_t clientBefore = form.ClientHeight();
    EXPECT_FALSE(bar->HasLines());

    WriteByName(*view, "Break", int64_t {e3::mbBarBreak});
    const auto at = [&](Te3MenuItem* item) { return bar->ItemRect(item->Action()); };
    ASSERT_TRUE(bar->HasLines());
    EXPECT_EQ(at(view).left(), at(file).left()) << "the new line starts at the left";
    EXPECT_EQ(at(view).top(), at(file).bottom() + 1);
    EXPECT_EQ(at(edit).top(), at(file).top());
    EXPECT_EQ(at(help).top(), at(view).top());
    EXPECT_GT(at(help).left(), at(view).right());
    const int line = at(view).top() - at(file).top();
    EXPECT_EQ(bar->height(), oneLine + line) << "the bar grows by one line";
    // The client area gives up the room the bar takes, below the bar.
    const auto clientBelowBar = [&] {
        const int top = form.ClientWidget()->mapTo(form.Widget(), QPoint(0, 0)).y();
        EXPECT_GE(top, bar->geometry().bottom() + 1);
        EXPECT_EQ(top + form.ClientHeight(), form.Widget()->height());
    };
    EXPECT_LE(form.ClientHeight(), clientBefore - line + 1);
    clientBelowBar();
    EXPECT_EQ(form.GetHeight(), 300);
    const int32_t clientOnTwoLines = form.ClientHeight();
    for (Te3MenuItem* item : {file, edit, view, help})
        EXPECT_EQ(bar->ItemAt(at(item).center()), item->Action()) << item->GetCaption();

    // A press on an item of the second line drops its menu down below it.
    QTest::mouseClick(bar, Qt::LeftButton, {}, at(view).center());
    QMenu* drop = view->SubMenu();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(drop));
    EXPECT_EQ(drop->geometry().topLeft(), bar->mapToGlobal(at(view).bottomLeft() + QPoint(0, 1)));
    QTest::mouseClick(drop, Qt::LeftButton, {}, drop->actionGeometry(zoom->Action()).center());
    EXPECT_EQ(zoomClicks, 1);
    EXPECT_FALSE(drop->isVisible());

    // An item without sub-items is chosen by a click.
    QTest::mouseClick(bar, Qt::LeftButton, {}, at(help).center());
    EXPECT_EQ(helpClicks, 1);

    // Without the break the bar is one line again; so it is while the item
    // that starts the line is hidden.
    view->SetVisible(false);
    EXPECT_FALSE(bar->HasLines());
    EXPECT_EQ(form.ClientHeight(), clientBefore);
    clientBelowBar();
    view->SetVisible(true);
    EXPECT_EQ(form.ClientHeight(), clientOnTwoLines);
    WriteByName(*view, "Break", int64_t {e3::mbNone});
    EXPECT_EQ(bar->height(), oneLine);
    EXPECT_EQ(form.ClientHeight(), clientBefore);
    clientBelowBar();
}

TEST(MenuBarLinesTest, ABarBreakInTheBarIsALineBreakWithoutABar)
{
    // In a menu bar the bar of a bar break has no place: the item starts a
    // new line exactly as for a plain break, and the bar paints the same.
    fw::TCustomForm form {nullptr};
    form.SetBounds(0, 0, 400, 300);
    auto* menu = new e3::Te3_MainMenu(&form);
    AddItem(menu->Items(), "File");
    Te3MenuItem* view = AddItem(menu->Items(), "View", e3::mbBreak);
    AddItem(menu->Items(), "Help");
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
    auto* bar = dynamic_cast<e3::ItemBar*>(menu->MenuBar());
    ASSERT_NE(bar, nullptr);
    const auto cells = [&] {
        std::vector<QRect> rects;
        for (const e3::ItemCell& cell : bar->Lines().cells)
            rects.push_back(cell.rect);
        return rects;
    };
    ASSERT_EQ(bar->Lines().lines, 2);
    const std::vector<QRect> withBreak = cells();
    const QImage painted = bar->grab().toImage();
    WriteByName(*view, "Break", int64_t {e3::mbBarBreak});
    EXPECT_EQ(bar->Lines().lines, 2);
    EXPECT_EQ(cells(), withBreak);
    EXPECT_EQ(bar->grab().toImage(), painted);
}

TEST(MenuBarLinesTest, ItemsThatFitOnlyOnTheirLinesShowNoOverflowButton)
{
    // On one line the three items would not fit the narrow form.
    fw::TCustomForm form {nullptr};
    form.SetBounds(0, 0, 140, 200);
    auto* menu = new e3::Te3_MainMenu(&form);
    AddItem(menu->Items(), "Alphabetical");
    AddItem(menu->Items(), "Bravo Charlie", e3::mbBreak);
    Te3MenuItem* last = AddItem(menu->Items(), "Delta Echo", e3::mbBreak);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
    auto* bar = dynamic_cast<e3::ItemBar*>(menu->MenuBar());
    ASSERT_EQ(bar->Lines().lines, 3);
    bar->grab();
    for (QWidget* child : bar->findChildren<QWidget*>())
        EXPECT_FALSE(child->isVisible()) << child->objectName().toStdString();
    const QRect at = bar->ItemRect(last->Action());
    EXPECT_LE(at.right(), bar->width());
    EXPECT_EQ(bar->ItemAt(at.center()), last->Action());
}

} // namespace
