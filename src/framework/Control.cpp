#include "framework/Control.h"

#include "framework/Actions.h"
#include "framework/InputBridge.h"
#include "framework/KeyCodes.h"

#include <QKeySequence>
#include <QPalette>

#include <algorithm>
#include <iterator>

namespace fw {

const TEnumType AlignType {"TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}};
const TEnumType AnchorKindType {"TAnchorKind", {"akLeft", "akTop", "akRight", "akBottom"}};
const TEnumType BiDiModeType {
    "TBiDiMode", {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}};
const TEnumType DragModeType {"TDragMode", {"dmManual", "dmAutomatic"}};
const TEnumType DragKindType {"TDragKind", {"dkDrag", "dkDock"}};
const TEnumType ImeModeType {"TImeMode",
                             {"imDisable", "imClose", "imOpen", "imDontCare", "imSAlpha", "imAlpha", "imHira",
                              "imSKata", "imKata", "imChinese", "imSHanguel", "imHanguel"}};

Qt::LayoutDirection LayoutDirectionOf(TBiDiMode mode)
{
    return mode == bdRightToLeft || mode == bdRightToLeftNoAlign ? Qt::RightToLeft : Qt::LeftToRight;
}

Qt::CursorShape CursorShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crDrag:
        return Qt::DragMoveCursor;
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

namespace {
int layoutHolds = 0;
}

LayoutHold::LayoutHold()
{
    ++layoutHolds;
}

LayoutHold::~LayoutHold()
{
    --layoutHolds;
}

bool LayoutHold::Active()
{
    return layoutHolds > 0;
}

// ---------------------------------------------------------------------------

const TClassInfo& TSizeConstraints::StaticClass()
{
    static const TClassInfo info {
        "TSizeConstraints",
        &TPersistent::StaticClass(),
        fw::TRows<TSizeConstraints> {
            prop::Integer("MaxHeight", &TSizeConstraints::GetMaxHeight, &TSizeConstraints::SetMaxHeight),
            prop::Integer("MaxWidth", &TSizeConstraints::GetMaxWidth, &TSizeConstraints::SetMaxWidth),
            prop::Integer("MinHeight", &TSizeConstraints::GetMinHeight, &TSizeConstraints::SetMinHeight),
            prop::Integer("MinWidth", &TSizeConstraints::GetMinWidth, &TSizeConstraints::SetMinWidth),
        },
    };
    return info;
}

void TSizeConstraints::Change(int32_t& field, int32_t value)
{
    if (value < 0)
        value = 0;
    if (field == value)
        return;
    field = value;
    if (OnChange)
        OnChange();
}

void TSizeConstraints::Apply(int32_t& width, int32_t& height) const
{
    Hold(width, height, minWidth_, minHeight_, maxWidth_, maxHeight_);
}

void TSizeConstraints::Hold(int32_t& width, int32_t& height, int32_t minWidth, int32_t minHeight, int32_t maxWidth,
                            int32_t maxHeight)
{
    if (maxWidth > 0 && width > maxWidth)
        width = maxWidth;
    if (minWidth > 0 && width < minWidth)
        width = minWidth;
    if (maxHeight > 0 && height > maxHeight)
        height = maxHeight;
    if (minHeight > 0 && height < minHeight)
        height = minHeight;
}

// ---------------------------------------------------------------------------

const TClassInfo& TControl::StaticClass()
{
    static const TClassInfo info {
        "TControl",
        &TComponent::StaticClass(),
        fw::TRows<TControl> {
            prop::Integer("Left", &TControl::GetLeft, &TControl::SetLeft),
            prop::Integer("Top", &TControl::GetTop, &TControl::SetTop),
            prop::Integer("Width", &TControl::GetWidth, &TControl::SetWidth),
            prop::Integer("Height", &TControl::GetHeight, &TControl::SetHeight),
            prop::String("Hint", &TControl::GetHint, &TControl::SetHint),
        },
    };
    return info;
}

TControl::TControl(TComponent* owner)
    : TComponent(owner)
    , constraints_(std::make_unique<TSizeConstraints>())
    , font_(std::make_unique<TFont>())
{
    font_->OnChange = [this] {
        parentFont_ = false;
        ApplyFont();
    };
    constraints_->OnChange = [this] { SetBounds(left_, top_, width_, height_); };
}

TControl::~TControl()
{
    actionLink_.reset();
    font_->OnChange = nullptr;
    if (parent_)
        parent_->RemoveControl(this);
    parent_ = nullptr;
    delete widget_.data();
}

void TControl::SetWidget(QWidget* widget)
{
    delete widget_.data();
    widget_ = widget;
    if (!widget_)
        return;
    widget_->hide();
    widgetCursor_ = widget_->testAttribute(Qt::WA_SetCursor) ? int(widget_->cursor().shape()) : -1;
    InstallInputBridge(this, widget_);
    ApplyFont();
    ApplyColor();
    ApplyEnabled();
    ApplyGeometry();
    if (biDiMode_ != bdLeftToRight)
        widget_->setLayoutDirection(LayoutDirectionOf(biDiMode_));
    if (cursor_ != crDefault)
        ApplyCursor();
}

void TControl::SetCursor(TCursor value)
{
    cursor_ = value;
    ApplyCursor();
}

void TControl::ApplyCursor()
{
    if (!widget_)
        return;
    if (cursor_ != crDefault)
        widget_->setCursor(CursorShapeOf(cursor_));
    else if (widgetCursor_ >= 0)
        widget_->setCursor(Qt::CursorShape(widgetCursor_));
    else
        widget_->unsetCursor();
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_)
        return;
    for (TWinControl* p = parent; p; p = p->Parent())
        if (p == this)
            throw EComponentError("Control '" + GetName() + "' can not be its own parent");
    // Counted by our own controls: the client widget's Qt children also hold
    // helper objects, which would refuse a form of exactly the limit.
    if (parent && widget_ && parent->ControlCount() >= kMaxChildWindows)
        throw ETooManyControls("'" + parent->GetName() + "' cannot hold more than "
                               + std::to_string(kMaxChildWindows) + " controls");
    NameIndex::BumpTree(this);
    if (parent_) {
        TWinControl* old = parent_;
        old->RemoveControl(this);
        parent_ = nullptr;
        // Only an aligned control leaves a gap that the others close.
        if (!LayoutHold::Active() && align_ != alNone)
            old->AlignControls();
    }
    parent_ = parent;
    if (widget_) {
        widget_->setParent(parent ? parent->ClientWidget() : nullptr);
        ApplyGeometry();
    }
    if (parent_) {
        parent_->InsertControl(this);
        if (parentFont_)
            ApplyParentFont();
        if (parentColor_)
            ApplyParentColor();
        if (parentBiDiMode_)
            ApplyParentBiDiMode();
        if (auto* win = dynamic_cast<TWinControl*>(this); win && win->parentCtl3D_)
            win->ApplyCtl3D(parent_->GetCtl3D());
    }
    ApplyVisible();
    // An unaligned control changes no one else's place.
    if (align_ != alNone)
        RequestAlign();
}

void TControl::Detach()
{
    SetParent(nullptr);
    if (widget_)
        widget_->hide();
}

void TControl::Loaded()
{
    TComponent::Loaded();
    if (autoSize_)
        AdjustAutoSize();
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    if ((OnCanResize || OnConstrainedResize) && (width != width_ || height != height_) && !HasState(csLoading)) {
        if (!AskNewSize(width, height))
            return;
    } else {
        constraints_->Apply(width, height);
    }
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    ApplyGeometry();
    if (resized && OnResize && !HasState(csLoading))
        OnResize(this);
    if (align_ != alNone)
        RequestAlign();
}

bool TControl::AskNewSize(int32_t& width, int32_t& height)
{
    Guard<TControl> self(this);
    if (OnCanResize) {
        bool resize = true;
        OnCanResize(this, width, height, resize);
        if (!self || !resize)
            return false;
    }
    int32_t minWidth = constraints_->GetMinWidth(), minHeight = constraints_->GetMinHeight();
    int32_t maxWidth = constraints_->GetMaxWidth(), maxHeight = constraints_->GetMaxHeight();
    if (OnConstrainedResize) {
        OnConstrainedResize(this, minWidth, minHeight, maxWidth, maxHeight);
        if (!self)
            return false;
    }
    TSizeConstraints::Hold(width, height, minWidth, minHeight, maxWidth, maxHeight);
    return true;
}

void TControl::ApplyGeometry()
{
    if (widget_)
        widget_->setGeometry(left_, top_, width_, height_);
}

void TControl::ParentResized(int32_t oldWidth, int32_t oldHeight, int32_t newWidth, int32_t newHeight)
{
    if (align_ != alNone || anchors_ == DefaultAnchors)
        return;
    const int32_t dw = newWidth - oldWidth;
    const int32_t dh = newHeight - oldHeight;
    int32_t l = left_, t = top_, w = width_, h = height_;
    const bool left = anchors_ & (1u << akLeft), right = anchors_ & (1u << akRight);
    const bool top = anchors_ & (1u << akTop), bottom = anchors_ & (1u << akBottom);
    if (left && right)
        w += dw;
    else if (right)
        l += dw;
    else if (!left)
        l += dw / 2;
    if (top && bottom)
        h += dh;
    else if (bottom)
        t += dh;
    else if (!top)
        t += dh / 2;
    SetBounds(l, t, w, h);
}

void TControl::RequestAlign()
{
    if (parent_ && !LayoutHold::Active())
        parent_->AlignControls();
}

void TControl::SetAlign(TAlign align)
{
    if (align == align_)
        return;
    const TAlign old = align_;
    align_ = align;
    if (align_ != alNone || old != alNone)
        RequestAlign();
}

void TControl::SetAnchors(TAnchors anchors)
{
    anchors_ = anchors & 0xF;
}

void TControl::SetConstraints(TSizeConstraints* value)
{
    if (!value)
        return;
    constraints_->SetMinWidth(value->GetMinWidth());
    constraints_->SetMinHeight(value->GetMinHeight());
    constraints_->SetMaxWidth(value->GetMaxWidth());
    constraints_->SetMaxHeight(value->GetMaxHeight());
}

void TControl::SetAutoSize(bool value)
{
    if (value == autoSize_)
        return;
    autoSize_ = value;
    if (autoSize_ && !HasState(csLoading))
        AdjustAutoSize();
}

void TControl::ApplyVisible()
{
    if (!widget_)
        return;
    // A control without a parent stays off the screen; forms show themselves.
    widget_->setVisible(visible_ && parent_ != nullptr);
}

void TControl::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    ApplyVisible();
    if (align_ != alNone)
        RequestAlign();
}

