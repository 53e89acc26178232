#include "../TestContainer.h"
#include "e3/edits/Edit.h"
#include "e3/containers/Panel.h"

#include <QApplication>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace {

using e3::Te3_Edit;
using e3::Te3_Panel;
using e3test::OrdinalByName;
using e3test::WriteByName;

// Stands in for the code and text combo box, which owns its edit part.
class Te3_CComboBox : public fw::TWinControl {
    FW_CLASS()
public:
    using fw::TWinControl::TWinControl;
};

const fw::TClassInfo& Te3_CComboBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3_CComboBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

// root (no Enabling) > outer panel > {edit, inner panel > {edit2, plain}, combo edit part}
class PanelCascade : public ::testing::Test {
protected:
    PanelCascade()
    {
        outer = new Te3_Panel(&root);
        outer->SetName("Outer");
        outer->SetParent(&root);
        edit = new Te3_Edit(&root);
        edit->SetName("Edit");
        edit->SetParent(outer);
        inner = new Te3_Panel(&root);
        inner->SetName("Inner");
        inner->SetParent(outer);
        edit2 = new Te3_Edit(&root);
        edit2->SetName("Edit2");
        edit2->SetParent(inner);
        plain = new fw::TWinControl(&root);
        plain->SetParent(inner);
        combo = new Te3_CComboBox(&root);
        combo->SetParent(outer);
        comboEdit = new Te3_Edit(combo);
        comboEdit->SetParent(outer);
    }

    // Enabled of each control, read by name as the engine reads it.
    std::string EnabledStates()
    {
        std::string s;
        for (fw::TObject* c : std::initializer_list<fw::TObject*> {outer, edit, inner, edit2})
            s += OrdinalByName(*c, "Enabled") ? '1' : '0';
        s += plain->GetEnabled() ? '1' : '0';
        return s;
    }

    fw::TWinControl root {nullptr};
    Te3_Panel* outer;
    Te3_Edit* edit;
    Te3_Panel* inner;
    Te3_Edit* edit2;
    fw::TWinControl* plain;
    Te3_CComboBox* combo;
    Te3_Edit* comboEdit;
};

TEST_F(PanelCascade, EnabledFollowsTheContainersAndKeepsEachWish)
{
    struct Step {
        const char* target; // by name, as the engine names it
        bool value;
        const char* expected; // outer, edit, inner, edit2, plain
    } steps[] = {
        {"Outer", false, "00000"},
        {"Outer", true, "11111"},
        // The engine disables the inner panel itself: it stays off through
        // a pass of the outer one.
        {"Inner", false, "11000"},
        {"Outer", false, "00000"},
        {"Outer", true, "11000"},
        // Enabling the inner panel inside a disabled outer one only records the wish.
        {"Outer", false, "00000"},
        {"Inner", true, "00000"},
        {"Outer", true, "11111"},
        // An edit's own wish survives both panels.
        {"Edit2", false, "11101"},
        {"Outer", false, "00000"},
        {"Outer", true, "11101"},
    };
    int i = 0;
    for (const Step& s : steps) {
        WriteByName(*root.FindComponent(s.target), "Enabled", int64_t {s.value});
        EXPECT_EQ(EnabledStates(), s.expected) << "step " << i;
        EXPECT_EQ(OrdinalByName(*outer, "Enabling"), 0) << "step " << i;
        ++i;
    }
}

TEST_F(PanelCascade, ChildrenSeeEnablingWhileThePanelPassesAChange)
{
    std::vector<int64_t> seen;
    // A child that reads its parent's Enabling when its own Enabled changes.
    struct Probe : fw::TWinControl {
        using fw::TWinControl::TWinControl;
        std::vector<int64_t>* seen = nullptr;
        void SetEnabled(bool v) override
        {
            seen->push_back(OrdinalByName(*Parent(), "Enabling"));
            fw::TWinControl::SetEnabled(v);
        }
    };
    auto* probe = new Probe(&root);
    probe->seen = &seen;
    probe->SetParent(outer);
    WriteByName(*outer, "Enabled", int64_t {0});
    WriteByName(*outer, "LockedEdit", int64_t {1});
    EXPECT_EQ(seen, (std::vector<int64_t> {1}));
    EXPECT_EQ(OrdinalByName(*outer, "Enabling"), 0);
    EXPECT_FALSE(Te3_Panel::StaticClass().FindProperty("Enabling")->IsWritable());
}

