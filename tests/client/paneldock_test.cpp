#include "client/ClientForm.h"
#include "e3/containers/Panel.h"

#include <gtest/gtest.h>

namespace {

using client::Te3_ClientForm;
using e3::Te3_Panel;

// A client form holding a 50-pixel dock panel, and a form to dock into it.
class PanelDock : public ::testing::Test {
protected:
    PanelDock()
    {
        holder.SetBounds(0, 0, 400, 300);
        panel = new Te3_Panel(&holder);
        panel->SetParent(&holder);
        panel->SetBounds(0, 0, 400, 50);
        docked.SetBounds(0, 0, 300, 200);
    }

    Te3_ClientForm holder {nullptr};
    Te3_Panel* panel;
    Te3_ClientForm docked {nullptr};
};

TEST_F(PanelDock, GrowsWithTheDockedFormAndGivesItBack)
{
    for (bool resizeDock : {false, true}) {
        SCOPED_TRACE(resizeDock);
        holder.SetResizeDock(resizeDock);
        const int32_t formHeight = holder.GetHeight();
        panel->DockDrop(docked, 0, 0);
        EXPECT_EQ(docked.Parent(), panel);
        EXPECT_EQ(panel->GetHeight(), 200);
        EXPECT_EQ(holder.GetHeight(), formHeight + (resizeDock ? 150 : 0));
        ASSERT_TRUE(panel->DoUnDock(nullptr, docked));
        EXPECT_EQ(docked.Parent(), nullptr);
        EXPECT_EQ(panel->GetHeight(), 50);
        EXPECT_EQ(holder.GetHeight(), formHeight);
    }
}

TEST_F(PanelDock, AnotherVisibleChildKeepsTheGrownHeight)
{
    panel->DockDrop(docked, 0, 0);
    Te3_Panel other(nullptr);
    other.SetParent(panel);
    e3::RestorePanelHeight(*panel, docked);
    EXPECT_EQ(panel->GetHeight(), 200);
    other.SetVisible(false);
    e3::RestorePanelHeight(*panel, docked);
    EXPECT_EQ(panel->GetHeight(), 50);
}

TEST_F(PanelDock, RestoringAPanelThatNeverHadADockedFormKeepsItsHeight)
{
    holder.SetResizeDock(true);
    const int32_t formHeight = holder.GetHeight();
    ASSERT_EQ(panel->HeightBeforeDocking(), -1);
    e3::RestorePanelHeight(*panel, docked);
    EXPECT_EQ(panel->GetHeight(), 50);
    EXPECT_EQ(holder.GetHeight(), formHeight);
}

TEST_F(PanelDock, UnDockHandlerMayRefuse)
{
    panel->DockDrop(docked, 0, 0);
    panel->OnUnDock = [](fw::TObject*, fw::TObject*, fw::TObject*, bool& allow) { allow = false; };
    EXPECT_FALSE(panel->DoUnDock(nullptr, docked));
    EXPECT_EQ(docked.Parent(), panel);
    EXPECT_EQ(panel->GetHeight(), 200);
}

} // namespace
