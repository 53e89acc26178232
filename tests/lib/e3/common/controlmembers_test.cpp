// Members every control shares: the popup menu reference, the mouse drag, the
// bidirectional mode and the 3-D look with their parent flags.
#include "e3/lists/ListBox.h"
#include "e3/menus/Menus.h"
#include "e3/containers/ScrollBox.h"
#include "framework/Drag.h"
#include "framework/StandardProps.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScrollArea>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class TBox : public fw::TWinControl {
public:
    explicit TBox(fw::TComponent* owner) : fw::TWinControl(owner) { SetWidget(new QWidget); }
};

struct ControlMembers : ::testing::Test {
    ControlMembers()
    {
        root.SetBounds(0, 0, 300, 200);
        root.Widget()->show();
        a.SetParent(&root);
        a.SetBounds(10, 10, 80, 40);
        b.SetParent(&root);
        b.SetBounds(150, 10, 80, 40);
    }
    ~ControlMembers() override
    {
        fw::DragSession::Cancel();
    }
    TBox root {nullptr};
    TBox a {nullptr};
    TBox b {nullptr};
};

TEST_F(ControlMembers, PopupMenuIsClearedWhenTheMenuDiesAndTakesOnlyMenus)
{
    auto* menu = new e3::Te3_PopupMenu(nullptr);
    a.SetPopupMenu(menu);
    EXPECT_EQ(a.GetPopupMenu(), menu);
    delete menu;
    EXPECT_EQ(a.GetPopupMenu(), nullptr);
    EXPECT_THROW(a.SetPopupMenu(&b), fw::EPropertyError);
    EXPECT_EQ(a.GetPopupMenu(), nullptr);
}

TEST_F(ControlMembers, ContextRequestsRunTheHandlerThenShowTheMenu)
{
    e3::Te3_PopupMenu menu(nullptr);
    a.SetPopupMenu(&menu);
    std::vector<std::string> seen;
    bool take = false;
    a.OnContextPopup = [&](fw::TObject*, fw::TPoint p, bool& handled) {
        seen.push_back(std::to_string(p.x) + "," + std::to_string(p.y));
        handled = take;
    };
    QWidget* w = a.Widget();

    take = true;
    QContextMenuEvent byHandler(QContextMenuEvent::Mouse, QPoint(7, 5), w->mapToGlobal(QPoint(7, 5)));
    QApplication::sendEvent(w, &byHandler);
    EXPECT_EQ(menu.PopupComponent(), nullptr);

    take = false;
    QContextMenuEvent byMouse(QContextMenuEvent::Mouse, QPoint(7, 5), w->mapToGlobal(QPoint(7, 5)));
    QApplication::sendEvent(w, &byMouse);
    EXPECT_EQ(menu.PopupComponent(), &a);
    EXPECT_EQ(menu.LastPopupPoint(), w->mapToGlobal(QPoint(7, 5)));
    menu.Menu()->hide();

    // The context-menu key: no mouse point, the menu opens at the client origin.
    QContextMenuEvent byKey(QContextMenuEvent::Keyboard, QPoint(40, 20), w->mapToGlobal(QPoint(40, 20)));
    QApplication::sendEvent(w, &byKey);
    EXPECT_EQ(menu.LastPopupPoint(), w->mapToGlobal(QPoint(0, 0)));
    menu.Menu()->hide();
    EXPECT_EQ(seen, (std::vector<std::string> {"7,5", "7,5", "-1,-1"}));

    // A menu that does not pop up by itself leaves the request unhandled.
    menu.SetAutoPopup(false);
    menu.SetPopupComponent(nullptr);
    QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(1, 1), w->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(w, &again);
    EXPECT_EQ(menu.PopupComponent(), nullptr);
}

TEST_F(ControlMembers, AControlWithoutAMenuPassesTheRequestToItsParent)
{
    e3::Te3_PopupMenu menu(nullptr);
    root.SetPopupMenu(&menu);
    QWidget* w = a.Widget();
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(3, 3), w->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(w, &request);
    EXPECT_EQ(menu.PopupComponent(), &root);
    menu.Menu()->hide();
}

