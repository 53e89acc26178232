#include "client/ClassRegistry.h"

#include "client/ClientForm.h"
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
#include "e3/edits/UnicodeEdit.h"
#include "e3/display/UnicodeLabel.h"
#include "e3/buttons/SpeedButton.h"
#include "framework/Rtti.h"

#include <unordered_map>

namespace client {
namespace {

std::unordered_map<std::string, const fw::TClassInfo*>& Registry()
{
    static std::unordered_map<std::string, const fw::TClassInfo*> registry = [] {
        std::unordered_map<std::string, const fw::TClassInfo*> r;
        for (const fw::TClassInfo* c : {
                 &Te3_ClientForm::StaticClass(),
                 &Te3_ClientFrame::StaticClass(),
                 &e3::Te3_Edit::StaticClass(),
                 &e3::Te3_Bevel::StaticClass(),
                 &e3::Te3_Label::StaticClass(),
                 &e3::Te3_ProgressLabel::StaticClass(),
                 &e3::Te3_Image::StaticClass(),
                 &e3::Te3_Gauge::StaticClass(),
                 &e3::Te3Bevel::StaticClass(),
                 &e3::Te3Gauge::StaticClass(),
                 &e3::Te3Image::StaticClass(),
                 &e3::Te3Label::StaticClass(),
                 &e3::Te3ProgressLabel::StaticClass(),
                 &e3::Te3_CheckBox::StaticClass(),
                 &e3::Te3_GroupBox::StaticClass(),
                 &e3::Te3_ListBox::StaticClass(),
                 &e3::Te3_Memo::StaticClass(),
                 &e3::Te3_RadioButton::StaticClass(),
                 &e3::Te3_NonCyclicRadioButton::StaticClass(),
                 &e3::Te3_RadioGroup::StaticClass(),
                 &e3::Te3_ScrollBox::StaticClass(),
                 &e3::Te3CheckBox::StaticClass(),
                 &e3::Te3GroupBox::StaticClass(),
                 &e3::Te3ListBox::StaticClass(),
                 &e3::Te3Memo::StaticClass(),
                 &e3::Te3RadioButton::StaticClass(),
                 &e3::Te3RadioGroup::StaticClass(),
                 &e3::Te3ScrollBox::StaticClass(),
                 &e3::Te3_Panel::StaticClass(),
                 &e3::Te3Panel::StaticClass(),
                 &e3::Te3_UnicodeLabel::StaticClass(),
                 &e3::Te3_UnicodeEdit::StaticClass(),
                 &e3::Te3UnicodeLabel::StaticClass(),
                 &e3::Te3_MainMenu::StaticClass(),
                 &e3::Te3_PopupMenu::StaticClass(),
                 &e3::Te3_SpeedButton::StaticClass(),
                 &e3::Te3MainMenu::StaticClass(),
                 &e3::Te3MenuItem::StaticClass(),
                 &e3::Te3PopupMenu::StaticClass(),
                 &e3::Te3SpeedButton::StaticClass(),
                 &e3::Te3ColorSpeedButton::StaticClass(),
             })
            r.emplace(fw::UpperCase(c->Name()), c);
        return r;
    }();
    return registry;
}

} // namespace

void RegisterClass(const fw::TClassInfo& classInfo)
{
    Registry().emplace(fw::UpperCase(classInfo.Name()), &classInfo);
}

const fw::TClassInfo* FindClass(const std::string& name)
{
    auto it = Registry().find(fw::UpperCase(name));
    return it == Registry().end() ? nullptr : it->second;
}

std::string MapEngineClassName(const std::string& className)
{
    std::string name = className;
    const std::string upper = fw::UpperCase(name);
    if (upper.compare(0, 3, "TE3") == 0 && upper.compare(0, 4, "TE3_") != 0 && upper != "TE3TABSHEET")
        name = "Te3_" + name.substr(3);
    if (fw::SameText(name, "TMenuItem"))
        name = "Te3MenuItem";
    return name;
}

fw::TComponent* CreateComponentByClassName(const std::string& className, fw::TComponent* owner)
{
    const std::string name = MapEngineClassName(className);
    const fw::TClassInfo* c = FindClass(name);
    if (!c || !c->Factory())
        throw u3::Exception("Class name " + name + " not found.");
    return c->Factory()(owner);
}

} // namespace client
