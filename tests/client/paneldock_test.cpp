#include "client/ClientForm.h"
#include "e3/containers/Panel.h"
#include "e3/dock/DockTree.h"
#include "framework/Docking.h"

#include <QTest>
#include <functional>
#include <utility>
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

    // Drags the form by its caption bar from the panel it is in to a point of
    // another panel's client area (or, with none, below the form).
    auto drag = [&](Te3_Panel* from, Te3_Panel* to) {
        QWidget* layer = dynamic_cast<e3::Tg3DockTree*>(from->DockManager())->Layer();
        const QPoint target =
            to ? layer->mapFromGlobal(to->ClientWidget()->mapToGlobal(QPoint {100, 20})) : QPoint {40, 600};
        QTest::mousePress(layer, Qt::LeftButton, Qt::NoModifier, {40, 5});
        QTest::mouseMove(layer, {50, 5});
        QTest::mouseMove(layer, target);
        QTest::mouseRelease(layer, Qt::LeftButton, Qt::NoModifier, target);
    };

    // Back and forth: each panel grows by exactly what the form had before it
    // was first docked (200 - 50), whatever the caption bars took meanwhile.
    for (int move = 0; move < 4; ++move) {
        SCOPED_TRACE(move);
        Te3_Panel* from = move % 2 == 0 ? panel : other;
        Te3_Panel* to = move % 2 == 0 ? other : panel;
        drag(from, to);
        EXPECT_EQ(docked.Parent(), to);
        EXPECT_EQ(from->GetHeight(), 50);
        EXPECT_EQ(to->GetHeight(), 200);
        EXPECT_EQ(docked.GetHeight(), to->ClientHeight() - 18);
        EXPECT_EQ(dynamic_cast<e3::Tg3DockTree*>(from->DockManager())->FindControlZone(&docked), nullptr);
    }

    // Out of every panel: it floats and the panel is small again.
    drag(panel, nullptr);
    EXPECT_EQ(docked.Parent(), nullptr);
    EXPECT_EQ(panel->GetHeight(), 50);
    EXPECT_EQ(other->GetHeight(), 50);
}

TEST_F(PanelDockManager, ManualDockFromPanelToPanelKeepsTheHeightFromBeforeDocking)
{
    holder.SetResizeDock(true);
    auto* other = new Te3_Panel(&holder);
    other->SetParent(&holder);
    other->SetName("Other");
    other->SetBounds(0, 250, 400, 50);
    other->SetDockSite(true);
    Write(docked, "_ManualDock", "Site<|>3");
    docked.SetVisible(true);
    ASSERT_EQ(holder.GetHeight(), 450);

    // Each move: the panel left gives its growth back, the one entered grows
    // by as much, and the holding form's height stays where it is.
    for (const char* site : {"Other", "Site", "Other", "Other", "Site"}) {
        SCOPED_TRACE(site);
        Write(docked, "_ManualDock", std::string(site) + "<|>3");
        Te3_Panel* to = std::string(site) == "Site" ? panel : other;
        Te3_Panel* left = to == panel ? other : panel;
        EXPECT_EQ(docked.Parent(), to);
        EXPECT_EQ(to->GetHeight(), 200);
        EXPECT_EQ(left->GetHeight(), 50);
        EXPECT_EQ(holder.GetHeight(), 450);
    }
}

TEST_F(PanelDockManager, AFormMovedPanelToPanelFloatsAtItsSizeFromBeforeDocking)
{
    holder.SetHeight(400);
    auto* other = new Te3_Panel(&holder);
    other->SetParent(&holder);
    other->SetName("Other");
    other->SetBounds(0, 250, 400, 50);
    other->SetDockSite(true);
    Te3_ClientForm beside(nullptr);
    beside.SetBounds(0, 0, 150, 120);
    Write(beside, "_ManualDock", "Other<|>3");
    beside.SetVisible(true);
    holder.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(holder.Widget()));

    // Floated from its caption bar by a double click, then by the restore
    // button; in between it is docked again by moves from panel to panel,
    // where it shares the width with another form or has it all.
    using Float = std::function<void(QWidget* layer, Te3_Panel* site)>;
    const std::pair<const char*, Float> floats[] {
        {"double click",
         [](QWidget* layer, Te3_Panel*) {
             QTest::mouseDClick(layer, Qt::LeftButton, Qt::NoModifier, QPoint(40, 5));
         }},
        {"restore button",
         [](QWidget* layer, Te3_Panel* site) {
             QTest::mouseClick(layer, Qt::LeftButton, Qt::NoModifier, QPoint(site->ClientWidth() - 20, 5));
         }},
    };
    for (const auto& [how, floatIt] : floats) {
        SCOPED_TRACE(how);
        for (const char* site : {"Site", "Other", "Site", "Other", "Site"}) {
            Write(docked, "_ManualDock", std::string(site) + "<|>3");
            docked.SetVisible(true);
        }
        ASSERT_EQ(docked.Parent(), panel);
        ASSERT_EQ(docked.GetHeight(), panel->ClientHeight() - 18);
        ASSERT_NE(docked.GetWidth(), 300);
        // Into the panel that holds the other form and out again: it shares
        // that panel's width and gets its size back all the same.
        Write(docked, "_ManualDock", "Other<|>3");
        docked.SetVisible(true);
        ASSERT_EQ(docked.Parent(), other);
        ASSERT_LT(docked.GetWidth(), other->ClientWidth());
        ASSERT_EQ(docked.GetLeft(), 0);
        Write(docked, "_ManualDock", "Site<|>3");
        docked.SetVisible(true);
        ASSERT_EQ(docked.Parent(), panel);

        floatIt(dynamic_cast<e3::Tg3DockTree*>(panel->DockManager())->Layer(), panel);
        EXPECT_EQ(docked.Parent(), nullptr);
        EXPECT_EQ(Tree()->FindControlZone(&docked), nullptr);
        EXPECT_EQ(docked.GetWidth(), 300);
        EXPECT_EQ(docked.GetHeight(), 200);
        EXPECT_EQ(panel->GetHeight(), 50);
    }
}

} // namespace
