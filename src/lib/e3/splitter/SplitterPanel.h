#pragma once
// The splitter panel: two child controls side by side (or one above the
// other) with a bar between them that the user drags to share the room. The
// first control never gets smaller than TopLeftLimit, and leaves the second at
// least BottomRightLimit.
#include "e3/common/ControlBase.h"
#include "e3/containers/Panel.h"

#include <QRect>

#include <array>

namespace e3 {

enum class TSplitterStyle { stNone, stVertical, stHorizontal };
extern const fw::TEnumType SplitterStyleType;

class Te3CustomSplitterPanel;

// Where the three grip dots of the bar stand, in the bar's client area of
// width by height; nothing for stNone.
std::array<QRect, 3> SplitterDots(TSplitterStyle style, int width, int height);

// The bar: dragging it resizes the first control, within the limits.
class TDotRxSplitter : public fw::TWinControl {
    FW_CLASS()
public:
    explicit TDotRxSplitter(fw::TComponent* owner);

    fw::TControl* ControlFirst() const { return first_.get(); }
    void SetControlFirst(fw::TControl* value) { first_ = value; }
    fw::TControl* ControlSecond() const { return second_.get(); }
    void SetControlSecond(fw::TControl* value) { second_ = value; }
    int32_t TopLeftLimit() const { return topLeftLimit_; }
    void SetTopLeftLimit(int32_t value) { topLeftLimit_ = value; }
    int32_t BottomRightLimit() const { return bottomRightLimit_; }
    void SetBottomRightLimit(int32_t value) { bottomRightLimit_ = value; }

    // The drag: from where the mouse went down, by how far (in the bar's
    // direction) it has moved since.
    void BeginDrag();
    void DragBy(int delta);

    TSplitterStyle PanelStyle() const;

private:
    class BarWidget;
    fw::Guard<fw::TControl> first_;
    fw::Guard<fw::TControl> second_;
    int32_t topLeftLimit_ = 20;
    int32_t bottomRightLimit_ = 20;
    int32_t dragStartSize_ = 0;
};

class Te3CustomSplitterPanel : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomSplitterPanel(fw::TComponent* owner);

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    TDotRxSplitter* Splitter() const { return splitter_; }
    TSplitterStyle GetSplitterStyle() const { return style_; }
    void SetSplitterStyle(TSplitterStyle value);
    int32_t GetSplitterThickNess() const { return thickness_; }
    void SetSplitterThickNess(int32_t value);
    fw::TControl* GetControlFirst() const { return splitter_->ControlFirst(); }
    void SetControlFirst(fw::TControl* value);
    fw::TControl* GetControlSecond() const { return splitter_->ControlSecond(); }
    void SetControlSecond(fw::TControl* value);
    int32_t GetTopLeftLimit() const { return splitter_->TopLeftLimit(); }
    void SetTopLeftLimit(int32_t value) { splitter_->SetTopLeftLimit(value); }
    int32_t GetBottomRightLimit() const { return splitter_->BottomRightLimit(); }
    void SetBottomRightLimit(int32_t value) { splitter_->SetBottomRightLimit(value); }
    int32_t GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int32_t value);
    bool GetFullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool value) { fullRepaint_ = value; }
    // Kept for the engine: the caption is drawn nowhere, the two controls cover
    // the panel.
    TPanelAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPanelAlignment value) { alignment_ = value; }
    TPanelBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TPanelBorderStyle value) { borderStyle_ = value; }
    bool GetLocked() const { return locked_; }
    void SetLocked(bool value) { locked_ = value; }
    void SetText(const std::string& text) override;

    // The first control back within the limits after the panel changed size.
    virtual void KeepWithinLimits();

    void FocusPanel();

private:
    void ApplyStyle();

    TDotRxSplitter* splitter_;
    TSplitterStyle style_ = TSplitterStyle::stNone;
    int32_t thickness_ = 3;
    int32_t borderWidth_ = 0;
    bool fullRepaint_ = true;
    bool locked_ = false;
    TPanelAlignment alignment_ = palCenter;
    TPanelBorderStyle borderStyle_ = pbsNone;
};

class Te3SplitterPanel : public Te3CustomSplitterPanel {
    FW_CLASS()
public:
    using Te3CustomSplitterPanel::Te3CustomSplitterPanel;
};

class Te3_SplitterPanel : public Te3SplitterPanel {
    FW_CLASS()
public:
    using Te3SplitterPanel::Te3SplitterPanel;
};

} // namespace e3
