#include "e3/containers/ScrollBox.h"

#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

namespace e3 {

const fw::TClassInfo& Te3CustomScrollBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomScrollBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomScrollBox::Te3CustomScrollBox(fw::TComponent* owner)
    : Te3CustomScrollBox(owner, {kHintWords, &Te3ScrollBox::StaticClass})
{
}

Te3CustomScrollBox::Te3CustomScrollBox(fw::TComponent* owner, ControlLanguage language)
    : Te3Control(owner, language, EnabledRule::plain)
    , client_(this, [this] { return QSize(ClientWidth(), ClientHeight()); })
{
    SetWidget(client_.Area());
    ApplyBorder();
    SetBounds(0, 0, 185, 41);
}

Te3CustomScrollBox::~Te3CustomScrollBox() = default;

void Te3CustomScrollBox::SetEnabled(bool value)
{
    cascade_.SetEnabled(*this, value, [this](bool v) { fw::TWinControl::SetEnabled(v); });
}

void Te3CustomScrollBox::SetLockedEdit(bool value)
{
    cascade_.SetLockedEdit(*this, value);
}

QWidget* Te3CustomScrollBox::ClientWidget() const
{
    return client_.Content();
}

int Te3CustomScrollBox::FrameWidth() const
{
    if (borderStyle_ != bsSingle)
        return 0;
    return GetCtl3D() ? 2 : 1;
}

int32_t Te3CustomScrollBox::ClientWidth() const
{
    return std::max(0, GetWidth() - 2 * FrameWidth());
}

int32_t Te3CustomScrollBox::ClientHeight() const
{
    return std::max(0, GetHeight() - 2 * FrameWidth());
}

void Te3CustomScrollBox::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    client_.UpdateExtent();
}

void Te3CustomScrollBox::AdjustAutoSize()
{
    const QSize extent = client_.ChildExtent();
    SetBounds(GetLeft(), GetTop(), extent.width() + 2 * FrameWidth(), extent.height() + 2 * FrameWidth());
}

void Te3CustomScrollBox::ApplyBorder()
{
    if (borderStyle_ != bsSingle) {
        ScrollArea()->setFrameStyle(QFrame::NoFrame);
    } else if (GetCtl3D()) {
        ScrollArea()->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        ScrollArea()->setLineWidth(2);
    } else {
        ScrollArea()->setFrameStyle(QFrame::Box | QFrame::Plain);
        ScrollArea()->setLineWidth(1);
    }
    client_.UpdateExtent();
}

void Te3CustomScrollBox::SetAutoScroll(bool value)
{
    client_.SetAutoScroll(value);
}

void Te3CustomScrollBox::SetBorderStyle(TEditBorderStyle value)
{
    borderStyle_ = value;
    ApplyBorder();
}

void Te3CustomScrollBox::SetScrollBars(TScrollStyle value)
{
    // Both bars start automatic; only a different value takes them out of it.
    if (value == scrollBars_)
        return;
    scrollBars_ = value;
    const auto policy = [](bool shown) { return shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff; };
    ScrollArea()->setHorizontalScrollBarPolicy(policy(value == ssHorizontal || value == ssBoth));
    ScrollArea()->setVerticalScrollBarPolicy(policy(value == ssVertical || value == ssBoth));
}

void Te3CustomScrollBox::SetFocus()
{
    ScrollArea()->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3ScrollBox::StaticClass()
{
    using C = Te3ScrollBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3ScrollBox",
        &Te3CustomScrollBox::StaticClass(),
        fw::TRows<Te3ScrollBox> {
            fw::prop::Boolean("AutoScroll", &C::GetAutoScroll, &C::SetAutoScroll),
            sp::Color(),
            sp::Enabled(),
            fw::prop::Boolean("Ctl3D", &C::GetCtl3D, &C::SetCtl3D),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3ScrollBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_ScrollBox::StaticClass()
{
    using C = Te3_ScrollBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_ScrollBox",
        &Te3ScrollBox::StaticClass(),
        fw::TRows<Te3_ScrollBox> {
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::DragCursor(),
            sp::BevelMembers(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::PopupMenu(),
            sp::DockSite(),
            sp::UseDockManager(),
            sp::AutoSize(),
            fw::prop::Enum("BorderStyle", EditBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            fw::prop::Enum("ScrollBars", ScrollStyleType, &C::GetScrollBars, &C::SetScrollBars),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::Boolean("Enabling", &C::GetEnabling, nullptr),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::FocusEvents(),
            sp::MouseEvents(),
            sp::OnResize(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::ResizeQuestions(),
            sp::DockSiteEvents(),
            sp::WheelEvents(),
        },
        fw::MakeFactory<Te3_ScrollBox>(),
    };
    return info;
}

} // namespace e3