bool TControl::IsShowing() const
{
    if (!visible_)
        return false;
    if (parent_)
        return parent_->IsShowing();
    return widget_ && widget_->isVisible();
}

void TControl::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    ApplyEnabled();
}

void TControl::ApplyEnabled()
{
    if (widget_)
        widget_->setEnabled(enabled_);
}

void TControl::SetColor(TColor color)
{
    parentColor_ = false;
    if (color == color_)
        return;
    color_ = color;
    ApplyColor();
    if (auto* win = dynamic_cast<TWinControl*>(this))
        for (TControl* child : win->ChildControls())
            if (child->parentColor_)
                child->ApplyParentColor();
}

void TControl::ApplyParentColor()
{
    if (!parent_)
        return;
    const TColor inherited = parent_->GetColor();
    if (inherited != color_) {
        SetColor(inherited);
    }
    parentColor_ = true;
}

void TControl::SetParentColor(bool value)
{
    parentColor_ = value;
    if (value)
        ApplyParentColor();
}

void TControl::ApplyColor()
{
    if (!widget_)
        return;
    QPalette palette = widget_->palette();
    const QColor c = ToQColor(color_);
    palette.setColor(QPalette::Window, c);
    palette.setColor(QPalette::Base, c);
    palette.setColor(QPalette::Button, c);
    widget_->setPalette(palette);
}