TEST_F(PanelCascade, LockedEditReachesPublishingChildrenOnly)
{
    WriteByName(*outer, "LockedEdit", int64_t {1});
    EXPECT_EQ(OrdinalByName(*edit, "LockedEdit"), 1);
    EXPECT_EQ(OrdinalByName(*edit, "ReadOnly"), 1);
    EXPECT_EQ(OrdinalByName(*inner, "LockedEdit"), 1);
    EXPECT_EQ(OrdinalByName(*edit2, "LockedEdit"), 1);
    EXPECT_TRUE(plain->GetEnabled());
    WriteByName(*outer, "LockedEdit", int64_t {0});
    EXPECT_EQ(OrdinalByName(*edit, "ReadOnly"), 0);
    EXPECT_EQ(OrdinalByName(*edit2, "LockedEdit"), 0);
}

TEST_F(PanelCascade, TheEditPartOfACodeComboBoxIsLeftToItsComboBox)
{
    WriteByName(*outer, "Enabled", int64_t {0});
    WriteByName(*outer, "LockedEdit", int64_t {1});
    EXPECT_EQ(OrdinalByName(*comboEdit, "Enabled"), 1);
    EXPECT_EQ(OrdinalByName(*comboEdit, "LockedEdit"), 0);
    // Any other edit owned elsewhere is passed the change.
    EXPECT_EQ(OrdinalByName(*edit, "Enabled"), 0);
}

// The caption is drawn in grey whenever the panel's own Enabled is off, also
// while Qt has it disabled anyway through a parent: each change of our state
// has to reach the screen, whether Qt asked for the repaint or we did.
TEST(Panel, EveryChangeOfItsEnabledIsRepainted)
{
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    };
    // A window that takes no part in the cascade.
    struct Window : fw::TWinControl {
        Window() : fw::TWinControl(nullptr) { SetWidget(new QWidget); }
    } root;
    root.SetBounds(0, 0, 300, 200);
    auto* outer = new Te3_Panel(&root);
    outer->SetParent(&root);
    outer->SetBounds(0, 0, 300, 200);
    auto* inner = new Te3_Panel(&root);
    inner->SetParent(outer);
    inner->SetBounds(10, 10, 200, 50);
    inner->SetText("Caption");
    root.Widget()->show();
    QApplication::processEvents();
    PaintCounter counter;
    inner->Widget()->installEventFilter(&counter);

    struct Step {
        const char* what;
        fw::TControl* target;
        bool value;
        bool innerEnabled; // our state afterwards
        bool qtEnabled;    // Qt's state afterwards
    } steps[] = {
        {"outer off: Qt disables the inner panel with it", outer, false, false, false},
        {"outer on", outer, true, true, true},
        {"root off: Qt alone", &root, false, true, false},
        {"outer off inside the disabled root: only our state changes", outer, false, false, false},
        {"outer on inside the disabled root", outer, true, true, false},
        {"root on", &root, true, true, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        counter.paints = 0;
        s.target->SetEnabled(s.value);
        QApplication::processEvents();
        EXPECT_EQ(inner->GetEnabled(), s.innerEnabled);
        EXPECT_EQ(inner->Widget()->isEnabled(), s.qtEnabled);
        EXPECT_GE(counter.paints, 1);
    }
}

