#pragma once
#include <vector>
// The engine's static text: the framework's label with a fixed default size,
// vertical centring, the child side of the Enabled cascade (without colours)
// and, with Scale, text shortened with "..." to fit the width.
#include "e3/common/ControlBase.h"
#include "e3/edits/Edit.h"
#include "e3/common/GraphicControl.h"

#include <QPointer>
#include <QShortcut>
#include <functional>
#include <string>

namespace e3 {

enum TTextLayout { tlTop, tlCenter, tlBottom };
extern const fw::TEnumType TextLayoutType;

// The text shown in `width` pixels: while the text is wider than the width
// minus a margin (4, from the first removal on the width of "..." plus 4), one
// character goes (the first for taLeftJustify, the last for taRightJustify,
// the middle one for taCenter); "..." then stands where the last one went.
// textWidth measures a text in pixels.
std::string ShortenText(const std::string& text, int width, TAlignment deleteAlign,
                        const std::function<int(const std::string&)>& textWidth);

class Te3CustomLabel : public TGraphicControl {
    FW_CLASS()
public:
    explicit Te3CustomLabel(fw::TComponent* owner);

    TAlignment GetDeleteAlign() const { return deleteAlign_; }
    void SetDeleteAlign(TAlignment value);
    bool GetScale() const { return scale_; }
    void SetScale(bool value);

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout GetLayout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    // The windowed control that the caption's accelerator (Alt and the letter
    // after "&") gives the focus to.
    fw::TComponent* GetFocusControl() const { return focusControl_.get(); }
    void SetFocusControl(fw::TComponent* control);

    // The text as it is drawn now (shortened when Scale asks for it).
    virtual std::string ShownText() const;

protected:
    void Paint(QPainter& painter) override;
    void AdjustAutoSize() override;
    // The caption changed: resize and repaint.
    void TextChanged();

private:
    int DrawFlags() const;
    void UpdateAccelerator();
    void FocusTarget();

    TAlignment deleteAlign_ = taRightJustify;
    bool scale_ = false;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlCenter;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    fw::Guard<fw::TComponent> focusControl_;
    QPointer<QShortcut> accelerator_;
};

class Te3Label : public Te3Control<Te3CustomLabel> {
    FW_CLASS()
public:
    explicit Te3Label(fw::TComponent* owner);

    // Caption: written only when it differs.
    void SetText(const std::string& text) override;
};

// The rows the label's engine classes publish (the plain and the Unicode one).
fw::TRows<Te3CustomLabel> LabelEngineProperties();

class Te3_Label : public Te3Label {
    FW_CLASS()
public:
    using Te3Label::Te3Label;
};

} // namespace e3
