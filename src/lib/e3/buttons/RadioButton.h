#pragma once
// The radio button the engine puts on its forms. It keeps its own checked
// state and its own exclusivity among the radio buttons of ours that share its
// parent, so that the order of the click and change events stays the
// engine's: the checked button first, then the sibling it unchecks, then the
// checked button's click once more.
#include "e3/buttons/ToggleButton.h"

#include <QRadioButton>

namespace e3 {

class RadioButtonWidget;

class Te3CustomRadioButton : public TToggleButton {
    FW_CLASS()
public:
    explicit Te3CustomRadioButton(fw::TComponent* owner);

    void SetText(const std::string& text) override;

    bool GetChecked() const { return checked_; }
    void SetChecked(bool value) override;
    // The lock disables the button; Enabled True waits for the unlock.
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);

    QRadioButton* RadioButton() const;

protected:
    bool EnableRefused() const override { return lockedEdit_; }

private:
    friend class RadioButtonWidget;

    RadioButtonWidget* radio_;
};

class Te3RadioButton : public Te3CustomRadioButton {
    FW_CLASS()
public:
    using Te3CustomRadioButton::Te3CustomRadioButton;
};

class Te3_RadioButton : public Te3RadioButton {
    FW_CLASS()
public:
    using Te3RadioButton::Te3RadioButton;
};

class Te3_NonCyclicRadioButton : public Te3_RadioButton {
    FW_CLASS()
public:
    using Te3_RadioButton::Te3_RadioButton;
};

} // namespace e3
