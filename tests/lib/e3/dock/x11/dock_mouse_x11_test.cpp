// Real mouse input through a private X server: a docked form dragged by its
// caption bar to another dock site, and out of every site to float.
#include "DockSites.h"
#include "X11Session.h"

#include "support/ChildProcess.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using e3test::TDockForm;
using e3test::TDockPanel;

namespace {

class DockMouseX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!e3test::X11SkipReason().empty())
            GTEST_SKIP() << "no X server for real mouse input: " << e3test::X11SkipReason();
        window.SetBounds(0, 0, 640, 360);
        left = Site(0);
        right = Site(320);
        a = Dock(left, "A");
        b = Dock(left, "B");
        c = Dock(right, "C");
        window.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget(), 30000));
    }
    TDockPanel* Site(int32_t x) { return e3test::NewDockPanel(window, x); }
    TDockForm* Dock(TDockPanel* site, const std::string& name) { return e3test::DockDraggable(window, *site, name); }
    // Presses at from, moves a little and then to each point, lets go at the last.
    void DragWithTheMouse(QPoint from, const std::vector<QPoint>& to)
    {
        std::vector<std::string> command {"xdotool", "mousemove", "--sync", std::to_string(from.x()),
                                          std::to_string(from.y()), "mousedown", "1"};
        for (const QPoint& p : to)
            for (const std::string& arg : {std::string("mousemove"), std::string("--sync"), std::to_string(p.x()),
                                           std::to_string(p.y())})
                command.push_back(arg);
        command.push_back("mouseup");
        command.push_back("1");
        ASSERT_EQ(e3test::RunProgram(command).first, 0);
    }
    QPoint Global(TDockPanel* site, int x, int y) const { return site->manager->Layer()->mapToGlobal(QPoint(x, y)); }

    fw::TCustomForm window {nullptr};
    TDockPanel* left = nullptr;
    TDockPanel* right = nullptr;
    TDockForm* a = nullptr;
    TDockForm* b = nullptr;
    TDockForm* c = nullptr;
};

TEST_F(DockMouseX11, ACaptionDraggedToTheOtherSiteDocksThere)
{
    const QPoint from = Global(left, 40, 5);
    DragWithTheMouse(from, {from + QPoint(10, 0), from + QPoint(60, 60), Global(right, 220, 100)});
    ASSERT_TRUE(QTest::qWaitFor([this] { return a->Parent() == right; }, 20000)) << "A was not docked";
    EXPECT_FALSE(left->manager->DockDragging());
    EXPECT_EQ(c->GetLeft(), 0);
    EXPECT_EQ(a->GetLeft(), 150); // the right half of C
    EXPECT_EQ(b->GetWidth(), 300);
}

TEST_F(DockMouseX11, ACaptionDraggedOutOfEverySiteFloatsWhereItWasLetGo)
{
    const QPoint from = Global(left, 40, 5);
    const QPoint drop = Global(left, 200, 500); // below the window
    DragWithTheMouse(from, {from + QPoint(10, 0), from + QPoint(60, 100), drop});
    ASSERT_TRUE(QTest::qWaitFor([this] { return a->Parent() == nullptr; }, 20000)) << "A did not float";
    EXPECT_EQ(a->GetLeft(), drop.x() - 40);
    EXPECT_EQ(a->GetTop(), drop.y() + 13); // the press was 13 pixels above its body
    EXPECT_EQ(b->GetWidth(), 300);
}

} // namespace