void TControl::SetFont(TFont* font)
{
    if (font)
        font_->Assign(*font);
}

void TControl::ApplyParentFont()
{
    if (!parent_)
        return;
    font_->Assign(*parent_->GetFont());
    parentFont_ = true;
}

void TControl::SetParentFont(bool value)
{
    parentFont_ = value;
    if (value)
        ApplyParentFont();
}

void TControl::ApplyFont()
{
    if (widget_) {
        widget_->setFont(font_->ToQFont());
        QPalette palette = widget_->palette();
        const QColor c = ToQColor(font_->GetColor());
        palette.setColor(QPalette::WindowText, c);
        palette.setColor(QPalette::Text, c);
        palette.setColor(QPalette::ButtonText, c);
        widget_->setPalette(palette);
    }
    if (auto* win = dynamic_cast<TWinControl*>(this))
        for (TControl* child : win->ChildControls())
            if (child->parentFont_)
                child->ApplyParentFont();
}

void TControl::SetPopupMenu(TComponent* menu)
{
    if (menu && !dynamic_cast<IPopupMenu*>(menu))
        throw EPropertyError("Invalid property value");
    popupMenu_ = menu;
}

void TControl::SetBiDiMode(TBiDiMode value)
{
    parentBiDiMode_ = false;
    if (value == biDiMode_)
        return;
    biDiMode_ = value;
    ApplyBiDiMode();
}