TEST(Panel, MarkerCornersAndColour)
{
    fw::TWinControl root(nullptr);
    Te3_Panel panel(nullptr);
    panel.SetBounds(0, 0, 100, 40);
    WriteByName(panel, "MnShow", int64_t {1});
    EXPECT_FALSE(panel.Marker().IsDrawn()); // no parent yet
    panel.SetParent(&root);
    ASSERT_TRUE(panel.Marker().IsDrawn());
    const auto c = panel.Marker().Corners();
    EXPECT_EQ(c[0], QPoint(90, 1));
    EXPECT_EQ(c[1], QPoint(95, 1));
    EXPECT_EQ(c[2], QPoint(95, 6));
    EXPECT_EQ(panel.Marker().DrawnColor(), fw::clRed);
    WriteByName(panel, "MnWidth", int64_t {10});
    WriteByName(panel, "MnHeight", int64_t {3});
    WriteByName(panel, "MnColor", int64_t {fw::clBlue});
    EXPECT_EQ(panel.Marker().Corners()[0], QPoint(85, 1));
    EXPECT_EQ(panel.Marker().Corners()[2], QPoint(95, 4));
    EXPECT_EQ(panel.Marker().DrawnColor(), fw::clBlue);
    WriteByName(panel, "Enabled", int64_t {0});
    EXPECT_EQ(panel.Marker().DrawnColor(), e3::MarkerDisabledColor);
}

// The marker's settings and the panel's state count from the start, also when
// its overlay is made only once the triangle is to be drawn.
TEST(Panel, MarkerSettingsMadeBeforeItIsDrawnAreKept)
{
    fw::TWinControl root(nullptr);
    Te3_Panel panel(nullptr);
    panel.SetBounds(0, 0, 100, 40);
    WriteByName(panel, "MnWidth", int64_t {10});
    WriteByName(panel, "MnHeight", int64_t {3});
    WriteByName(panel, "MnColor", int64_t {fw::clBlue});
    WriteByName(panel, "MnShow", int64_t {1});
    EXPECT_EQ(OrdinalByName(panel, "MnWidth"), 10);
    EXPECT_EQ(OrdinalByName(panel, "MnColor"), fw::clBlue);
    panel.SetParent(&root);
    panel.SetEnabled(false);
    const auto overlays = panel.Widget()->findChildren<e3::MandatoryMarker*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(overlays.size(), 1);
    EXPECT_EQ(overlays[0], &panel.Marker());
    EXPECT_TRUE(panel.Marker().IsDrawn());
    EXPECT_FALSE(panel.Marker().isHidden());
    EXPECT_EQ(panel.Marker().Corners()[0], QPoint(85, 1));
    EXPECT_EQ(panel.Marker().Corners()[2], QPoint(95, 4));
    EXPECT_EQ(panel.Marker().DrawnColor(), e3::MarkerDisabledColor);
    panel.SetEnabled(true);
    EXPECT_EQ(panel.Marker().DrawnColor(), fw::clBlue);
    WriteByName(panel, "MnShow", int64_t {0});
    EXPECT_FALSE(panel.Marker().IsDrawn());
    EXPECT_TRUE(panel.Marker().isHidden());
}

TEST(Panel, SizeGripIsAddedOnceAndRemoved)
{
    fw::TWinControl root(nullptr);
    Te3_Panel panel(nullptr);
    panel.SetParent(&root);
    panel.SetBounds(0, 0, 200, 30);
    WriteByName(panel, "_SizeGrip", int64_t {1});
    Te3_Panel* grip = panel.SizeGripPanel();
    ASSERT_NE(grip, nullptr);
    WriteByName(panel, "_SizeGrip", int64_t {1});
    EXPECT_EQ(panel.SizeGripPanel(), grip);
    EXPECT_EQ(panel.ControlCount(), 1);
    EXPECT_EQ(grip->GetAlign(), fw::alRight);
    EXPECT_EQ(grip->GetWidth(), 20);
    EXPECT_EQ(grip->GetBevelOuter(), e3::bvNone);
    auto* bar = grip->Widget()->findChild<QStatusBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(-1, -3, grip->Widget()->width() + 2, grip->Widget()->height() + 4));
    EXPECT_EQ(OrdinalByName(panel, "_SizeGrip"), 0); // actions read nothing
    WriteByName(panel, "_SizeGrip", int64_t {0});
    EXPECT_EQ(panel.SizeGripPanel(), nullptr);
    EXPECT_EQ(panel.ControlCount(), 0);
}

