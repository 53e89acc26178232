#pragma once
// The scroll box the engine puts on its forms: a container whose children sit
// on a scrolled client widget (so their widgets' Qt parent is not the box),
// and which passes the engine's Enabled and LockedEdit on to its children.
#include "e3/common/ControlBase.h"
#include "e3/edits/Edit.h"
#include "e3/common/ScrollingClient.h"

namespace e3 {

class Te3CustomScrollBox : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomScrollBox(fw::TComponent* owner);
    ~Te3CustomScrollBox() override;

    void SetEnabled(bool value) override;
    virtual void SetLockedEdit(bool value);
    bool GetLockedEdit() const { return cascade_.LockedEdit(); }
    bool GetEnabling() const { return cascade_.Enabling(); }

    QWidget* ClientWidget() const override;
    int32_t ClientWidth() const override;
    int32_t ClientHeight() const override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    bool GetAutoScroll() const { return client_.AutoScroll(); }
    void SetAutoScroll(bool value);
    TEditBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TEditBorderStyle value);
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);

    void SetFocus();
    QScrollArea* ScrollArea() const { return client_.Area(); }

protected:
    // For families built on the scroll box that translate as themselves.
    Te3CustomScrollBox(fw::TComponent* owner, ControlLanguage language);

    void AdjustAutoSize() override;
    void Ctl3DChanged() override { ApplyBorder(); }

private:
    int FrameWidth() const;
    void ApplyBorder();

    ContainerCascade cascade_;
    TEditBorderStyle borderStyle_ = bsSingle;
    TScrollStyle scrollBars_ = ssNone;
    ScrollingClient client_;
};

class Te3ScrollBox : public Te3CustomScrollBox {
    FW_CLASS()
public:
    using Te3CustomScrollBox::Te3CustomScrollBox;
};

class Te3_ScrollBox : public Te3ScrollBox {
    FW_CLASS()
public:
    using Te3ScrollBox::Te3ScrollBox;
};

} // namespace e3
