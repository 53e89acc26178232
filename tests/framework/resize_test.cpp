// The questions a control asks before it takes a new size: OnCanResize may
// change or refuse the size, OnConstrainedResize may change the limits, and a
// handler may free the control.
#include "framework/Control.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <string>
#include <vector>

using namespace fw;

namespace {

struct Resize : ::testing::Test {
    TWinControl root {nullptr};
    TWinControl* control = nullptr;
    Resize()
    {
        control = new TWinControl(&root);
        control->SetParent(&root);
        control->SetBounds(10, 20, 100, 50);
    }
    std::string Bounds() const
    {
        return std::to_string(control->GetLeft()) + "," + std::to_string(control->GetTop()) + " " +
               std::to_string(control->GetWidth()) + "x" + std::to_string(control->GetHeight());
    }
};

TEST_F(Resize, CanResizeSeesTheNewSizeAndMayChangeOrRefuseIt)
{
    struct Case {
        int32_t askW, askH; // what the handler answers (-1: leave)
        bool allow;
        const char* bounds;
    };
    const Case cases[] = {
        {-1, -1, true, "5,6 200x80"},
        {150, -1, true, "5,6 150x80"},
        {-1, -1, false, "10,20 100x50"}, // refused: neither size nor place change
    };
    for (const Case& c : cases) {
        control->OnCanResize = nullptr;
        control->SetBounds(10, 20, 100, 50);
        std::vector<std::string> seen;
        control->OnCanResize = [&](TObject* sender, int32_t& w, int32_t& h, bool& resize) {
            EXPECT_EQ(sender, control);
            seen.push_back(std::to_string(w) + "x" + std::to_string(h));
            if (c.askW >= 0)
                w = c.askW;
            if (c.askH >= 0)
                h = c.askH;
            resize = c.allow;
        };
        control->SetBounds(5, 6, 200, 80);
        EXPECT_EQ(Bounds(), c.bounds);
        EXPECT_EQ(seen, std::vector<std::string>{"200x80"});
    }
    // A move alone asks nothing.
    int calls = 0;
    control->OnCanResize = [&](TObject*, int32_t&, int32_t&, bool&) { ++calls; };
    control->SetBounds(1, 2, control->GetWidth(), control->GetHeight());
    EXPECT_EQ(calls, 0);
}

TEST_F(Resize, ConstrainedResizeStartsFromTheConstraintsAndItsLimitsHold)
{
    control->GetConstraints()->SetMaxWidth(300);
    control->GetConstraints()->SetMinHeight(40);
    std::vector<int32_t> seen;
    control->OnConstrainedResize = [&](TObject*, int32_t& minW, int32_t& minH, int32_t& maxW, int32_t& maxH) {
        seen = {minW, minH, maxW, maxH};
        maxW = 250;
        maxH = 60;
    };
    control->SetBounds(10, 20, 400, 90);
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 40, 300, 0}));
    EXPECT_EQ(Bounds(), "10,20 250x60");
    // The changed limits hold for that one change; the constraints stay.
    control->OnConstrainedResize = nullptr;
    control->SetBounds(10, 20, 400, 10);
    EXPECT_EQ(Bounds(), "10,20 300x40");
}

// The engine frees a control through Release while its event runs: the change
// ends there, and the control leaves its parent at once.
TEST_F(Resize, AHandlerThatFreesTheControlEndsTheChange)
{
    Guard<TWinControl> watched(control);
    {
        HandlerScope scope;
        TWinControl* doomed = control;
        control->OnCanResize = [doomed](TObject*, int32_t&, int32_t&, bool&) { doomed->Release(); };
        doomed->SetBounds(0, 0, 300, 300);
        EXPECT_FALSE(watched);
        EXPECT_TRUE(root.ChildControls().empty());
    }
    TComponent::DeleteReleased();
}

} // namespace
