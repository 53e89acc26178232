#include "e3/buttons/RadioButton.h"

#include "framework/Actions.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QEvent>
#include <QPainter>

namespace e3 {

class RadioButtonWidget : public OwnedWidget<QRadioButton, Te3CustomRadioButton> {
public:
    explicit RadioButtonWidget(Te3CustomRadioButton* owner)
        : OwnedWidget(owner)
    {
        // The control decides which button is checked, and in which order
        // the buttons hear of it.
        setAutoExclusive(false);
        setAutoFillBackground(true);
    }

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

    void nextCheckState() override
    {
        if (owner_)
            fw::RunFromEventLoop([this] { owner_->SetChecked(true); });
    }

    bool event(QEvent* e) override
    {
        // The accelerator of the caption focuses the button; it checks nothing.
        if (e->type() == QEvent::Shortcut) {
            setFocus(Qt::ShortcutFocusReason);
            return true;
        }
        return QRadioButton::event(e);
    }

    void paintEvent(QPaintEvent*) override
    {
        if (!owner_)
            return;
        QPainter painter(this);
        PaintButtonFace(*this, painter,
                        owner_->FaceLook(QStyle::PE_IndicatorRadioButton, owner_->checked_ ? cbChecked : cbUnchecked));
    }
};

const fw::TClassInfo& Te3CustomRadioButton::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomRadioButton", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomRadioButton::Te3CustomRadioButton(fw::TComponent* owner)
    : TToggleButton(owner, {kCaptionHintWords, &Te3RadioButton::StaticClass})
    , radio_(new RadioButtonWidget(this))
{
    OwnButton(radio_);
    SetBounds(0, 0, 150, 17);
}

QRadioButton* Te3CustomRadioButton::RadioButton() const
{
    return radio_;
}

void Te3CustomRadioButton::SetLockedEdit(bool value)
{
    if (value == lockedEdit_)
        return;
    lockedEdit_ = value;
    // The lock disables the button without touching the enabled wish, so that
    // unlocking brings back what the engine last asked for.
    if (value)
        fw::TWinControl::SetEnabled(false);
    else
        SetEnabled(wish_.Wish());
}

void Te3CustomRadioButton::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    radio_->setText(QString::fromStdString(text));
}

void Te3CustomRadioButton::SetChecked(bool value)
{
    if (value == checked_)
        return;
    checked_ = value;
    SetTabStop(value);
    radio_->setChecked(value);
    Repaint();
    fw::Guard<Te3CustomRadioButton> self(this);
    RaiseClick();
    if (self && OnChange)
        OnChange(this);
    if (!self || !value || !Parent())
        return;
    std::vector<fw::Guard<Te3CustomRadioButton>> siblings;
    for (fw::TControl* c : Parent()->ChildControls())
        if (auto* radio = dynamic_cast<Te3CustomRadioButton*>(c); radio && radio != this)
            siblings.emplace_back(radio);
    for (auto& sibling : siblings) {
        if (!sibling)
            continue;
        const bool hadFocus = sibling->radio_->hasFocus();
        // Its checked action goes first, and unchecks it on the way.
        if (auto* action = dynamic_cast<fw::TCustomAction*>(sibling->GetAction()); action && action->GetChecked()) {
            action->SetChecked(false);
            if (!self)
                return;
            if (!sibling)
                continue;
        }
        sibling->SetChecked(false);
        if (!self)
            return;
        if (hadFocus)
            SetFocus();
    }
    RaiseClick();
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3RadioButton::StaticClass()
{
    using C = Te3RadioButton;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3RadioButton",
        &Te3CustomRadioButton::StaticClass(),
        fw::TRows<Te3RadioButton> {
            fw::prop::Enum("Alignment", LeftRightType, &C::GetAlignment, &C::SetAlignment),
            fw::prop::Enum("VertAlignment", VertAlignmentType, &C::GetVertAlignment, &C::SetVertAlignment),
            fw::prop::Boolean("Wordwrap", &C::GetWordWrap, &C::SetWordWrap),
            sp::Caption(),
            fw::prop::Boolean("Checked", &C::GetChecked, &C::SetChecked),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3RadioButton>(),
    };
    return info;
}

const fw::TClassInfo& Te3_RadioButton::StaticClass()
{
    using C = Te3_RadioButton;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_RadioButton",
        &Te3RadioButton::StaticClass(),
        fw::TRows<Te3_RadioButton> {
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
            sp::ImeMode(),
            sp::ImeName(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::PopupMenu(),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            sp::OnClick(),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            sp::OnDblClick(),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_RadioButton>(),
    };
    return info;
}

const fw::TClassInfo& Te3_NonCyclicRadioButton::StaticClass()
{
    static const fw::TClassInfo info {
        "Te3_NonCyclicRadioButton", &Te3_RadioButton::StaticClass(), {}, fw::MakeFactory<Te3_NonCyclicRadioButton>()};
    return info;
}

} // namespace e3
