#pragma once
// The radio button the engine puts on its forms. It keeps its own checked
// state and its own exclusivity among the radio buttons of ours that share its
// parent, so that the order of the click and change events stays the
// engine's: the checked button first, then the sibling it unchecks, then the
// checked button's click once more.
#include "e3/buttons/ButtonFace.h"
#include "e3/common/Contract.h"

#include <QRadioButton>

namespace e3 {

class RadioButtonWidget;

class Te3CustomRadioButton : public fw::TWinControl, public ITranslatableControl {
    FW_CLASS()
public:
    explicit Te3CustomRadioButton(fw::TComponent* owner);
    ~Te3CustomRadioButton() override;

    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;

    void SetEnabled(bool value) override;
    void SetText(const std::string& text) override;

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TVertAlignment GetVertAlignment() const { return vertAlignment_; }
    void SetVertAlignment(TVertAlignment value);
    bool GetWordwrap() const { return wordWrap_; }
    void SetWordwrap(bool value);
    bool GetChecked() const { return checked_; }
    void SetChecked(bool value);
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);
    bool EnabledWishValue() const { return wish_.Wish(); }

    void SetFocus();

    fw::TNotifyEvent OnChange;

    QRadioButton* RadioButton() const;

protected:
    // OnClick comes from checking the button, not from the mouse.
    void DoClick() override {}
    // Checked follows a linked action too.
    void ActionChange(fw::TBasicAction* action, bool checkDefaults) override;

private:
    friend class RadioButtonWidget;
    void Repaint();

    RadioButtonWidget* button_;
    EnabledWish wish_;
    TAlignment alignment_ = taRightJustify;
    TVertAlignment vertAlignment_ = vaCenter;
    bool wordWrap_ = true;
    bool checked_ = false;
    bool lockedEdit_ = false;
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