void TControl::SetParentBiDiMode(bool value)
{
    parentBiDiMode_ = value;
    if (value)
        ApplyParentBiDiMode();
}

void TControl::ApplyParentBiDiMode()
{
    if (!parent_ || parent_->biDiMode_ == biDiMode_)
        return;
    biDiMode_ = parent_->biDiMode_;
    ApplyBiDiMode();
}

void TControl::ApplyBiDiMode()
{
    if (widget_)
        widget_->setLayoutDirection(LayoutDirectionOf(biDiMode_));
    if (auto* win = dynamic_cast<TWinControl*>(this))
        for (TControl* child : win->ChildControls())
            if (child->parentBiDiMode_)
                child->ApplyParentBiDiMode();
}

bool TControl::DoContextPopup(TPoint mousePos)
{
    Guard<TControl> self(this);
    bool handled = false;
    if (OnContextPopup)
        OnContextPopup(this, mousePos, handled);
    if (handled || !self)
        return true;
    TComponent* menu = popupMenu_.get();
    auto* popup = dynamic_cast<IPopupMenu*>(menu);
    if (!popup || !popup->AutoPopupEnabled() || !widget_)
        return false;
    const QPoint at = mousePos.x == -1 && mousePos.y == -1 ? QPoint(0, 0) : QPoint(mousePos.x, mousePos.y);
    const QPoint screen = widget_->mapToGlobal(at);
    popup->PopupFor(this, screen.x(), screen.y());
    return true;
}

bool TControl::DragOver(TObject* source, int32_t x, int32_t y, TDragState state)
{
    if (!OnDragOver)
        return false;
    bool accept = true;
    OnDragOver(this, source, x, y, state, accept);
    return accept;
}

