#include "e3/containers/GroupBox.h"

#include "framework/StandardProps.h"

namespace e3 {

const fw::TClassInfo& Te3CustomGroupBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomGroupBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomGroupBox::Te3CustomGroupBox(fw::TComponent* owner)
    : Te3Control(owner, {kCaptionHintWords, &Te3GroupBox::StaticClass}, EnabledRule::plain)
    , box_(new QGroupBox)
{
    box_->setAutoFillBackground(true);
    SetWidget(box_);
    SetBounds(0, 0, 185, 105);
}

void Te3CustomGroupBox::SetEnabled(bool value)
{
    cascade_.SetEnabled(*this, value, [this](bool v) { fw::TWinControl::SetEnabled(v); });
}

void Te3CustomGroupBox::SetLockedEdit(bool value)
{
    cascade_.SetLockedEdit(*this, value);
}

void Te3CustomGroupBox::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    box_->setTitle(QString::fromStdString(text));
}

void Te3CustomGroupBox::SetFocus()
{
    box_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3GroupBox::StaticClass()
{
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3GroupBox",
        &Te3CustomGroupBox::StaticClass(),
        fw::TRows<Te3GroupBox> {
            sp::Caption(),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3GroupBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_GroupBox::StaticClass()
{
    using C = Te3_GroupBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_GroupBox",
        &Te3GroupBox::StaticClass(),
        fw::TRows<Te3_GroupBox> {
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::PopupMenu(),
            sp::DockSite(),
            sp::UseDockManager(),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::Boolean("Enabling", &C::GetEnabling, nullptr),
            sp::DockSiteEvents(),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::FocusEvents(),
            sp::MouseEvents(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_GroupBox>(),
    };
    return info;
}

} // namespace e3
