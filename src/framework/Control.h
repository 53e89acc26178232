#pragma once
// Controls: components that are shown. The logical parent places a control and
// may differ from its widget's Qt parent (scroll boxes, pages, a form's client
// area). Visible and Enabled are our own state, never read back from Qt.
#include "framework/ControlBevel.h"
#include "framework/Component.h"
#include "framework/Events.h"
#include "framework/Graphics.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace fw {

class TWinControl;
class TBasicAction;
class TActionLink;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = uint32_t;
constexpr TAnchors DefaultAnchors = (1u << akLeft) | (1u << akTop);

extern const TEnumType AlignType;
extern const TEnumType AnchorKindType;

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TImeMode {
    imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese, imSHanguel,
    imHanguel
};
// Cursor numbers of the original framework (negative: the stock cursors).
using TCursor = int32_t;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
                  crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
                  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22, crSize = -22;

extern const TEnumType BiDiModeType;
extern const TEnumType DragModeType;
extern const TEnumType DragKindType;
extern const TEnumType ImeModeType;

// Right-to-left modes lay the control out mirrored, except reading-only,
// which turns only the reading order of its text.
Qt::LayoutDirection LayoutDirectionOf(TBiDiMode mode);
// The Qt shape of a stock cursor; the arrow for crDefault and numbers that
// name no stock cursor.
Qt::CursorShape CursorShapeOf(TCursor cursor);

// What a control needs of the popup menu its PopupMenu property names (the
// menus live in the control library).
class IPopupMenu {
public:
    virtual ~IPopupMenu() = default;
    virtual bool AutoPopupEnabled() const = 0;
    // Shows the menu at a screen point on behalf of component.
    virtual void PopupFor(TComponent* component, int screenX, int screenY) = 0;
};

class TSizeConstraints : public TPersistent {
    FW_CLASS()
public:
    int32_t GetMinWidth() const { return minWidth_; }
    void SetMinWidth(int32_t v) { Change(minWidth_, v); }
    int32_t GetMinHeight() const { return minHeight_; }
    void SetMinHeight(int32_t v) { Change(minHeight_, v); }
    int32_t GetMaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int32_t v) { Change(maxWidth_, v); }
    int32_t GetMaxHeight() const { return maxHeight_; }
    void SetMaxHeight(int32_t v) { Change(maxHeight_, v); }

    // A size within the constraints (0 means no limit).
    void Apply(int32_t& width, int32_t& height) const;
    // The same with the limits given.
    static void Hold(int32_t& width, int32_t& height, int32_t minWidth, int32_t minHeight, int32_t maxWidth,
                     int32_t maxHeight);

    std::function<void()> OnChange;

private:
    void Change(int32_t& field, int32_t value);
    int32_t minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

// Qt paints the children of one window that overlap the painted area by
// recursing once per child; tens of thousands of them overflow the stack. A
// window therefore takes at most this many child windows, far more than any
// form needs.
inline constexpr int kMaxChildWindows = 10000;

// Raised when a control would be the child window beyond kMaxChildWindows.
class ETooManyControls : public EComponentError {
public:
    using EComponentError::EComponentError;
};

class TControl : public TComponent {
    FW_CLASS()
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // A caption (or text) that equals the old name follows the new one,
    // unless the control or its owner is being loaded: a control made and
    // named at run time shows its name.
    void SetName(const std::string& name) override;

    TWinControl* Parent() const { return parent_; }
    TWinControl* GetParent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    bool HasParent() const { return parent_ != nullptr; }

