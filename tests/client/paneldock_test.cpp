#include "client/ClientForm.h"
#include "e3/containers/Panel.h"
#include "e3/dock/DockTree.h"
#include "framework/Docking.h"

#include <QTest>
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

// The same panel as the main form's dock site with the client's dock manager.
class PanelDockManager : public PanelDock {
protected:
    PanelDockManager()
    {
        fw::SetDefaultDockManagerClass(
            [](fw::TWinControl& site) -> std::unique_ptr<fw::IDockManager> {
                return std::make_unique<e3::Tg3DockTree>(site);
            });
        fw::TCustomForm::SetMainForm(&holder);
        panel->SetName("Site");
        panel->SetDockSite(true);
    }
    ~PanelDockManager() override
    {
        fw::TCustomForm::SetMainForm(nullptr);
        fw::SetDefaultDockManagerClass({});
    }
    static void Write(fw::TComponent& component, const std::string& name, const std::string& value)
    {
        const fw::TPropInfo* p = component.ClassType().FindProperty(name);
        ASSERT_NE(p, nullptr) << name;
        p->set(component, value);
    }
    e3::Tg3DockTree* Tree() { return dynamic_cast<e3::Tg3DockTree*>(panel->DockManager()); }
};

TEST_F(PanelDockManager, ManualDockAndFloatGoThroughTheSiteAndItsDockManager)
{
    holder.SetResizeDock(true);
    Write(docked, "_ManualDock", "site<|>4");
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(docked.Parent(), panel);
    EXPECT_NE(Tree()->FindControlZone(&docked), nullptr);
    EXPECT_EQ(panel->GetHeight(), 200);
    EXPECT_EQ(holder.GetHeight(), 450);
    docked.SetVisible(true);
    EXPECT_EQ((std::vector<int32_t> {docked.GetLeft(), docked.GetTop(), docked.GetWidth(), docked.GetHeight()}),
              (std::vector<int32_t> {0, 18, panel->ClientWidth(), panel->ClientHeight() - 18}));

    Te3_ClientForm second(nullptr);
    second.SetBounds(0, 0, 300, 100);
    Write(second, "_ManualDock", "Site<|>1"); // top: beside the first, at its left
    second.SetVisible(true);
    EXPECT_EQ(second.GetLeft(), 0);
    EXPECT_EQ(docked.GetLeft(), panel->ClientWidth() / 2);

    // Hiding gives the height back once no other docked form shows.
    second.SetVisible(false);
    EXPECT_EQ(panel->GetHeight(), 200);
    EXPECT_EQ(docked.GetLeft(), 0);
    docked.SetVisible(false);
    EXPECT_EQ(panel->GetHeight(), 50);
    EXPECT_EQ(holder.GetHeight(), 300);
    docked.SetVisible(true);
    EXPECT_EQ(panel->GetHeight(), 200);
    EXPECT_EQ(holder.GetHeight(), 450);

    Write(docked, "_ManualFloat", "10<|>20<|>310<|>220");
    EXPECT_EQ(docked.Parent(), nullptr);
    EXPECT_EQ(Tree()->FindControlZone(&docked), nullptr);
    EXPECT_EQ(panel->GetHeight(), 50);
    EXPECT_EQ(holder.GetHeight(), 300);
    EXPECT_EQ((std::vector<int32_t> {docked.GetLeft(), docked.GetTop(), docked.GetWidth(), docked.GetHeight()}),
              (std::vector<int32_t> {10, 20, 300, 200}));
}

TEST_F(PanelDockManager, ClientAlignmentDocksOutsideTheZoneTree)
{
    Write(docked, "_ManualDock", "Site");
    EXPECT_EQ(docked.Parent(), panel);
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(Tree()->FindControlZone(&docked), nullptr);
    EXPECT_EQ(panel->GetHeight(), 200);
}

TEST_F(PanelDockManager, APanelThatIsNoDockSiteAlignsTheDockedForm)
{
    panel->SetDockSite(false);
    Write(docked, "_ManualDock", "Site<|>3");
    EXPECT_EQ(docked.Parent(), panel);
    EXPECT_EQ(panel->DockManager(), nullptr);
    EXPECT_EQ(docked.GetAlign(), fw::alLeft);
}

TEST_F(PanelDockManager, DraggingTheCaptionMovesTheFormToAnotherPanelThatGrowsAndFloatsItOutside)
{
    holder.SetHeight(400);
    auto* other = new Te3_Panel(&holder);
    other->SetParent(&holder);
    other->SetBounds(0, 250, 400, 50);
    other->SetDockSite(true);
    docked.SetDragKind(fw::dkDock);
    docked.SetDragMode(fw::dmAutomatic);
    Write(docked, "_ManualDock", "Site<|>3");
    docked.SetVisible(true);
    holder.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(holder.Widget()));
    ASSERT_EQ(panel->GetHeight(), 200);
    ASSERT_NE(other->DockManager(), nullptr);

    // From the caption bar in the top panel to the bottom one.
    QWidget* layer = Tree()->Layer();
    auto inLayer = [&](QWidget* w, QPoint p) { return layer->mapFromGlobal(w->mapToGlobal(p)); };
    QTest::mousePress(layer, Qt::LeftButton, Qt::NoModifier, {40, 5});
    QTest::mouseMove(layer, {50, 5});
    const QPoint target = inLayer(other->ClientWidget(), {100, 20});
    QTest::mouseMove(layer, target);
    QTest::mouseRelease(layer, Qt::LeftButton, Qt::NoModifier, target);
    EXPECT_EQ(docked.Parent(), other);
    EXPECT_EQ(panel->GetHeight(), 50);
    EXPECT_GT(other->GetHeight(), 50); // the panel grows to the height the form comes with
    EXPECT_EQ(Tree()->FindControlZone(&docked), nullptr);

    // Out of every panel: it floats and the bottom panel is small again.
    QWidget* otherLayer = dynamic_cast<e3::Tg3DockTree*>(other->DockManager())->Layer();
    QTest::mousePress(otherLayer, Qt::LeftButton, Qt::NoModifier, {40, 5});
    QTest::mouseMove(otherLayer, {50, 5});
    QTest::mouseMove(otherLayer, {40, 600});
    QTest::mouseRelease(otherLayer, Qt::LeftButton, Qt::NoModifier, {40, 600});
    EXPECT_EQ(docked.Parent(), nullptr);
    EXPECT_EQ(other->GetHeight(), 50);
}

} // namespace
