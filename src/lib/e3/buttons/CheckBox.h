#pragma once
// The check box the engine puts on its forms: a read-only state shown grey
// (an unchecked one as an empty light box), the engine's lock as read-only,
// and captions whose ampersands show as they are.
#include "e3/buttons/ToggleButton.h"

#include <QCheckBox>

namespace e3 {

class CheckBoxWidget;

class Te3CustomCheckBox : public TToggleButton {
    FW_CLASS()
public:
    explicit Te3CustomCheckBox(fw::TComponent* owner);

    std::string GetText() const override;
    void SetText(const std::string& text) override;

    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool GetChecked() const { return checked_; }
    void SetChecked(bool value) override;
    TCheckBoxState GetState() const { return state_; }
    void SetState(TCheckBoxState value);
    // The lock holds the box read-only; the box stays enabled.
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);

    // Where the light square stands now; nothing while it is not painted.
    std::optional<QRect> ReadOnlySquareShown() const;

    QCheckBox* CheckBox() const;

private:
    friend class CheckBoxWidget;
    void UserToggle();
    void ApplyReadOnly(bool value);

    CheckBoxWidget* box_;
    bool allowGrayed_ = false;
    bool readOnly_ = false;
    // The ReadOnly the engine asked for, kept while a lock holds the box read-only.
    bool readOnlyWish_ = false;
    TCheckBoxState state_ = cbUnchecked;
    bool clicksDisabled_ = false;
};

class Te3CheckBox : public Te3CustomCheckBox {
    FW_CLASS()
public:
    using Te3CustomCheckBox::Te3CustomCheckBox;
};

class Te3_CheckBox : public Te3CheckBox {
    FW_CLASS()
public:
    using Te3CheckBox::Te3CheckBox;
};

} // namespace e3
