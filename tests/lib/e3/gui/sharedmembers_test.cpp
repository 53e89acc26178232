// Which of the members every control shares (popup menu, drag, bidirectional
// mode, 3-D look, input method and the drag/dock events) each family publishes,
// and at which level. The engine reaches only what a table lists, so a name
// missing here is a property the engine cannot set, and an extra one is a
// property a form description could set that the control does not own.
#include "e3/Bevel.h"
#include "e3/CheckBox.h"
#include "e3/Edit.h"
#include "e3/Gauge.h"
#include "e3/GroupBox.h"
#include "e3/Image.h"
#include "e3/Label.h"
#include "e3/ListBox.h"
#include "e3/Memo.h"
#include "e3/Menus.h"
#include "e3/Panel.h"
#include "e3/ProgressLabel.h"
#include "e3/RadioButton.h"
#include "e3/RadioGroup.h"
#include "e3/ScrollBox.h"
#include "e3/SpeedButton.h"
#include "e3/UnicodeEdit.h"
#include "e3/UnicodeLabel.h"
#include "framework/Control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace {

const char* const kShared[] = {
    "PopupMenu",  "DragCursor",     "DragKind",   "DragMode",   "BiDiMode",  "ParentBiDiMode",
    "Ctl3D",      "ParentCtl3D",    "ImeMode",    "ImeName",    "OnContextPopup", "OnDragDrop",
    "OnDragOver", "OnEndDock",      "OnEndDrag",  "OnStartDock", "OnStartDrag",
};

using Names = std::vector<std::string>;

const Names kDragEvents {"OnDragDrop", "OnDragOver", "OnEndDock", "OnEndDrag", "OnStartDock", "OnStartDrag"};