void TControl::DragDrop(TObject* source, int32_t x, int32_t y)
{
    if (OnDragDrop)
        OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag()
{
    TObject* dragObject = nullptr;
    if (OnStartDrag)
        OnStartDrag(this, dragObject);
}

void TControl::DoEndDrag(TObject* target, int32_t x, int32_t y)
{
    if (OnEndDrag)
        OnEndDrag(this, target, x, y);
}

void TControl::SetName(const std::string& name)
{
    const auto* ownerControl = dynamic_cast<const TControl*>(Owner());
    const bool captionFollows = !HasState(csLoading) && GetText() == GetName() &&
                                !(ownerControl && ownerControl->HasState(csLoading));
    TComponent::SetName(name);
    if (captionFollows && GetText() != name)
        SetText(name);
}

void TControl::SetHint(const std::string& hint)
{
    // Shown through the input bridge, which works the tooltip out when asked.
    hint_ = hint;
}

void TControl::SetShowHint(bool value)
{
    showHint_ = value;
    parentShowHint_ = false;
}

bool TControl::ShowsHints() const
{
    const TControl* c = this;
    while (c->parentShowHint_ && c->parent_)
        c = c->parent_;
    return c->showHint_;
}

std::string ShortCutToText(int32_t shortCut)
{
    const uint16_t vk = static_cast<uint16_t>(shortCut & 0xFF);
    if (vk == 0)
        return {};
    std::string text;
    if (shortCut & 0x2000)
        text += "Shift+";
    if (shortCut & 0x4000)
        text += "Ctrl+";
    if (shortCut & 0x8000)
        text += "Alt+";
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return text + static_cast<char>(vk);
    const QtKeyStroke stroke = QtKeyFromVirtualKey(vk);
    if (!stroke.key)
        return {};
    return text + QKeySequence(stroke.key).toString(QKeySequence::PortableText).toStdString();
}

std::string ShownHint(const TControl* control)
{
    const TControl* shower = control;
    while (shower && !shower->ShowsHints())
        shower = shower->Parent();
    if (!shower)
        return {};
    std::string hint;
    for (const TControl* c = shower; c && hint.empty(); c = c->Parent())
        hint = c->GetHint();
    hint = hint.substr(0, hint.find('|'));
    if (hint.empty())
        return hint;
    if (auto* action = dynamic_cast<const TCustomAction*>(shower->GetAction()))
        if (const std::string keys = ShortCutToText(action->GetShortCut()); !keys.empty())
            hint += " (" + keys + ")";
    return hint;
}

void TControl::SetText(const std::string& text)
{
    text_ = text;
}

void TControl::DoClick()
{
    RaiseClick();
}

void TControl::RaiseClick()
{
    if (OnClick)
        OnClick(this);
    else if (actionLink_)
        actionLink_->Execute(this);
}

TBasicAction* TControl::GetAction() const
{
    return TActionLink::Linked(actionLink_);
}

void TControl::SetAction(TBasicAction* action)
{
    TActionLink::Link(actionLink_, action,
                      [this](TBasicAction* a, bool checkDefaults) { ActionChange(a, checkDefaults); });
}

void TControl::ActionChange(TBasicAction* sender, bool checkDefaults)
{
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (!action)
        return;
    if (!checkDefaults || GetText().empty())
        SetText(action->GetCaption());
    if (!checkDefaults || GetEnabled())
        SetEnabled(action->GetEnabled());
    if (!checkDefaults || GetHint().empty())
        SetHint(action->GetHint());
    if (!checkDefaults || GetVisible())
        SetVisible(action->GetVisible());
}

void TControl::DoDblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::DoMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::DoMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TControl::DoMouseMove(TShiftState shift, int32_t x, int32_t y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

// ---------------------------------------------------------------------------

const TClassInfo& TWinControl::StaticClass()
{
    static const TClassInfo info {"TWinControl", &TControl::StaticClass(), {}};
    return info;
}

TWinControl::TWinControl(TComponent* owner)
    : TControl(owner)
{
}

TWinControl::~TWinControl()
{
    // Child controls go with their parent, whoever owns them.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        NameIndex::BumpTree(child);
        RemoveControl(child);
        child->parent_ = nullptr;
        delete child;
    }
}

void TWinControl::InsertControl(TControl* control)
{
    controls_.push_back(control);
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        win->tabIndex_ = tabList_.size();
        tabList_.push_back(win);
    }
    ChildAdded(control);
}

void TWinControl::RenumberTabs(size_t from, size_t to)
{
    for (size_t i = from; i < to && i < tabList_.size(); ++i)
        tabList_[i]->tabIndex_ = i;
}

