#include "client/ClientForm.h"

#include "framework/StandardProps.h"

namespace client {

using namespace fw;
namespace sp = fw::std_props;

void RenameEventMapKeys(TNameValueList& map, const std::string& oldName, const std::string& newName)
{
    if (oldName.empty())
        return;
    const std::string prefix = UpperCase(oldName) + ".";
    for (int i = 0; i < map.Count(); ++i) {
        const std::string& key = map.At(i).name;
        if (key.size() >= prefix.size() && UpperCase(key.substr(0, prefix.size())) == prefix)
            map.Rename(i, newName + key.substr(oldName.size()));
    }
}

// --- forms ------------------------------------------------------------------

const TClassInfo& Te3MenuForm::StaticClass()
{
    static const TClassInfo info {"Te3MenuForm", &TCustomForm::StaticClass(), {}};
    return info;
}

bool Te3MenuForm::IsTranslatable(const std::string& propName) const
{
    const std::string upper = UpperCase(propName);
    return !upper.empty() && std::string("CAPTION HINT").find(upper) != std::string::npos;
}

const TClassInfo& Te3ClientForm::StaticClass()
{
    static const TClassInfo info {"Te3ClientForm", &Te3MenuForm::StaticClass(), {}};
    return info;
}

Te3ClientForm::Te3ClientForm(TComponent* owner)
    : Te3MenuForm(owner)
{
    SetKeyPreview(true);
}

void Te3ClientForm::SetName(const std::string& name)
{
    const std::string old = GetName();
    Te3MenuForm::SetName(name);
    if (!old.empty() && !HasState(csLoading))
        RenameEventMapKeys(EventMap, old, name);
}

const TClassInfo& Te3_ClientForm::StaticClass()
{
    static const TClassInfo info {
        "Te3_ClientForm",
        &Te3ClientForm::StaticClass(),
        {
            prop::String("Caption", &TCustomForm::GetCaption, &TCustomForm::SetCaption),
            prop::Integer("ClientWidth", &TCustomForm::GetClientWidth, &TCustomForm::SetClientWidth),
            prop::Integer("ClientHeight", &TCustomForm::GetClientHeight, &TCustomForm::SetClientHeight),
            prop::Enum("BorderStyle", BorderStyleType, &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle),
            prop::Enum("Position", PositionType, &TCustomForm::GetPosition, &TCustomForm::SetPosition),
            prop::Boolean("KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview),
            prop::Boolean("Scaled", &TCustomForm::GetScaled, &TCustomForm::SetScaled),
            prop::Integer("ModalResult", &TCustomForm::GetModalResult, &TCustomForm::SetModalResult),
            sp::Color(),
            sp::Constraints(),
            sp::Enabled(),
            sp::Font(),
            sp::ShowHint(),
            sp::Visible(),
            prop::Integer("DockWidth", &Te3ClientForm::GetDockWidth, &Te3ClientForm::SetDockWidth),
            prop::Boolean("ResizeDock", &Te3ClientForm::GetResizeDock, &Te3ClientForm::SetResizeDock),
            prop::StringAction("_KeyFilter", &Te3ClientForm::SetKeyFilter),
            prop::Event("OnActivate", NotifyEventType, &TCustomForm::OnActivate),
            sp::OnClick(),
            prop::Event("OnClose", CloseEventType, &TCustomForm::OnClose),
            prop::Event("OnCloseQuery", CloseQueryEventType, &TCustomForm::OnCloseQuery),
            prop::Event("OnCreate", NotifyEventType, &TCustomForm::OnCreate),
            sp::OnDblClick(),
            prop::Event("OnDeactivate", NotifyEventType, &TCustomForm::OnDeactivate),
            prop::Event("OnDestroy", NotifyEventType, &TCustomForm::OnDestroy),
            prop::Event("OnHide", NotifyEventType, &TCustomForm::OnHide),
            sp::OnKeyDown(),
            sp::OnKeyPress(),
            sp::OnKeyUp(),
            sp::OnMouseDown(),
            sp::OnMouseMove(),
            sp::OnMouseUp(),
            sp::OnResize(),
            prop::Event("OnShow", NotifyEventType, &TCustomForm::OnShow),
        },
        MakeFactory<Te3_ClientForm>(),
    };
    return info;
}

// --- frames -----------------------------------------------------------------

const TClassInfo& Te3ClientFrame::StaticClass()
{
    static const TClassInfo info {"Te3ClientFrame", &TWinControl::StaticClass(), {}};
    return info;
}

Te3ClientFrame::Te3ClientFrame(TComponent* owner)
    : TWinControl(owner)
{
    SetWidget(new QWidget);
    SetBounds(0, 0, 320, 240);
}

void Te3ClientFrame::SetName(const std::string& name)
{
    const std::string old = GetName();
    TWinControl::SetName(name);
    if (!old.empty() && !HasState(csLoading))
        RenameEventMapKeys(EventMap, old, name);
}

bool Te3ClientFrame::IsTranslatable(const std::string& propName) const
{
    const std::string upper = UpperCase(propName);
    return !upper.empty() && std::string("CAPTION HINT").find(upper) != std::string::npos;
}

void Te3ClientFrame::SetLockedEdit(bool value)
{
    if (value == lockedEdit_)
        return;
    enabling_ = true;
    for (TControl* child : std::vector<TControl*>(ChildControls()))
        if (const TPropInfo* p = child->ClassType().FindProperty("LockedEdit"); p && p->IsWritable())
            p->set(*child, int64_t {value ? 1 : 0});
    lockedEdit_ = value;
    enabling_ = false;
}

const TClassInfo& Te3_ClientFrame::StaticClass()
{
    static const TClassInfo info {
        "Te3_ClientFrame",
        &Te3ClientFrame::StaticClass(),
        {
            sp::Align(),
            sp::Anchors(),
            sp::AutoSize(),
            sp::Constraints(),
            sp::Enabled(),
            sp::Color(),
            sp::Font(),
            sp::Parent(),
            prop::Boolean("LockedEdit", &Te3ClientFrame::GetLockedEdit, &Te3ClientFrame::SetLockedEdit),
            prop::Boolean("Enabling", &Te3ClientFrame::GetEnabling, nullptr),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            prop::Event("OnActivate", NotifyEventType, &Te3ClientFrame::OnActivate),
            sp::OnClick(),
            sp::OnDblClick(),
            prop::Event("OnDeActivate", NotifyEventType, &Te3ClientFrame::OnDeActivate),
            sp::OnEnter(),
            sp::OnExit(),
            sp::OnMouseDown(),
            sp::OnMouseMove(),
            sp::OnMouseUp(),
            sp::OnResize(),
        },
        MakeFactory<Te3_ClientFrame>(),
    };
    return info;
}

} // namespace client
