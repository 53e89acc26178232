#pragma once
// What check boxes and radio buttons share as controls: the caption placed by
// Alignment, VertAlignment and word wrap, the checked state with OnChange,
// clicks that come from the change of state rather than from the mouse, a
// linked action's Checked, LockedEdit and the window that takes the focus.
#include "e3/buttons/ButtonFace.h"
#include "e3/common/ControlBase.h"

#include <QAbstractButton>

namespace e3 {

class TToggleButton : public Te3Control<fw::TWinControl> {
public:
    TAlignment GetAlignment() const { return alignment_; }
    // Only left and right: anything else puts the caption right of the box.
    void SetAlignment(TAlignment value);
    TVertAlignment GetVertAlignment() const { return vertAlignment_; }
    void SetVertAlignment(TVertAlignment value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Checked and LockedEdit are the family's: their rules differ.
    virtual void SetChecked(bool value) = 0;

    void SetFocus();

    fw::TNotifyEvent OnChange;

protected:
    TToggleButton(fw::TComponent* owner, ControlLanguage language);

    // Makes the family's button the control's window.
    template <class Button>
    Button* OwnButton(Button* button)
    {
        button_ = button;
        return OwnWidget(button);
    }

    // OnClick comes from the change of state, not from the mouse.
    void DoClick() override {}
    // Checked follows a linked action too.
    void ActionChange(fw::TBasicAction* action, bool checkDefaults) override;

    void Repaint();
    // The look the face is painted with, for the given state of the box.
    ButtonFaceLook FaceLook(QStyle::PrimitiveElement indicator, TCheckBoxState state) const;

    QAbstractButton* button_ = nullptr;
    bool checked_ = false;
    bool lockedEdit_ = false;

private:
    TAlignment alignment_ = taRightJustify;
    TVertAlignment vertAlignment_ = vaCenter;
    bool wordWrap_ = true;
};

} // namespace e3
