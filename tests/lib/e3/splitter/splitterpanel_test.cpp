#include "../TestContainer.h"
#include "e3/containers/Panel.h"
#include "e3/splitter/SplitterPanel.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using e3test::OrdinalByName;
using e3test::WriteByName;

TEST(SplitterDotsTest, ThreeDotsAcrossTheMiddleOfTheBar)
{
    using R = QRect;
    const auto r = [](int l, int t, int rr, int b) { return R(QPoint(l, t), QPoint(rr - 1, b - 1)); };
    const struct {
        e3::TSplitterStyle style;
        int width, height;
        std::array<QRect, 3> dots;
    } cases[] = {
        {e3::TSplitterStyle::stVertical, 3, 100, {r(0, 46, 2, 48), r(0, 49, 2, 51), r(0, 52, 2, 54)}},
        {e3::TSplitterStyle::stVertical, 4, 41, {r(1, 16, 3, 18), r(1, 19, 3, 21), r(1, 22, 3, 24)}},
        {e3::TSplitterStyle::stHorizontal, 200, 3, {r(96, 0, 98, 2), r(99, 0, 101, 2), r(102, 0, 104, 2)}},
    };
    for (const auto& c : cases) {
        const auto dots = e3::SplitterDots(c.style, c.width, c.height);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(dots[i], c.dots[i]) << static_cast<int>(c.style) << " " << c.width << "x" << c.height << " dot " << i;
            EXPECT_EQ(dots[i].width(), 2);
            EXPECT_EQ(dots[i].height(), 2);
        }
    }
}

class SplitterPanelTest : public ::testing::Test {
protected:
    SplitterPanelTest()
    {
        panel = new e3::Te3_SplitterPanel(&root);
        panel->SetParent(&root);
        panel->SetBounds(0, 0, 300, 200);
        first = new e3::Te3_Panel(&root);
        first->SetParent(panel);
        first->SetBounds(0, 0, 100, 100);
        second = new e3::Te3_Panel(&root);
        second->SetParent(panel);
    }

    e3test::TestContainer root {nullptr};
    e3::Te3_SplitterPanel* panel;
    e3::Te3_Panel* first;
    e3::Te3_Panel* second;
};

TEST_F(SplitterPanelTest, StylesPlaceTheBarBetweenTheControls)
{
    EXPECT_EQ(OrdinalByName(*panel, "SplitterThickNess"), 3);
    EXPECT_EQ(OrdinalByName(*panel, "TopLeftLimit"), 20);
    EXPECT_EQ(OrdinalByName(*panel, "BottomRightLimit"), 20);
    e3::TDotRxSplitter* bar = panel->Splitter();

    WriteByName(*panel, "SplitterStyle", static_cast<int64_t>(e3::TSplitterStyle::stVertical));
    panel->SetControlFirst(first);
    EXPECT_FALSE(bar->GetVisible()) << "the second control is missing";
    panel->SetControlSecond(second);
    ASSERT_TRUE(bar->GetVisible());
    EXPECT_EQ(first->GetAlign(), fw::alLeft);
    EXPECT_EQ(second->GetAlign(), fw::alClient);
    EXPECT_EQ(bar->GetLeft(), 100);
    EXPECT_EQ(bar->GetWidth(), 3);
    EXPECT_EQ(second->GetLeft(), 103);
    EXPECT_EQ(second->GetWidth(), 197);

    WriteByName(*panel, "SplitterThickNess", int64_t {6});
    WriteByName(*panel, "SplitterStyle", static_cast<int64_t>(e3::TSplitterStyle::stHorizontal));
    EXPECT_EQ(first->GetAlign(), fw::alTop);
    EXPECT_EQ(bar->GetTop(), first->GetHeight());
    EXPECT_EQ(bar->GetHeight(), 6);
    EXPECT_EQ(second->GetTop(), first->GetHeight() + 6);

    WriteByName(*panel, "SplitterStyle", static_cast<int64_t>(e3::TSplitterStyle::stNone));
    EXPECT_FALSE(bar->GetVisible());

    // Only the panel's own children can be its controls.
    e3::Te3_Panel stranger(&root);
    panel->SetControlFirst(&stranger);
    EXPECT_EQ(panel->GetControlFirst(), first);
    panel->SetControlFirst(nullptr);
    EXPECT_EQ(panel->GetControlFirst(), nullptr);
}

// After the panel changes size the first control is brought back between the
// two limits.
TEST_F(SplitterPanelTest, ResizingKeepsTheFirstControlWithinTheLimits)
{
    panel->SetSplitterStyle(e3::TSplitterStyle::stVertical);
    panel->SetControlFirst(first);
    panel->SetControlSecond(second);
    panel->SetTopLeftLimit(50);
    panel->SetBottomRightLimit(40);
    const struct {
        int firstWidth;
        int panelWidth;
        int borderWidth;
        int expected;
    } cases[] = {
        {100, 300, 0, 100}, // within
        {30, 300, 0, 50},   // below the left limit
        {50, 300, 0, 50},   // at the left limit
        {280, 300, 0, 257}, // leaves too little for the second
        {100, 120, 0, 77},  // the panel shrank
        {100, 60, 0, 50},   // no room for both: the left limit wins
        {30, 300, 5, 45},   // the border counts
    };
    for (const auto& c : cases) {
        panel->SetBorderWidth(c.borderWidth);
        first->SetWidth(c.firstWidth);
        panel->SetWidth(c.panelWidth + 1);
        first->SetWidth(c.firstWidth);
        panel->SetWidth(c.panelWidth);
        EXPECT_EQ(first->GetWidth(), c.expected) << c.firstWidth << " in " << c.panelWidth;
    }
}

TEST_F(SplitterPanelTest, DraggingTheBarResizesTheFirstControlWithinTheLimits)
{
    panel->SetSplitterStyle(e3::TSplitterStyle::stVertical);
    panel->SetControlFirst(first);
    panel->SetControlSecond(second);
    root.SetBounds(0, 0, 300, 200);
    root.Widget()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(root.Widget()));
    QWidget* bar = panel->Splitter()->Widget();
    const auto drag = [&](int dx) {
        const QPoint at(1, 50);
        QTest::mousePress(bar, Qt::LeftButton, {}, at);
        QMouseEvent move(QEvent::MouseMove, QPointF(at.x() + dx, at.y()), bar->mapToGlobal(QPointF(at.x() + dx, at.y())),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(at.x() + dx, at.y()));
    };
    drag(40);
    EXPECT_EQ(first->GetWidth(), 140);
    EXPECT_EQ(panel->Splitter()->GetLeft(), 140);
    EXPECT_EQ(second->GetLeft(), 143);
    drag(-500);
    EXPECT_EQ(first->GetWidth(), 20);
    drag(500);
    EXPECT_EQ(first->GetWidth(), 300 - 20 - 3);
}

} // namespace