TEST(LayoutDirection, RightToLeftModesMirrorExceptReadingOnly)
{
    const std::pair<fw::TBiDiMode, Qt::LayoutDirection> cases[] = {
        {fw::bdLeftToRight, Qt::LeftToRight},
        {fw::bdRightToLeft, Qt::RightToLeft},
        {fw::bdRightToLeftNoAlign, Qt::RightToLeft},
        {fw::bdRightToLeftReadingOnly, Qt::LeftToRight},
    };
    for (const auto& [mode, direction] : cases)
        EXPECT_EQ(fw::LayoutDirectionOf(mode), direction) << mode;
}

TEST_F(ControlMembers, BiDiModeFollowsTheParentUntilSetOwnAndAgainWhenAsked)
{
    b.SetBiDiMode(fw::bdLeftToRight); // its own now, though unchanged
    root.SetBiDiMode(fw::bdRightToLeft);
    EXPECT_EQ(a.GetBiDiMode(), fw::bdRightToLeft);
    EXPECT_EQ(a.Widget()->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(b.GetBiDiMode(), fw::bdLeftToRight);
    EXPECT_FALSE(b.GetParentBiDiMode());
    b.SetParentBiDiMode(true);
    EXPECT_EQ(b.GetBiDiMode(), fw::bdRightToLeft);

    TBox late(nullptr);
    late.SetParent(&a);
    EXPECT_EQ(late.Widget()->layoutDirection(), Qt::RightToLeft);
}

TEST_F(ControlMembers, Ctl3DFollowsTheParentAndRedrawsTheScrollBoxBorder)
{
    e3::Te3_ScrollBox box(nullptr);
    box.SetParent(&root);
    ASSERT_TRUE(box.GetCtl3D());
    EXPECT_EQ(box.ScrollArea()->frameShadow(), QFrame::Sunken);
    root.SetCtl3D(false);
    EXPECT_FALSE(a.GetCtl3D());
    EXPECT_FALSE(box.GetCtl3D());
    EXPECT_EQ(box.ScrollArea()->frameShadow(), QFrame::Plain);
    EXPECT_FALSE(root.GetParentCtl3D());

    a.SetCtl3D(true);
    root.SetCtl3D(false);
    root.SetCtl3D(true);
    root.SetCtl3D(false);
    EXPECT_TRUE(a.GetCtl3D());
    EXPECT_FALSE(a.GetParentCtl3D());
}

// Records every drag event of the two boxes in order.
struct DragLog {
    std::vector<std::string> lines;
    bool accept = true;

    void Watch(fw::TControl& c, const std::string& name)
    {
        c.OnStartDrag = [this, name](fw::TObject*, fw::TObject*&) { lines.push_back(name + " start"); };
        c.OnDragOver = [this, name](fw::TObject*, fw::TObject*, int32_t x, int32_t y, fw::TDragState s, bool& acc) {
            static const char* const states[] = {"enter", "leave", "move"};
            lines.push_back(name + " " + states[s] + " " + std::to_string(x) + "," + std::to_string(y));
            acc = accept;
        };
        c.OnDragDrop = [this, name](fw::TObject*, fw::TObject* source, int32_t x, int32_t y) {
            lines.push_back(name + " drop " + static_cast<fw::TComponent*>(source)->GetName() + " " +
                            std::to_string(x) + "," + std::to_string(y));
        };
        c.OnEndDrag = [this, name](fw::TObject*, fw::TObject* target, int32_t x, int32_t y) {
            lines.push_back(name + " end " + (target ? static_cast<fw::TComponent*>(target)->GetName() : "-") +
                            " " + std::to_string(x) + "," + std::to_string(y));
        };
    }
};

TEST_F(ControlMembers, ADragReportsEnterMoveLeaveDropAndEnd)
{
    a.SetName("A");
    b.SetName("B");
    DragLog log;
    log.Watch(a, "a");
    log.Watch(b, "b");
    fw::DragSession::Begin(&a);
    fw::DragSession::Move(&a, 5, 5);
    fw::DragSession::Move(&b, 1, 2);
    fw::DragSession::Move(&b, 3, 4);
    fw::DragSession::Drop();
    EXPECT_FALSE(fw::DragSession::Active());
    EXPECT_EQ(log.lines, (std::vector<std::string> {"a start", "a enter 5,5", "a leave 5,5", "b enter 1,2",
                                                    "b move 3,4", "b leave 3,4", "b drop A 3,4", "a end B 3,4"}));
}

TEST_F(ControlMembers, NoDropWithoutATakerAndEscapeCancels)
{
    a.SetName("A");
    DragLog log;
    log.Watch(a, "a");
    log.accept = false;
    b.OnDragDrop = [&](fw::TObject*, fw::TObject*, int32_t, int32_t) { log.lines.push_back("b drop"); };
    fw::DragSession::Begin(&a);
    fw::DragSession::Move(&b, 1, 1); // b has no OnDragOver: it takes nothing
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    fw::DragSession::Drop();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    b.SetEnabled(false);
    log.accept = true;
    log.Watch(b, "b");
    fw::DragSession::Begin(&a);
    fw::DragSession::Move(&b, 1, 1); // disabled: no target
    fw::DragSession::Move(&a, 2, 2);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    QTest::keyClick(a.Widget(), Qt::Key_Escape);
    EXPECT_FALSE(fw::DragSession::Active());
    EXPECT_EQ(log.lines, (std::vector<std::string> {"a start", "a end - 0,0", "a start", "a enter 2,2",
                                                    "a leave 2,2", "a end - 0,0"}));
}

TEST_F(ControlMembers, AHandlerMayFreeTheTargetOrTheSource)
{
    auto* target = new TBox(nullptr);
    target->SetParent(&root);
    target->OnDragOver = [&](fw::TObject*, fw::TObject*, int32_t, int32_t, fw::TDragState, bool&) { delete target; };
    fw::DragSession::Begin(&a);
    fw::DragSession::Move(target, 1, 1);
    fw::DragSession::Drop();
    EXPECT_FALSE(fw::DragSession::Active());

    auto* source = new TBox(nullptr);
    source->SetParent(&root);
    b.OnDragOver = [&](fw::TObject*, fw::TObject*, int32_t, int32_t, fw::TDragState, bool&) { delete source; };
    bool dropped = false;
    b.OnDragDrop = [&](fw::TObject*, fw::TObject*, int32_t, int32_t) { dropped = true; };
    fw::DragSession::Begin(source);
    fw::DragSession::Move(&b, 1, 1);
    fw::DragSession::Drop();
    EXPECT_FALSE(dropped);
    EXPECT_FALSE(fw::DragSession::Active());
}

TEST_F(ControlMembers, AnAutomaticDragStartsPastTheThresholdAndDropsUnderTheMouse)
{
    a.SetName("A");
    b.SetName("B");
    a.SetDragMode(fw::dmAutomatic);
    DragLog log;
    log.Watch(a, "a");
    log.Watch(b, "b");
    bool clicked = false;
    a.OnClick = [&](fw::TObject*) { clicked = true; };
    ASSERT_TRUE(QTest::qWaitForWindowExposed(root.Widget()));
    QWidget* w = a.Widget();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(w, QPoint(12, 11)); // under the threshold
    EXPECT_FALSE(fw::DragSession::Active());
    const QPoint overB = w->mapFromGlobal(b.Widget()->mapToGlobal(QPoint(20, 15)));
    QTest::mouseMove(w, overB);
    EXPECT_TRUE(fw::DragSession::Active());
    QTest::mouseRelease(w, Qt::LeftButton, {}, overB);
    EXPECT_FALSE(fw::DragSession::Active());
    EXPECT_FALSE(clicked);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.front(), "a start");
    EXPECT_EQ(log.lines.back(), "a end B 20,15");
    EXPECT_NE(std::find(log.lines.begin(), log.lines.end(), "b drop A 20,15"), log.lines.end());
}

TEST(ListBoxMembers, TheEngineSetsTheMenuAndTheDragByName)
{
    e3::Te3_ListBox list(nullptr);
    auto* menu = new e3::Te3_PopupMenu(nullptr);
    const fw::TClassInfo& info = list.ClassType();
    info.FindProperty("popupmenu")->set(list, static_cast<fw::TObject*>(menu));
    info.FindProperty("DRAGMODE")->set(list, int64_t {fw::DragModeType.OrdinalOf("dmAutomatic")});
    info.FindProperty("BiDiMode")->set(list, int64_t {fw::bdRightToLeft});
    EXPECT_EQ(list.GetDragMode(), fw::dmAutomatic);
    EXPECT_EQ(list.Widget()->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(std::get<fw::TObject*>(info.FindProperty("PopupMenu")->get(list)), menu);
    delete menu;
    EXPECT_EQ(std::get<fw::TObject*>(info.FindProperty("PopupMenu")->get(list)), nullptr);
}

} // namespace