Names Join(Names a, const Names& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Names kAllEvents = Join({"OnContextPopup"}, kDragEvents);
const Names kWindowed = {"PopupMenu", "DragCursor", "DragKind",  "DragMode",
                         "BiDiMode",  "ParentBiDiMode", "Ctl3D", "ParentCtl3D"};
const Names kWindowedIme = Join(kWindowed, {"ImeMode", "ImeName"});

struct Row {
    const fw::TClassInfo* cls;
    Names published; // inherited names included
};

TEST(SharedMembers, EachClassPublishesExactlyItsShareOfTheCommonMembers)
{
    const Names labelSet = Join({"PopupMenu", "DragCursor", "DragKind", "DragMode", "BiDiMode", "ParentBiDiMode"},
                                kAllEvents);
    const Row rows[] = {
        {&e3::Te3Edit::StaticClass(), {}},
        {&e3::Te3_Edit::StaticClass(), Join(kWindowedIme, kAllEvents)},
        {&e3::Te3Memo::StaticClass(), {}},
        {&e3::Te3_Memo::StaticClass(), Join(kWindowedIme, kAllEvents)},
        {&e3::Te3UnicodeEdit::StaticClass(), {}},
        {&e3::Te3_UnicodeEdit::StaticClass(), Join(kWindowedIme, kAllEvents)},
        {&e3::Te3RadioButton::StaticClass(), {}},
        {&e3::Te3_RadioButton::StaticClass(), Join(kWindowedIme, kAllEvents)},
        {&e3::Te3_NonCyclicRadioButton::StaticClass(), Join(kWindowedIme, kAllEvents)},
        {&e3::Te3ListBox::StaticClass(), {}},
        {&e3::Te3_ListBox::StaticClass(), Join(kWindowedIme, kAllEvents)},
        {&e3::Te3CheckBox::StaticClass(), {}},
        {&e3::Te3_CheckBox::StaticClass(), Join(kWindowed, kAllEvents)},
        {&e3::Te3GroupBox::StaticClass(), {}},
        {&e3::Te3_GroupBox::StaticClass(), Join(kWindowed, kAllEvents)},
        {&e3::Te3RadioGroup::StaticClass(), {}},
        {&e3::Te3_RadioGroup::StaticClass(), Join(kWindowed, kAllEvents)},
        // The 3-D look is a design property of the scroll box.
        {&e3::Te3ScrollBox::StaticClass(), {"Ctl3D"}},
        {&e3::Te3_ScrollBox::StaticClass(), Join(kWindowed, kAllEvents)},
        {&e3::Te3Panel::StaticClass(), {}},
        {&e3::Te3_Panel::StaticClass(), Join(Join(kWindowed, {"ImeMode"}), kAllEvents)},
        {&e3::Te3SpeedButton::StaticClass(), {}},
        {&e3::Te3_SpeedButton::StaticClass(),
         Join({"PopupMenu", "DragCursor", "DragKind", "DragMode", "BiDiMode", "ParentBiDiMode", "Ctl3D", "ImeMode"},
              kDragEvents)},
        {&e3::Te3ColorSpeedButton::StaticClass(),
         Join({"DragCursor", "DragKind", "DragMode", "BiDiMode", "ParentBiDiMode"}, kDragEvents)},
        {&e3::Te3Label::StaticClass(), {}},
        {&e3::Te3_Label::StaticClass(), labelSet},
        {&e3::Te3ProgressLabel::StaticClass(), labelSet},
        {&e3::Te3_ProgressLabel::StaticClass(), labelSet},
        {&e3::Te3UnicodeLabel::StaticClass(), {}},
        {&e3::Te3_UnicodeLabel::StaticClass(), labelSet},
        // The bevel's Ctl3D is its own drawing switch, not the windowed one.
        {&e3::Te3Bevel::StaticClass(), {"Ctl3D"}},
        {&e3::Te3_Bevel::StaticClass(), {"Ctl3D", "PopupMenu"}},
        {&e3::Te3Image::StaticClass(), {}},
        {&e3::Te3_Image::StaticClass(), Join({"PopupMenu", "DragCursor", "DragKind", "DragMode"}, kAllEvents)},
        {&e3::Te3Gauge::StaticClass(), {}},
        {&e3::Te3_Gauge::StaticClass(), {"PopupMenu"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cls->Name());
        for (const char* name : kShared) {
            const bool expected = std::find(row.published.begin(), row.published.end(), name) != row.published.end();
            EXPECT_EQ(row.cls->FindProperty(name) != nullptr, expected) << name;
        }
    }
}

// Every engine class that takes a popup menu keeps the reference the engine
// sets and lets go of it when the menu is freed first, windowed or not.
TEST(SharedMembers, EveryEngineClassHoldsAndDropsItsPopupMenu)
{
    const fw::TClassInfo* classes[] = {
        &e3::Te3_Edit::StaticClass(),     &e3::Te3_Memo::StaticClass(),     &e3::Te3_UnicodeEdit::StaticClass(),
        &e3::Te3_RadioButton::StaticClass(), &e3::Te3_CheckBox::StaticClass(), &e3::Te3_GroupBox::StaticClass(),
        &e3::Te3_RadioGroup::StaticClass(), &e3::Te3_ScrollBox::StaticClass(), &e3::Te3_Panel::StaticClass(),
        &e3::Te3_SpeedButton::StaticClass(), &e3::Te3_Label::StaticClass(), &e3::Te3_ProgressLabel::StaticClass(),
        &e3::Te3_UnicodeLabel::StaticClass(), &e3::Te3_Bevel::StaticClass(), &e3::Te3_Image::StaticClass(),
        &e3::Te3_Gauge::StaticClass(),
    };
    for (const fw::TClassInfo* cls : classes) {
        SCOPED_TRACE(cls->Name());
        ASSERT_NE(cls->Factory(), nullptr);
        std::unique_ptr<fw::TComponent> control(cls->Factory()(nullptr));
        const fw::TPropInfo* prop = cls->FindProperty("popupmenu");
        ASSERT_NE(prop, nullptr);
        auto* menu = new e3::Te3_PopupMenu(nullptr);
        prop->set(*control, static_cast<fw::TObject*>(menu));
        EXPECT_EQ(std::get<fw::TObject*>(prop->get(*control)), menu);
        delete menu;
        EXPECT_EQ(std::get<fw::TObject*>(prop->get(*control)), nullptr);
    }
}

// Drag mode and bidirectional mode written by name reach the control itself.
TEST(SharedMembers, DragAndBiDiModesWrittenByNameReachTheControl)
{
    const fw::TClassInfo* classes[] = {
        &e3::Te3_Edit::StaticClass(), &e3::Te3_Label::StaticClass(), &e3::Te3_SpeedButton::StaticClass(),
        &e3::Te3ColorSpeedButton::StaticClass(), &e3::Te3_CheckBox::StaticClass(),
    };
    for (const fw::TClassInfo* cls : classes) {
        SCOPED_TRACE(cls->Name());
        std::unique_ptr<fw::TComponent> component(cls->Factory()(nullptr));
        auto* control = dynamic_cast<fw::TControl*>(component.get());
        ASSERT_NE(control, nullptr);
        cls->FindProperty("DRAGMODE")->set(*control, int64_t {fw::DragModeType.OrdinalOf("dmAutomatic")});
        cls->FindProperty("bidimode")->set(*control, int64_t {fw::bdRightToLeft});
        EXPECT_EQ(control->GetDragMode(), fw::dmAutomatic);
        EXPECT_EQ(control->GetBiDiMode(), fw::bdRightToLeft);
    }
}

} // namespace

// The containers that can be dock sites publish the site's members, and the
// resize questions where the engine may answer them.
TEST(SharedMembers, DockSitesAndResizeQuestionsArePublishedWhereTheyBelong)
{
    const Names dock {"DockSite", "UseDockManager", "OnDockDrop", "OnDockOver", "OnUnDock"};
    const Names resize {"OnCanResize", "OnConstrainedResize"};
    const Names all = Join(Join(dock, resize), {"ParentBackground"});
    const Row rows[] = {
        {&e3::Te3_Panel::StaticClass(), all},
        {&e3::Te3_ScrollBox::StaticClass(), Join(dock, resize)},
        {&e3::Te3_GroupBox::StaticClass(), dock},
        {&e3::Te3Panel::StaticClass(), {}},
        {&e3::Te3_Edit::StaticClass(), {}},
        {&e3::Te3_ListBox::StaticClass(), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cls->Name());
        for (const std::string& name : all) {
            const bool expected = std::find(row.published.begin(), row.published.end(), name) != row.published.end();
            EXPECT_EQ(row.cls->FindProperty(name) != nullptr, expected) << name;
        }
    }
    for (const char* name : {"OnMouseWheel", "OnMouseWheelDown", "OnMouseWheelUp"}) {
        EXPECT_NE(e3::Te3_ScrollBox::StaticClass().FindProperty(name), nullptr) << name;
        EXPECT_EQ(e3::Te3_Panel::StaticClass().FindProperty(name), nullptr) << name;
    }
}

// The bevel members go with the edit, memo, list box and scroll box families;
// the Unicode edit has no BevelWidth, the panel its own bevels.
TEST(SharedMembers, BevelMembersArePublishedWhereTheyBelong)
{
    const Names bevel {"BevelEdges", "BevelInner", "BevelOuter", "BevelKind", "BevelWidth"};
    const Row rows[] = {
        {&e3::Te3_Edit::StaticClass(), bevel},
        {&e3::Te3_Memo::StaticClass(), bevel},
        {&e3::Te3_ScrollBox::StaticClass(), bevel},
        {&e3::Te3_ListBox::StaticClass(), bevel},
        {&e3::Te3ListBox::StaticClass(), {"BevelKind"}},
        {&e3::Te3_UnicodeEdit::StaticClass(), {"BevelEdges", "BevelInner", "BevelOuter", "BevelKind"}},
        {&e3::Te3_CheckBox::StaticClass(), {}},
        {&e3::Te3_GroupBox::StaticClass(), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cls->Name());
        for (const std::string& name : bevel) {
            const bool expected = std::find(row.published.begin(), row.published.end(), name) != row.published.end();
            EXPECT_EQ(row.cls->FindProperty(name) != nullptr, expected) << name;
        }
    }
}