void TWinControl::RemoveControl(TControl* control)
{
    // Searched from the end: children leave last first when their parent goes.
    auto it = std::find(controls_.rbegin(), controls_.rend(), control);
    if (it == controls_.rend())
        return;
    controls_.erase(std::next(it).base());
    // A control that leaves from its own destructor is no TWinControl any
    // more and cannot tell its place: it is found from the end then.
    auto* win = dynamic_cast<TWinControl*>(control);
    size_t at = tabList_.size();
    if (win && win->tabIndex_ < tabList_.size() && tabList_[win->tabIndex_] == win) {
        at = win->tabIndex_;
    } else {
        auto tab = std::find(tabList_.rbegin(), tabList_.rend(), control);
        if (tab != tabList_.rend())
            at = static_cast<size_t>(std::distance(tabList_.begin(), std::next(tab).base()));
    }
    if (at < tabList_.size()) {
        tabList_.erase(tabList_.begin() + static_cast<std::ptrdiff_t>(at));
        RenumberTabs(at, tabList_.size());
    }
    ChildRemoved(control);
}

bool TWinControl::InParentTabList() const
{
    return Parent() && tabIndex_ < Parent()->tabList_.size() && Parent()->tabList_[tabIndex_] == this;
}

int32_t TWinControl::GetTabOrder() const
{
    return InParentTabList() ? static_cast<int32_t>(tabIndex_) : -1;
}

void TWinControl::SetCtl3D(bool value)
{
    parentCtl3D_ = false;
    ApplyCtl3D(value);
}

void TWinControl::SetParentCtl3D(bool value)
{
    parentCtl3D_ = value;
    if (value && Parent())
        ApplyCtl3D(Parent()->GetCtl3D());
}

void TWinControl::ApplyCtl3D(bool value)
{
    if (value == ctl3D_)
        return;
    ctl3D_ = value;
    Ctl3DChanged();
    for (TControl* child : controls_)
        if (auto* win = dynamic_cast<TWinControl*>(child); win && win->parentCtl3D_)
            win->ApplyCtl3D(value);
}

void TWinControl::SetTabOrder(int32_t order)
{
    if (!InParentTabList())
        return;
    auto& list = Parent()->tabList_;
    const size_t from = tabIndex_;
    const size_t last = list.size() - 1;
    const size_t at = order < 0 || static_cast<size_t>(order) > last ? last : static_cast<size_t>(order);
    // Qt's focus chain already runs in our order (a control joins both at the
    // end when it gets its parent, and every move below relinks it), so a
    // control that stays in its place needs nothing; form descriptions give
    // most controls the place they already have.
    if (at == from)
        return;
    // Only the controls between the old and the new place shift by one.
    const auto base = list.begin();
    if (from < at)
        std::rotate(base + static_cast<std::ptrdiff_t>(from), base + static_cast<std::ptrdiff_t>(from + 1),
                    base + static_cast<std::ptrdiff_t>(at + 1));
    else if (at < from)
        std::rotate(base + static_cast<std::ptrdiff_t>(at), base + static_cast<std::ptrdiff_t>(from),
                    base + static_cast<std::ptrdiff_t>(from + 1));
    Parent()->RenumberTabs(std::min(from, at), std::max(from, at) + 1);
    // Qt's focus chain follows ours: only the moved control is linked in
    // between its new neighbours, so giving every control its place stays linear.
    // Qt only ever moves the second widget of a pair to just after the first;
    // a control that becomes the first goes after its new successor and then
    // the successor after it, which leaves both where the successor was.
    QWidget* const self = Widget();
    QWidget* const previous = at > 0 ? list[at - 1]->Widget() : nullptr;
    QWidget* const next = at + 1 < list.size() ? list[at + 1]->Widget() : nullptr;
    if (!self)
        return;
    if (previous)
        QWidget::setTabOrder(previous, self);
    else if (next)
        QWidget::setTabOrder(next, self);
    if (next)
        QWidget::setTabOrder(self, next);
}

void TWinControl::SetBevelEdges(TBevelEdges value)
{
    bevel_.edges = value & AllBevelEdges;
    UpdateBevel();
}

void TWinControl::SetBevelInner(TBevelCut value)
{
    bevel_.inner = value;
    UpdateBevel();
}