// A docked form that is hidden gives the panel its height back; shown again
// it grows the panel to the height it had before it was docked, not to the
// height it took on inside the panel.
TEST(Panel, ADockedFormShownAgainGrowsThePanelBack)
{
    fw::TWinControl root(nullptr);
    root.SetBounds(0, 0, 400, 300);
    auto* panel = new Te3_Panel(&root);
    panel->SetParent(&root);
    panel->SetBounds(0, 0, 400, 50);
    auto* docked = new Te3_Panel(&root);
    docked->SetBounds(0, 0, 300, 200);
    panel->DockDrop(*docked, 0, 0);
    ASSERT_EQ(panel->GetHeight(), 200);
    EXPECT_EQ(panel->HeightBeforeDocking(), 50);

    // The user makes the panel taller; the docked form fills it.
    panel->SetHeight(260);
    ASSERT_EQ(docked->GetHeight(), 260);
    docked->SetVisible(false);
    e3::RestorePanelHeight(*panel, *docked);
    EXPECT_EQ(panel->GetHeight(), 50);
    docked->SetVisible(true);
    e3::GrowPanelForDock(*panel, *docked);
    EXPECT_EQ(panel->GetHeight(), 200);

    // Docked again after leaving: the height it has then counts.
    ASSERT_TRUE(panel->DoUnDock(&root, *docked));
    EXPECT_EQ(panel->GetHeight(), 50);
    docked->SetHeight(120);
    EXPECT_EQ(panel->UndockedHeight(*docked), 120);
    panel->DockDrop(*docked, 0, 0);
    EXPECT_EQ(panel->GetHeight(), 120);
    EXPECT_EQ(panel->HeightBeforeDocking(), 50);

    // A control put in by other means counts with its own height, and a lower
    // one leaves the panel as it is.
    auto* placed = new Te3_Panel(&root);
    placed->SetBounds(0, 0, 100, 150);
    placed->SetParent(panel);
    e3::GrowPanelForDock(*panel, *placed);
    EXPECT_EQ(panel->GetHeight(), 150);
    placed->SetHeight(20);
    e3::GrowPanelForDock(*panel, *placed);
    EXPECT_EQ(panel->GetHeight(), 150);
}

TEST(Panel, ChangeActionFiresOnChangeAndTranslationWords)
{
    Te3_Panel panel(nullptr);
    int fired = 0;
    panel.OnChange = [&](fw::TObject* sender) {
        EXPECT_EQ(sender, &panel);
        ++fired;
    };
    WriteByName(panel, "_Change", std::string("anything"));
    EXPECT_EQ(fired, 1);
    const e3::ITranslatableControl& t = panel;
    EXPECT_TRUE(t.IsTranslatable("Caption"));
    EXPECT_TRUE(t.IsTranslatable("hint"));
    EXPECT_FALSE(t.IsTranslatable("Text"));
    EXPECT_EQ(&t.GetLanguageClass(), &e3::Te3Panel::StaticClass());
}

TEST(Panel, PublishedNamesByClass)
{
    const fw::TClassInfo& design = e3::Te3Panel::StaticClass();
    const fw::TClassInfo& engine = Te3_Panel::StaticClass();
    for (const char* name : {"Alignment", "Caption", "Color", "BevelInner", "BevelOuter", "Enabled", "FullRepaint",
                             "Font", "Locked", "TabOrder", "TabStop", "Visible", "MnShow", "MnWidth", "MnHeight",
                             "MnColor"})
        EXPECT_NE(design.FindProperty(name), nullptr) << name;
    for (const char* name : {"Align", "LockedEdit", "Enabling", "_Change", "_SetFocus", "_SizeGrip", "_BringToFront",
                             "OnChange", "Parent", "BorderStyle", "BevelWidth", "OnDockDrop", "OnUnDock"}) {
        EXPECT_EQ(design.FindProperty(name), nullptr) << name;
        EXPECT_NE(engine.FindProperty(name), nullptr) << name;
    }
    EXPECT_EQ(e3::BevelCutType.OrdinalOf("bvRaised"), 2);
    Te3_Panel panel(nullptr);
    EXPECT_EQ(e3test::OrdinalByName(panel, "BevelOuter"), e3::bvRaised);
    EXPECT_EQ(e3test::OrdinalByName(panel, "Alignment"), e3::palCenter);
}

} // namespace