    int32_t GetLeft() const { return left_; }
    int32_t GetTop() const { return top_; }
    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    void SetLeft(int32_t v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int32_t v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int32_t v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int32_t v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    virtual int32_t ClientWidth() const { return width_; }
    virtual int32_t ClientHeight() const { return height_; }

    TAlign GetAlign() const { return align_; }
    void SetAlign(TAlign align);
    TAnchors GetAnchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);
    TSizeConstraints* GetConstraints() const { return constraints_.get(); }
    void SetConstraints(TSizeConstraints* value);
    bool GetAutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool value);

    bool GetVisible() const { return visible_; }
    virtual void SetVisible(bool visible);
    // Visible here and in every parent up to a shown form.
    bool IsShowing() const;
    bool GetEnabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    TColor GetColor() const { return color_; }
    virtual void SetColor(TColor color);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    TFont* GetFont() const { return font_.get(); }
    void SetFont(TFont* font);
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool value);

    std::string GetHint() const { return hint_; }
    virtual void SetHint(const std::string& hint);
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value) { parentShowHint_ = value; }
    // Whether hints show over the control: its own ShowHint, or with
    // ParentShowHint that of its parent.
    bool ShowsHints() const;
    // The help topic F1 asks for while the control (or a control inside it
    // without a topic of its own) has the focus; 0 none.
    int32_t GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int32_t value) { helpContext_ = value; }
    // The mouse cursor over the control; crDefault leaves the widget's own
    // (an edit's text cursor, say).
    TCursor GetCursor() const { return cursor_; }
    void SetCursor(TCursor value);

    // Caption and Text are one text, as the original framework keeps them.
    virtual std::string GetText() const { return text_; }
    virtual void SetText(const std::string& text);

    QWidget* Widget() const { return widget_; }

    // A popup menu component (an IPopupMenu); reads null once it is freed.
    TComponent* GetPopupMenu() const { return popupMenu_.get(); }
    void SetPopupMenu(TComponent* menu);

    TBiDiMode GetBiDiMode() const { return biDiMode_; }
    void SetBiDiMode(TBiDiMode value);
    bool GetParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool value);

    // The action the control follows (caption, enabled state, hint,
    // visibility; families add what else they take from it) and runs when it
    // is clicked without an OnClick handler. Reads null once it is freed.
    TBasicAction* GetAction() const;
    void SetAction(TBasicAction* action);

    TDragMode GetDragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    TDragKind GetDragKind() const { return dragKind_; }
    void SetDragKind(TDragKind value) { dragKind_ = value; }
    TCursor GetDragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor value) { dragCursor_ = value; }

    // Handlers; which of them a class publishes is up to its table.
    TNotifyEvent OnClick, OnDblClick, OnResize;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TContextPopupEvent OnContextPopup;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TStartDragEvent OnStartDrag, OnStartDock;
    TEndDragEvent OnEndDrag, OnEndDock;
    // Asked before a change of size: OnCanResize may change the new size or
    // refuse it, OnConstrainedResize may change the limits the size is held to.
    TCanResizeEvent OnCanResize;
    TConstrainedResizeEvent OnConstrainedResize;

    // What the user's input raises (the input bridge calls these); a family
    // that raises an event its own way overrides the hook. Coordinates are
    // client coordinates. A handler may free the control.
    virtual void DoClick();
    virtual void DoDblClick();
    virtual void DoMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void DoMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void DoMouseMove(TShiftState shift, int32_t x, int32_t y);
    // A context-menu request at a client point (keyboard: (-1, -1), the menu
    // then opens at the client origin): OnContextPopup first, then the popup
    // menu unless the handler took it. False when neither took it, so that the
    // request goes on to the parent.
    virtual bool DoContextPopup(TPoint mousePos);
    // OnClick, or the action when there is no handler.
    void RaiseClick();

    // Drag of another control over this one (see DragSession): whether this
    // control takes source here (only with an OnDragOver handler).
    virtual bool DragOver(TObject* source, int32_t x, int32_t y, TDragState state);
    virtual void DragDrop(TObject* source, int32_t x, int32_t y);
    virtual void DoStartDrag();
    virtual void DoEndDrag(TObject* target, int32_t x, int32_t y);

protected:
    // The control's widget; owned by the control from now on.
    void SetWidget(QWidget* widget);
    // Applies colour and font to the widget (a family may paint its own way).
    virtual void ApplyColor();
    virtual void ApplyFont();
    virtual void ApplyEnabled();
    virtual void ApplyGeometry();
    // OnCanResize and OnConstrainedResize on a new size; false when the
    // control is to keep its bounds (refused, or freed by a handler).
    bool AskNewSize(int32_t& width, int32_t& height);
    void Detach() override;
    void Loaded() override;
    // The size the content wants, for AutoSize; the current size by default.
    virtual void AdjustAutoSize() {}
    // Brings the control up to its action's state; with checkDefaults (when
    // the action is linked) only what still has its default value changes.
    virtual void ActionChange(TBasicAction* action, bool checkDefaults);

    // Called with the parent's new client size (anchors keep their distances).
    void ParentResized(int32_t oldWidth, int32_t oldHeight, int32_t newWidth, int32_t newHeight);
    void RequestAlign();

    std::string text_;

private:
    friend class TWinControl;
    void ApplyParentFont();
    void ApplyParentColor();
    void ApplyVisible();
    void ApplyParentBiDiMode();
    void ApplyBiDiMode();
    void ApplyCursor();

    TWinControl* parent_ = nullptr;
    QPointer<QWidget> widget_;
    int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_ = DefaultAnchors;
    std::unique_ptr<TSizeConstraints> constraints_;
    bool autoSize_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    int32_t helpContext_ = 0;
    TCursor cursor_ = crDefault;
    // The cursor the widget came with (an edit's text cursor), -1 none: what
    // crDefault gives back.
    int widgetCursor_ = -1;
    Guard<TComponent> popupMenu_;
    std::unique_ptr<TActionLink> actionLink_;
    TBiDiMode biDiMode_ = bdLeftToRight;
    bool parentBiDiMode_ = true;
    TDragMode dragMode_ = dmManual;
    TDragKind dragKind_ = dkDrag;
    TCursor dragCursor_ = crDrag;
};

// The tooltip shown over control: the hint of the nearest control up from it
// that shows hints, or of that control's nearest parent with a hint, up to the
// first "|"; "%s (%s)" with the shortcut of the control's action when it has
// one. Empty when nothing is to show.
std::string ShownHint(const TControl* control);
// A shortcut (virtual key in the low byte, Shift 0x2000, Ctrl 0x4000, Alt
// 0x8000) as text, say "Shift+Ctrl+S"; empty for 0.
std::string ShortCutToText(int32_t shortCut);

