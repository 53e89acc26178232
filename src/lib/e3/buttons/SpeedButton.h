#pragma once
// The push button of engine forms: glyph and caption, an optional drop-down
// menu, auto-repeat while held, groups with one button down at a time, a modal
// result, and, unlike a classic speed button, a window of its own that takes
// the keyboard focus. The colour speed button is the same button painted in
// its own colours.
#include "e3/common/ControlBase.h"
#include "e3/edits/Edit.h"
#include "e3/common/EngineImages.h"
#include "e3/menus/Menus.h"

#include <QPointer>
#include <QRect>

class QPainter;
class QShortcut;
class QTimer;

namespace e3 {

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TRxDropDownMenuPos { dmpBottom, dmpRight };
extern const fw::TEnumType ButtonStyleType;
extern const fw::TEnumType ButtonLayoutType;
extern const fw::TEnumType DropDownMenuPosType;

enum class ButtonState { Up, Disabled, Down, Exclusive, Inactive };

// Where the drop-down menu is shown, in client coordinates of a button of
// that size, for the menu's own alignment.
QPoint DropDownMenuPoint(TRxDropDownMenuPos position, TPopupAlignment alignment, int width, int height);

// Places glyph and caption inside client. A margin of -1 centres the pair; a
// spacing of -1 spreads the free room evenly around and between them.
struct GlyphPlacement {
    QRect glyph;
    QRect caption;
};
GlyphPlacement PlaceGlyphAndCaption(const QRect& client, QSize glyph, QSize caption, TButtonLayout layout,
                                    int margin, int spacing);

// A button can take the focus only while it lies within its parent's height.
bool LiesWithinParentHeight(int top, int height, int parentHeight);

class SpeedButtonWidget;

// What both button families share; each family class publishes its own table.
class SpeedButtonBase : public fw::TWinControl, public IGlyphHolder {
public:
    explicit SpeedButtonBase(fw::TComponent* owner);
    ~SpeedButtonBase() override;

