// What the members every control shares (popup menu, drag, bidirectional
// mode) do once the engine writes them; which class publishes which of them is
// pinned by the golden list of published names.
#include "e3/display/Bevel.h"
#include "e3/buttons/CheckBox.h"
#include "e3/edits/Edit.h"
#include "e3/display/Gauge.h"
#include "e3/containers/GroupBox.h"
#include "e3/display/Image.h"
#include "e3/display/Label.h"
#include "e3/lists/ListBox.h"
#include "e3/edits/Memo.h"
#include "e3/menus/Menus.h"
#include "e3/containers/Panel.h"
#include "e3/display/ProgressLabel.h"
#include "e3/buttons/RadioButton.h"
#include "e3/containers/RadioGroup.h"
#include "e3/containers/ScrollBox.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/edits/UnicodeEdit.h"
#include "e3/display/UnicodeLabel.h"
#include "framework/Control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace {

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