// Layout is held back while a form description is being read, and done once for
// the whole tree when it is complete.
class LayoutHold {
public:
    LayoutHold();
    ~LayoutHold();
    static bool Active();
};

class TWinControl : public TControl {
    FW_CLASS()
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    const std::vector<TControl*>& ChildControls() const { return controls_; }

    int32_t GetTabOrder() const;
    void SetTabOrder(int32_t order);
    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    // The windowed children in tab order.
    const std::vector<TWinControl*>& TabList() const { return tabList_; }

    // Where the widgets of child controls go.
    virtual QWidget* ClientWidget() const { return Widget(); }

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    // Places the aligned children in the client area; anchored ones keep
    // their distances when the client area changes size.
    void AlignControls();
    // Aligns this control and every windowed control below it, parents first.
    void AlignTree();
    // The client area changed size without new bounds (a form's menu bar came or
    // went): anchored children keep their distances, aligned ones are placed again.
    void ClientAreaResized(int32_t oldWidth, int32_t oldHeight);

    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    bool GetParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value);
    // Kept for the engine; input methods are the desktop's business here.
    TImeMode GetImeMode() const { return imeMode_; }
    void SetImeMode(TImeMode value) { imeMode_ = value; }
    std::string GetImeName() const { return imeName_; }
    void SetImeName(const std::string& value) { imeName_ = value; }
    // Docking into this control needs the dock manager: kept, not acted on.
    bool GetDockSite() const { return dockSite_; }
    void SetDockSite(bool value) { dockSite_ = value; }
    bool GetUseDockManager() const { return useDockManager_; }
    void SetUseDockManager(bool value) { useDockManager_ = value; }
    // The bevel drawn around the control while BevelKind is not bkNone.
    TBevelEdges GetBevelEdges() const { return bevel_.edges; }
    void SetBevelEdges(TBevelEdges value);
    TBevelCut GetBevelInner() const { return bevel_.inner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut GetBevelOuter() const { return bevel_.outer; }
    void SetBevelOuter(TBevelCut value);
    TBevelKind GetBevelKind() const { return bevel_.kind; }
    void SetBevelKind(TBevelKind value);
    int32_t GetBevelWidth() const { return bevel_.width; }
    void SetBevelWidth(int32_t value);

    // Kept for the engine: text typed here never passes through a console
    // ("OEM") code page, which this desktop does not have.
    bool GetOEMConvert() const { return oemConvert_; }
    void SetOEMConvert(bool value) { oemConvert_ = value; }

    // Whether a themed desktop draws the parent's background behind the
    // control; our controls paint their own Color, so it is kept for the engine.
    bool GetParentBackground() const { return parentBackground_; }
    void SetParentBackground(bool value) { parentBackground_ = value; }

    // A control docked here (OnDockDrop), dragged over this site (OnDockOver),
    // asking where it may dock (OnGetSiteInfo), or about to leave it
    // (OnUnDock, which may refuse).
    TDragDropEvent OnDockDrop;
    TDragOverEvent OnDockOver;
    TGetSiteInfoEvent OnGetSiteInfo;
    TUnDockEvent OnUnDock;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;
    bool HasWheelHandler() const { return OnMouseWheel || OnMouseWheelDown || OnMouseWheelUp; }
    // OnMouseWheel first, then OnMouseWheelDown or OnMouseWheelUp by the
    // direction while nothing took the turn; true when one did.
    virtual bool DoMouseWheel(TShiftState shift, int32_t wheelDelta, TPoint mousePos);

    TNotifyEvent OnEnter, OnExit;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // Focus and keys as the input bridge reports them; a handler that sets the
    // key to 0 swallows it.
    virtual void DoEnter();
    virtual void DoExit();
    virtual void DoKeyDown(uint16_t& key, TShiftState shift);
    virtual void DoKeyUp(uint16_t& key, TShiftState shift);
    virtual void DoKeyPress(char32_t& key);

protected:
    virtual void ChildAdded(TControl*) {}
    virtual void ChildRemoved(TControl*) {}
    // After Ctl3D changed (a family that draws its own border redraws it).
    virtual void Ctl3DChanged() {}

private:
    friend class TControl;
    void ApplyCtl3D(bool value);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void RenumberTabs(size_t from, size_t to);
    bool InParentTabList() const;

    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    // This control's place in its parent's tabList_, kept exact so that
    // giving a control its tab position needs no search.
    size_t tabIndex_ = 0;
    bool tabStop_ = false;
    bool aligning_ = false;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    bool parentBackground_ = true;
    bool oemConvert_ = false;
    void UpdateBevel();
    BevelSettings bevel_;
    QPointer<BevelOverlay> bevelOverlay_;
    TImeMode imeMode_ = imDontCare;
    std::string imeName_;
    bool dockSite_ = false;
    bool useDockManager_ = false;
};

} // namespace fw
