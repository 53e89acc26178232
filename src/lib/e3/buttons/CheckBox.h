#pragma once
// The check box the engine puts on its forms: a read-only state shown grey
// (an unchecked one as an empty light box), the engine's lock as read-only,
// and captions whose ampersands show as they are.
#include "e3/buttons/ButtonFace.h"
#include "e3/common/Contract.h"

#include <QCheckBox>

namespace e3 {

class CheckBoxWidget;

class Te3CustomCheckBox : public fw::TWinControl, public ITranslatableControl {
    FW_CLASS()
public:
    explicit Te3CustomCheckBox(fw::TComponent* owner);
    ~Te3CustomCheckBox() override;

    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;

    void SetEnabled(bool value) override;
    std::string GetText() const override;
    void SetText(const std::string& text) override;

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TVertAlignment GetVertAlignment() const { return vertAlignment_; }
    void SetVertAlignment(TVertAlignment value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool GetChecked() const { return checked_; }
    void SetChecked(bool value);
    TCheckBoxState GetState() const { return state_; }
    void SetState(TCheckBoxState value);
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);
    bool EnabledWishValue() const { return wish_.Wish(); }

    void SetFocus();
    // Where the light square stands now; nothing while it is not painted.
    std::optional<QRect> ReadOnlySquareShown() const;

    fw::TNotifyEvent OnChange;

    QCheckBox* CheckBox() const;

protected:
    // OnClick comes from the change of state, not from the mouse.
    void DoClick() override {}
    // Checked follows a linked action too.
    void ActionChange(fw::TBasicAction* action, bool checkDefaults) override;

private:
    friend class CheckBoxWidget;
    void UserToggle();
    void ApplyReadOnly(bool value);
    void Repaint();

    CheckBoxWidget* box_;
    EnabledWish wish_;
    TAlignment alignment_ = taRightJustify;
    TVertAlignment vertAlignment_ = vaCenter;
    bool wordWrap_ = true;
    bool allowGrayed_ = false;
    bool readOnly_ = false;
    // The ReadOnly the engine asked for, kept while a lock holds the box read-only.
    bool readOnlyWish_ = false;
    bool checked_ = false;
    TCheckBoxState state_ = cbUnchecked;
    bool lockedEdit_ = false;
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