void TWinControl::SetBevelOuter(TBevelCut value)
{
    bevel_.outer = value;
    UpdateBevel();
}

void TWinControl::SetBevelKind(TBevelKind value)
{
    bevel_.kind = value;
    UpdateBevel();
}

void TWinControl::SetBevelWidth(int32_t value)
{
    if (value < 1)
        return;
    bevel_.width = value;
    UpdateBevel();
}

void TWinControl::UpdateBevel()
{
    QWidget* const widget = Widget();
    if (bevel_.kind == bkNone || !widget) {
        delete bevelOverlay_.data();
        return;
    }
    if (!bevelOverlay_ || bevelOverlay_->parentWidget() != widget) {
        delete bevelOverlay_.data();
        bevelOverlay_ = new BevelOverlay(widget);
    }
    bevelOverlay_->SetSettings(bevel_);
}

bool TWinControl::DoMouseWheel(TShiftState shift, int32_t wheelDelta, TPoint mousePos)
{
    Guard<TWinControl> self(this);
    bool handled = false;
    if (OnMouseWheel) {
        OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
        if (handled || !self)
            return true;
    }
    TMouseWheelUpDownEvent& step = wheelDelta < 0 ? OnMouseWheelDown : OnMouseWheelUp;
    if (wheelDelta != 0 && step)
        step(this, shift, mousePos, handled);
    return handled || !self;
}

void TWinControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    const int32_t oldWidth = ClientWidth();
    const int32_t oldHeight = ClientHeight();
    TControl::SetBounds(left, top, width, height);
    ClientAreaResized(oldWidth, oldHeight);
}

void TWinControl::ClientAreaResized(int32_t oldWidth, int32_t oldHeight)
{
    if ((ClientWidth() == oldWidth && ClientHeight() == oldHeight) || LayoutHold::Active())
        return;
    for (TControl* child : std::vector<TControl*>(controls_))
        child->ParentResized(oldWidth, oldHeight, ClientWidth(), ClientHeight());
    AlignControls();
}

void TWinControl::AlignControls()
{
    if (aligning_)
        return;
    aligning_ = true;
    int32_t left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();
    const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    std::vector<TControl*> group;
    for (TAlign align : order) {
        group.clear();
        for (TControl* c : controls_)
            if (c->align_ == align && c->visible_)
                group.push_back(c);
        if (group.empty())
            continue;
        // Within one side, the control nearer that side comes first.
        std::stable_sort(group.begin(), group.end(), [align](TControl* a, TControl* b) {
            switch (align) {
            case alTop: return a->top_ < b->top_;
            case alBottom: return a->top_ + a->height_ > b->top_ + b->height_;
            case alLeft: return a->left_ < b->left_;
            case alRight: return a->left_ + a->width_ > b->left_ + b->width_;
            default: return false;
            }
        });
        for (TControl* c : group) {
            const int32_t w = std::max(0, right - left), h = std::max(0, bottom - top);
            switch (align) {
            case alTop:
                c->SetBounds(left, top, w, c->height_);
                top += c->height_;
                break;
            case alBottom:
                c->SetBounds(left, bottom - c->height_, w, c->height_);
                bottom -= c->height_;
                break;
            case alLeft:
                c->SetBounds(left, top, c->width_, h);
                left += c->width_;
                break;
            case alRight:
                c->SetBounds(right - c->width_, top, c->width_, h);
                right -= c->width_;
                break;
            default:
                c->SetBounds(left, top, w, h);
                break;
            }
        }
    }
    aligning_ = false;
}

void TWinControl::AlignTree()
{
    AlignControls();
    for (TControl* c : std::vector<TControl*>(controls_))
        if (auto* win = dynamic_cast<TWinControl*>(c))
            win->AlignTree();
}

void TWinControl::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit)
        OnExit(this);
}

void TWinControl::DoKeyDown(uint16_t& key, TShiftState shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::DoKeyUp(uint16_t& key, TShiftState shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::DoKeyPress(char32_t& key)
{
    if (OnKeyPress)
        OnKeyPress(this, key);
}

} // namespace fw