    int32_t GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int32_t value);
    bool GetDown() const { return down_; }
    void SetDown(bool value);
    bool GetAllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool GetFlat() const { return flat_; }
    void SetFlat(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    TButtonStyle GetStyle() const { return style_; }
    void SetStyle(TButtonStyle value);
    TButtonLayout GetLayout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int32_t GetMargin() const { return margin_; }
    void SetMargin(int32_t value);
    int32_t GetSpacing() const { return spacing_; }
    void SetSpacing(int32_t value);
    int32_t GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int32_t value);
    TBitmap* GetGlyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* value);
    void AssignGlyph(const QImage& image) override;
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool GetGrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool value);
    bool GetMarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool value);
    Te3CustomPopupMenu* GetDropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(Te3CustomPopupMenu* value);
    TRxDropDownMenuPos GetMenuPosition() const { return menuPosition_; }
    void SetMenuPosition(TRxDropDownMenuPos value) { menuPosition_ = value; }
    bool GetAllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool value);
    int32_t GetInitPause() const { return initPause_; }
    void SetInitPause(int32_t value) { initPause_ = static_cast<uint16_t>(value); }
    int32_t GetRepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int32_t value) { repeatInterval_ = static_cast<uint16_t>(value); }
    int32_t GetModalResult() const { return modalResult_; }
    void SetModalResult(int32_t value) { modalResult_ = value; }
    void SetText(const std::string& text) override;
    // Becoming visible may put the button under the pointer.
    void SetVisible(bool value) override;

    // The click: the parent form takes the modal result, then OnClick.
    virtual void Click();
    // The engine's click: only on an enabled, visible button.
    void ClickIfUsable() { if (GetEnabled() && GetVisible()) Click(); }
    bool CanFocus() const;
    // Raises the framework's error for a button that cannot take the focus.
    void SetFocus();
    void FocusByEngine() { SetFocus(); }

    ButtonState State() const { return state_; }
    bool Hot() const { return hot_; }
    bool Tracking() const { return tracking_; }
    // The repeat timer, once it exists.
    QTimer* RepeatTimer() const { return repeatTimer_; }

    fw::TNotifyEvent OnMouseEnter, OnMouseLeave;

    // Input as the input bridge and the window report it.
    void DoClick() override {}
    void DoDblClick() override;
    void DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoMouseUp(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoMouseMove(fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoKeyDown(uint16_t& key, fw::TShiftState shift) override;
    void MouseEntered();
    void MouseLeft();
    void FocusChanged(bool focused);

    void Paint(QPainter& painter);
    void DrawWin31Frame(QPainter& painter, const QRect& rect, bool pressed) const;

protected:
    void ApplyEnabled() override;
    void Notification(fw::TComponent* component, fw::TOperation operation) override;
    // A grouped button takes a checkable action's Checked as Down; a button
    // without a glyph shows the action's picture.
    void ActionChange(fw::TBasicAction* action, bool checkDefaults) override;
    // Differences of the families.
    virtual QColor FaceColor() const;
    virtual void FillExclusive(QPainter& painter, const QRect& rect);
    virtual bool DrawsFocusFrame() const { return false; }

    void Changed();

private:
    friend class SpeedButtonWidget;
    void Broadcast();
    void ButtonPressed(int32_t groupIndex, SpeedButtonBase* sender);
    void StartRepeat();
    void StopRepeat();
    void RepeatTick();
    void DropDown(bool always);
    bool InsideClient(int x, int y) const;
    void UpdateHot();
    void UpdateAccelerator();

    SpeedButtonWidget* window_;
    QShortcut* accelerator_ = nullptr;
    int32_t groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool transparent_ = false;
    TButtonStyle style_ = bsAutoDetect;
    TButtonLayout layout_ = blGlyphTop;
    int32_t margin_ = -1;
    int32_t spacing_ = -3;
    int32_t numGlyphs_ = 1;
    std::unique_ptr<TBitmap> glyph_;
    bool wordWrap_ = false;
    TAlignment alignment_ = taCenter;
    bool grayedInactive_ = true;
    bool markDropDown_ = true;
    Te3CustomPopupMenu* dropDownMenu_ = nullptr;
    TRxDropDownMenuPos menuPosition_ = dmpBottom;
    bool allowTimer_ = false;
    uint16_t initPause_ = 500;
    uint16_t repeatInterval_ = 100;
    int32_t modalResult_ = 0;

    ButtonState state_ = ButtonState::Up;
    bool hot_ = false;
    bool tracking_ = false;
    bool menuDropped_ = false;
    QTimer* repeatTimer_ = nullptr;
};

class Te3CustomSpeedButton : public SpeedButtonBase, public TranslatableControl {
    FW_CLASS()
public:
    explicit Te3CustomSpeedButton(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);
    bool EnabledWishValue() const { return wish_.Wish(); }

protected:
    bool DrawsFocusFrame() const override { return true; }

private:
    EnabledWish wish_;
    bool lockedEdit_ = false;
};

class Te3SpeedButton : public Te3CustomSpeedButton {
    FW_CLASS()
public:
    using Te3CustomSpeedButton::Te3CustomSpeedButton;
};

class Te3_SpeedButton : public Te3SpeedButton {
    FW_CLASS()
public:
    using Te3SpeedButton::Te3SpeedButton;
};

class Te3CustomColorSpeedButton : public SpeedButtonBase {
    FW_CLASS()
public:
    explicit Te3CustomColorSpeedButton(fw::TComponent* owner);

    fw::TColor GetPressedColor() const { return pressedColor_; }
    void SetPressedColor(fw::TColor value);

protected:
    QColor FaceColor() const override;
    void FillExclusive(QPainter& painter, const QRect& rect) override;

private:
    fw::TColor pressedColor_ = fw::clBlack;
};

class Te3ColorSpeedButton : public Te3CustomColorSpeedButton {
    FW_CLASS()
public:
    using Te3CustomColorSpeedButton::Te3CustomColorSpeedButton;
};

} // namespace e3
