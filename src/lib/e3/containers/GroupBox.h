#pragma once
// The group box the engine puts on its forms: a framed, captioned container
// that passes the engine's Enabled and LockedEdit on to its children.
#include "e3/common/ControlBase.h"

#include <QGroupBox>

namespace e3 {

class Te3CustomGroupBox : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomGroupBox(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    virtual void SetLockedEdit(bool value);
    bool GetLockedEdit() const { return cascade_.LockedEdit(); }
    bool GetEnabling() const { return cascade_.Enabling(); }
    void SetText(const std::string& text) override;

    void SetFocus();
    QGroupBox* GroupBox() const { return box_; }

private:
    QGroupBox* box_;
    ContainerCascade cascade_;
};

class Te3GroupBox : public Te3CustomGroupBox {
    FW_CLASS()
public:
    using Te3CustomGroupBox::Te3CustomGroupBox;
};

class Te3_GroupBox : public Te3GroupBox {
    FW_CLASS()
public:
    using Te3GroupBox::Te3GroupBox;
};

} // namespace e3
