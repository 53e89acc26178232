#include "e3/buttons/ToggleButton.h"

#include "framework/Actions.h"

namespace e3 {

TToggleButton::TToggleButton(fw::TComponent* owner, ControlLanguage language)
    : Te3Control(owner, language)
{
}

void TToggleButton::Repaint()
{
    button_->update();
}

void TToggleButton::SetAlignment(TAlignment value)
{
    alignment_ = value == taLeftJustify ? taLeftJustify : taRightJustify;
    Repaint();
}

void TToggleButton::SetVertAlignment(TVertAlignment value)
{
    vertAlignment_ = value;
    Repaint();
}

void TToggleButton::SetWordWrap(bool value)
{
    wordWrap_ = value;
    Repaint();
}

void TToggleButton::SetFocus()
{
    button_->setFocus(Qt::OtherFocusReason);
}

ButtonFaceLook TToggleButton::FaceLook(QStyle::PrimitiveElement indicator, TCheckBoxState state) const
{
    return {alignment_, vertAlignment_, wordWrap_, indicator, state};
}

void TToggleButton::ActionChange(fw::TBasicAction* sender, bool checkDefaults)
{
    fw::TWinControl::ActionChange(sender, checkDefaults);
    if (auto* action = dynamic_cast<fw::TCustomAction*>(sender); action && (!checkDefaults || !checked_))
        SetChecked(action->GetChecked());
}

} // namespace e3
