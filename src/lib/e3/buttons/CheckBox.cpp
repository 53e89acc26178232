#include "e3/buttons/CheckBox.h"

#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QPainter>

namespace e3 {

class CheckBoxWidget : public OwnedWidget<QCheckBox, Te3CustomCheckBox> {
public:
    explicit CheckBoxWidget(Te3CustomCheckBox* owner)
        : OwnedWidget(owner)
    {
        setAutoFillBackground(true);
    }

protected:
    // The whole control is the button, caption included.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

    void nextCheckState() override
    {
        if (owner_)
            fw::RunFromEventLoop([this] { owner_->UserToggle(); });
    }

    void paintEvent(QPaintEvent*) override
    {
        if (!owner_)
            return;
        QPainter painter(this);
        PaintButtonFace(*this, painter, owner_->FaceLook(QStyle::PE_IndicatorCheckBox, owner_->state_));
        if (const std::optional<QRect> square = owner_->ReadOnlySquareShown())
            painter.fillRect(*square, fw::ToQColor(fw::cl3DLight));
    }
};

const fw::TClassInfo& Te3CustomCheckBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomCheckBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomCheckBox::Te3CustomCheckBox(fw::TComponent* owner)
    : TToggleButton(owner, {kCaptionHintWords, &Te3CheckBox::StaticClass})
    , box_(new CheckBoxWidget(this))
{
    OwnButton(box_);
    SetTabStop(true);
    SetBounds(0, 0, 120, 17);
}

QCheckBox* Te3CustomCheckBox::CheckBox() const
{
    return box_;
}

std::string Te3CustomCheckBox::GetText() const
{
    return SingleAmpersands(box_->text().toStdString());
}

void Te3CustomCheckBox::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    box_->setText(QString::fromStdString(DoubleAmpersands(text)));
}

void Te3CustomCheckBox::SetState(TCheckBoxState value)
{
    if (value == state_)
        return;
    state_ = value;
    box_->setCheckState(value == cbChecked ? Qt::Checked : value == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
    Repaint();
    if (clicksDisabled_)
        return;
    checked_ = value == cbChecked;
    fw::Guard<Te3CustomCheckBox> self(this);
    RaiseClick();
    if (self && OnChange)
        OnChange(this);
}

void Te3CustomCheckBox::SetChecked(bool value)
{
    if (value == checked_)
        return;
    fw::Guard<Te3CustomCheckBox> self(this);
    SetState(value ? cbChecked : cbUnchecked);
    if (!self)
        return;
    checked_ = state_ == cbChecked;
    if (readOnly_)
        ApplyReadOnly(true);
}

void Te3CustomCheckBox::UserToggle()
{
    if (readOnly_)
        return;
    switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void Te3CustomCheckBox::ApplyReadOnly(bool value)
{
    readOnly_ = value;
    clicksDisabled_ = true;
    SetState(value ? cbGrayed : checked_ ? cbChecked : cbUnchecked);
    clicksDisabled_ = false;
    Repaint();
}

void Te3CustomCheckBox::SetReadOnly(bool value)
{
    readOnlyWish_ = value;
    // While locked, leaving read-only is only remembered for the unlock.
    if (lockedEdit_ && !value)
        return;
    ApplyReadOnly(value);
}

void Te3CustomCheckBox::SetLockedEdit(bool value)
{
    if (value == lockedEdit_)
        return;
    lockedEdit_ = value;
    ApplyReadOnly(value ? true : readOnlyWish_);
}

std::optional<QRect> Te3CustomCheckBox::ReadOnlySquareShown() const
{
    if (state_ != cbGrayed || checked_)
        return std::nullopt;
    return ReadOnlySquare(GetWidth(), GetHeight(), GetAlignment(), GetVertAlignment());
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CheckBox::StaticClass()
{
    using C = Te3CheckBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3CheckBox",
        &Te3CustomCheckBox::StaticClass(),
        fw::TRows<Te3CheckBox> {
            fw::prop::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
            fw::prop::Enum("VertAlignment", VertAlignmentType, &C::GetVertAlignment, &C::SetVertAlignment),
            fw::prop::Enum("Alignment", LeftRightType, &C::GetAlignment, &C::SetAlignment),
            fw::prop::Boolean("AllowGrayed", &C::GetAllowGrayed, &C::SetAllowGrayed),
            sp::Caption(),
            fw::prop::Boolean("Checked", &C::GetChecked, &C::SetChecked),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            fw::prop::Enum("State", CheckBoxStateType, &C::GetState, &C::SetState),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3CheckBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_CheckBox::StaticClass()
{
    using C = Te3_CheckBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_CheckBox",
        &Te3CheckBox::StaticClass(),
        fw::TRows<Te3_CheckBox> {
            sp::Action(),
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
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            sp::OnClick(),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_CheckBox>(),
    };
    return info;
}

} // namespace e3
