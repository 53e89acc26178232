#include "e3/buttons/SpeedButton.h"

#include "e3/common/CommandGate.h"
#include "e3/common/OwnedWidget.h"
#include "framework/Actions.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <qdrawutil.h>

namespace e3 {

const fw::TEnumType ButtonStyleType {"TButtonStyle", {"bsAutoDetect", "bsWin31", "bsNew"}};
const fw::TEnumType ButtonLayoutType {"TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"}};
const fw::TEnumType DropDownMenuPosType {"TRxDropDownMenuPos", {"dmpBottom", "dmpRight"}};

namespace {
constexpr uint16_t VK_RETURN = 13;
}

QPoint DropDownMenuPoint(TRxDropDownMenuPos position, TPopupAlignment alignment, int width, int height)
{
    if (alignment == paCenter)
        return {width / 2, height};
    if (position == dmpBottom)
        return alignment == paRight ? QPoint(width + 1, height) : QPoint(-1, height);
    return alignment == paRight ? QPoint(-1, -1) : QPoint(width, -1);
}

GlyphPlacement PlaceGlyphAndCaption(const QRect& client, QSize glyph, QSize caption, TButtonLayout layout,
                                    int margin, int spacing)
{
    // A missing glyph or caption takes no room.
    glyph = glyph.expandedTo(QSize(0, 0));
    caption = caption.expandedTo(QSize(0, 0));
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    const int room = horizontal ? client.width() : client.height();
    const int glyphLen = horizontal ? glyph.width() : glyph.height();
    const int captionLen = horizontal ? caption.width() : caption.height();
    if (glyphLen == 0 || captionLen == 0)
        spacing = 0;
    if (margin == -1) {
        if (spacing == -1) {
            const int total = glyphLen + captionLen;
            margin = (room - total) / 3;
            spacing = margin;
        } else {
            margin = (room - (glyphLen + spacing + captionLen)) / 2;
        }
    } else if (spacing == -1) {
        const int rest = room - (margin + glyphLen + captionLen);
        spacing = rest / 2;
    }
    // Position of the glyph from the leading edge of its side, and of the
    // caption; the other axis is centred.
    int glyphPos = margin;
    int captionPos = margin + glyphLen + spacing;
    if (layout == blGlyphRight || layout == blGlyphBottom) {
        glyphPos = room - margin - glyphLen;
        captionPos = glyphPos - spacing - captionLen;
    }
    GlyphPlacement out;
    if (horizontal) {
        out.glyph = QRect(client.left() + glyphPos, client.top() + (client.height() - glyph.height()) / 2,
                          glyph.width(), glyph.height());
        out.caption = QRect(client.left() + captionPos, client.top() + (client.height() - caption.height()) / 2,
                            caption.width(), caption.height());
    } else {
        out.glyph = QRect(client.left() + (client.width() - glyph.width()) / 2, client.top() + glyphPos,
                          glyph.width(), glyph.height());
        out.caption = QRect(client.left() + (client.width() - caption.width()) / 2, client.top() + captionPos,
                            caption.width(), caption.height());
    }
    return out;
}

bool LiesWithinParentHeight(int top, int height, int parentHeight)
{
    return top + height >= 0 && top <= parentHeight;
}

// The button's own window: paints through the button and reports what the
// input bridge does not carry (pointer entering and leaving, focus).
class SpeedButtonWidget : public OwnedWidget<QWidget, SpeedButtonBase> {
public:
    explicit SpeedButtonWidget(SpeedButtonBase* owner) : OwnedWidget(owner) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!owner_)
            return;
        QPainter painter(this);
        fw::RunFromEventLoop([&] { owner_->Paint(painter); });
    }
    void enterEvent(QEnterEvent*) override { Run([](SpeedButtonBase& b) { b.MouseEntered(); }); }
    void leaveEvent(QEvent*) override { Run([](SpeedButtonBase& b) { b.MouseLeft(); }); }
    void focusInEvent(QFocusEvent*) override { Run([](SpeedButtonBase& b) { b.FocusChanged(true); }); }
    void focusOutEvent(QFocusEvent*) override { Run([](SpeedButtonBase& b) { b.FocusChanged(false); }); }

private:
    template <class F>
    void Run(F f)
    {
        if (owner_)
            fw::RunFromEventLoop([&] { f(*owner_); });
    }
};

// ---------------------------------------------------------------------------

SpeedButtonBase::SpeedButtonBase(fw::TComponent* owner)
    : fw::TWinControl(owner)
    , window_(new SpeedButtonWidget(this))
    , glyph_(std::make_unique<TBitmap>())
{
    glyph_->OnChange = [this] { Changed(); };
    SetWidget(window_);
    window_->setFocusPolicy(Qt::NoFocus);
    // The press that closes the drop-down menu over the button must not reach
    // the button again, or it would open the menu anew.
    window_->setAttribute(Qt::WA_NoMouseReplay);
    SetShowHint(true);
    SetParentShowHint(false);
    GetFont()->OnChange = [this, previous = GetFont()->OnChange] {
        if (previous)
            previous();
        Changed();
    };
}

SpeedButtonBase::~SpeedButtonBase()
{
    window_->Disown();
    delete repeatTimer_;
}

void SpeedButtonBase::Changed()
{
    if (QWidget* w = Widget())
        w->update();
}

void SpeedButtonBase::SetGroupIndex(int32_t value)
{
    if (value == groupIndex_)
        return;
    groupIndex_ = value;
    Broadcast();
}

void SpeedButtonBase::SetDown(bool value)
{
    if (groupIndex_ == 0)
        value = false;
    if (value == down_)
        return;
    // The down button of a group stays down unless the group allows all up.
    if (down_ && !allowAllUp_)
        return;
    down_ = value;
    state_ = value ? ButtonState::Exclusive : ButtonState::Up;
    if (!GetEnabled())
        state_ = ButtonState::Disabled;
    Changed();
    if (value)
        Broadcast();
}

void SpeedButtonBase::SetAllowAllUp(bool value)
{
    if (value == allowAllUp_)
        return;
    allowAllUp_ = value;
    Broadcast();
}

void SpeedButtonBase::Broadcast()
{
    if (groupIndex_ == 0 || !Parent())
        return;
    for (fw::TControl* c : std::vector<fw::TControl*>(Parent()->ChildControls()))
        if (auto* other = dynamic_cast<SpeedButtonBase*>(c))
            other->ButtonPressed(groupIndex_, this);
}

void SpeedButtonBase::ButtonPressed(int32_t groupIndex, SpeedButtonBase* sender)
{
    if (groupIndex != groupIndex_ || sender == this)
        return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = GetEnabled() ? ButtonState::Up : ButtonState::Disabled;
        Changed();
    }
    allowAllUp_ = sender->allowAllUp_;
}

#define E3_STORE_AND_REPAINT(field, value) \
    if ((value) == (field))               \
        return;                            \
    field = (value);                       \
    Changed()

void SpeedButtonBase::SetFlat(bool value) { E3_STORE_AND_REPAINT(flat_, value); }
void SpeedButtonBase::SetTransparent(bool value)
{
    E3_STORE_AND_REPAINT(transparent_, value);
}
void SpeedButtonBase::SetStyle(TButtonStyle value) { E3_STORE_AND_REPAINT(style_, value); }
void SpeedButtonBase::SetLayout(TButtonLayout value) { E3_STORE_AND_REPAINT(layout_, value); }
void SpeedButtonBase::SetSpacing(int32_t value) { E3_STORE_AND_REPAINT(spacing_, value); }
void SpeedButtonBase::SetWordWrap(bool value) { E3_STORE_AND_REPAINT(wordWrap_, value); }
void SpeedButtonBase::SetAlignment(TAlignment value) { E3_STORE_AND_REPAINT(alignment_, value); }
void SpeedButtonBase::SetGrayedInactive(bool value) { E3_STORE_AND_REPAINT(grayedInactive_, value); }
void SpeedButtonBase::SetMarkDropDown(bool value) { E3_STORE_AND_REPAINT(markDropDown_, value); }
#undef E3_STORE_AND_REPAINT

void SpeedButtonBase::SetMargin(int32_t value)
{
    if (value < -1 || value == margin_)
        return;
    margin_ = value;
    Changed();
}

void SpeedButtonBase::SetNumGlyphs(int32_t value)
{
    // The glyph is cut into this many equal images; zero or fewer would cut
    // it into nothing.
    value = std::clamp(value, 1, 5);
    if (value == numGlyphs_)
        return;
    numGlyphs_ = value;
    Changed();
}

void SpeedButtonBase::SetGlyph(TBitmap* value)
{
    glyph_->SetTransparent(value && value->GetTransparent());
    glyph_->Assign(value ? value->Image() : QImage());
}

void SpeedButtonBase::AssignGlyph(const QImage& image)
{
    glyph_->Assign(image);
}

void SpeedButtonBase::SetText(const std::string& text)
{
    if (text == GetText())
        return;
    fw::TWinControl::SetText(text);
    UpdateAccelerator();
    Changed();
}

void SpeedButtonBase::SetVisible(bool value)
{
    const bool was = GetVisible();
    fw::TWinControl::SetVisible(value);
    if (value && !was)
        UpdateHot();
}

void SpeedButtonBase::UpdateAccelerator()
{
    delete accelerator_;
    accelerator_ = nullptr;
    const QKeySequence key = QKeySequence::mnemonic(QString::fromStdString(GetText()));
    if (key.isEmpty())
        return;
    accelerator_ = new QShortcut(key, window_);
    QObject::connect(accelerator_, &QShortcut::activated, [this] {
        fw::RunFromEventLoop([this] {
            if (GetEnabled() && GetVisible() && (!Parent() || Parent()->IsShowing()) && CommandAllowed(this))
                Click();
        });
    });
}

void SpeedButtonBase::SetDropDownMenu(Te3CustomPopupMenu* value)
{
    if (value == dropDownMenu_)
        return;
    if (dropDownMenu_)
        RemoveFreeNotification(dropDownMenu_);
    dropDownMenu_ = value;
    if (value)
        FreeNotification(value);
    if (markDropDown_)
        Changed();
}

void SpeedButtonBase::Notification(fw::TComponent* component, fw::TOperation operation)
{
    fw::TWinControl::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == static_cast<fw::TComponent*>(dropDownMenu_)) {
        dropDownMenu_ = nullptr;
        Changed();
    }
}

void SpeedButtonBase::SetAllowTimer(bool value)
{
    allowTimer_ = value;
    if (!value) {
        delete repeatTimer_;
        repeatTimer_ = nullptr;
    }
}

void SpeedButtonBase::Click()
{
    for (fw::TWinControl* p = Parent(); p; p = p->Parent())
        if (auto* form = dynamic_cast<fw::TCustomForm*>(p)) {
            form->SetModalResult(modalResult_);
            break;
        }
    RaiseClick();
}

void SpeedButtonBase::ActionChange(fw::TBasicAction* sender, bool checkDefaults)
{
    fw::TWinControl::ActionChange(sender, checkDefaults);
    auto* action = dynamic_cast<fw::TCustomAction*>(sender);
    if (!action)
        return;
    if (groupIndex_ != 0 && (!checkDefaults || !down_))
        SetDown(action->GetChecked());
    if (!glyph_->Empty())
        return;
    const QImage picture = fw::ActionImage(action);
    if (picture.isNull())
        return;
    // Drawn on magenta, which then stands for see-through.
    QImage glyph(picture.size(), QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255));
    QPainter painter(&glyph);
    painter.drawImage(0, 0, picture);
    painter.end();
    glyph_->Assign(glyph);
    glyph_->SetTransparentColor(qRgb(255, 0, 255));
    glyph_->SetTransparent(true);
}

bool SpeedButtonBase::CanFocus() const
{
    if (!GetEnabled() || !GetVisible())
        return false;
    const fw::TWinControl* parent = Parent();
    if (!parent)
        return false;
    if (!LiesWithinParentHeight(GetTop(), GetHeight(), parent->ClientHeight()))
        return false;
    for (const fw::TWinControl* p = parent; p; p = p->Parent())
        if (!p->GetEnabled() || !p->GetVisible())
            return false;
    return true;
}

void SpeedButtonBase::SetFocus()
{
    if (!CanFocus())
        throw u3::Exception("Cannot focus a disabled or invisible window");
    window_->setFocus(Qt::OtherFocusReason);
}

bool SpeedButtonBase::InsideClient(int x, int y) const
{
    return x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight();
}

void SpeedButtonBase::ApplyEnabled()
{
    fw::TWinControl::ApplyEnabled();
    if (!GetEnabled())
        state_ = ButtonState::Disabled;
    else if (state_ == ButtonState::Disabled)
        state_ = down_ && groupIndex_ != 0 ? ButtonState::Exclusive : ButtonState::Up;
    UpdateHot();
    Changed();
}

void SpeedButtonBase::UpdateHot()
{
    QWidget* w = Widget();
    if (!w || !GetEnabled())
        return;
    const bool inside = w->isVisible() && w->rect().contains(w->mapFromGlobal(QCursor::pos()));
    if (inside == hot_)
        return;
    hot_ = inside;
    Changed();
    if (inside && OnMouseEnter)
        OnMouseEnter(this);
    else if (!inside && OnMouseLeave)
        OnMouseLeave(this);
}

void SpeedButtonBase::DoDblClick()
{
    if (down_)
        fw::TWinControl::DoDblClick();
}

void SpeedButtonBase::DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<SpeedButtonBase> self(this);
    fw::TWinControl::DoMouseDown(button, shift, x, y);
    if (!self || menuDropped_)
        return;
    if (button == fw::mbRight) {
        UpdateHot();
        return;
    }
    if (!hot_) {
        hot_ = true;
        Changed();
    }
    if (button != fw::mbLeft || !GetEnabled() || (shift & (1u << fw::ssDouble)))
        return;
    if (CanFocus())
        SetFocus();
    if (!(groupIndex_ != 0 && down_)) {
        state_ = ButtonState::Down;
        Changed();
    }
    // A handler run by the focus move may have sent the focus elsewhere.
    tracking_ = window_->window()->focusWidget() == window_;
    if (dropDownMenu_ && dropDownMenu_->GetAutoPopup() && !HasState(fw::csDesigning)) {
        DropDown(false);
        if (!self)
            return;
        DoMouseUp(fw::mbLeft, shift, x, y);
        if (!self)
            return;
    }
    if (allowTimer_)
        StartRepeat();
}

void SpeedButtonBase::DropDown(bool)
{
    fw::Guard<SpeedButtonBase> self(this);
    fw::Guard<Te3CustomPopupMenu> menu(dropDownMenu_);
    menu->SetPopupComponent(this);
    const QPoint at = window_->mapToGlobal(
        DropDownMenuPoint(menuPosition_, menu->GetAlignment(), GetWidth(), GetHeight()));
    menuDropped_ = true;
    menu->PopupAndWait(at.x(), at.y());
    if (self)
        menuDropped_ = false;
}

void SpeedButtonBase::DoMouseMove(fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<SpeedButtonBase> self(this);
    fw::TWinControl::DoMouseMove(shift, x, y);
    if (!self || !tracking_)
        return;
    ButtonState next = InsideClient(x, y) ? ButtonState::Down
                     : (groupIndex_ != 0 && down_ ? ButtonState::Exclusive : ButtonState::Up);
    if (next != state_) {
        state_ = next;
        Changed();
    }
}

void SpeedButtonBase::DoMouseUp(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<SpeedButtonBase> self(this);
    fw::TWinControl::DoMouseUp(button, shift, x, y);
    if (!self)
        return;
    if (button == fw::mbRight) {
        UpdateHot();
        return;
    }
    if (tracking_ && button == fw::mbLeft) {
        tracking_ = false;
        const bool inside = InsideClient(x, y);
        if (groupIndex_ == 0) {
            state_ = ButtonState::Up;
        } else if (inside) {
            SetDown(!down_);
            state_ = down_ ? ButtonState::Exclusive : ButtonState::Up;
        } else {
            state_ = down_ ? ButtonState::Exclusive : ButtonState::Up;
        }
        Changed();
        StopRepeat();
        if (inside && !menuDropped_ && CommandAllowed(this)) {
            if (!self)
                return;
            Click();
            if (!self)
                return;
        }
    }
    StopRepeat();
    UpdateHot();
}

void SpeedButtonBase::StartRepeat()
{
    if (!repeatTimer_) {
        repeatTimer_ = new QTimer;
        QObject::connect(repeatTimer_, &QTimer::timeout, [this] { fw::RunFromEventLoop([this] { RepeatTick(); }); });
    }
    repeatTimer_->start(initPause_);
}

void SpeedButtonBase::StopRepeat()
{
    if (repeatTimer_)
        repeatTimer_->stop();
}

void SpeedButtonBase::RepeatTick()
{
    repeatTimer_->setInterval(repeatInterval_);
    if (state_ != ButtonState::Down || !tracking_)
        return;
    try {
        Click();
    } catch (...) {
        StopRepeat();
        throw;
    }
}

void SpeedButtonBase::DoKeyDown(uint16_t& key, fw::TShiftState shift)
{
    fw::Guard<SpeedButtonBase> self(this);
    fw::TWinControl::DoKeyDown(key, shift);
    if (!self || key != VK_RETURN)
        return;
    key = 0;
    if (dropDownMenu_) {
        DropDown(true);
        if (!self)
            return;
    }
    if (!CommandAllowed(this) || !self)
        return;
    Click();
    if (!self)
        return;
    SetDown(true);
}

void SpeedButtonBase::MouseEntered()
{
    if (!flat_ || !GetEnabled() || hot_)
        return;
    hot_ = true;
    QWidget* focused = QApplication::focusWidget();
    auto* focusedButton = focused && focused != window_ ? dynamic_cast<SpeedButtonWidget*>(focused) : nullptr;
    auto* form = dynamic_cast<fw::TCustomForm*>(Owner());
    if (focusedButton && form && form->Widget() && form->Widget() == QApplication::activeWindow() && CanFocus())
        SetFocus();
    Changed();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void SpeedButtonBase::MouseLeft()
{
    if (!hot_ || !GetEnabled() || tracking_)
        return;
    hot_ = false;
    if (flat_)
        Changed();
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void SpeedButtonBase::FocusChanged(bool focused)
{
    if (focused) {
        hot_ = true;
        tracking_ = false;
        if (down_)
            state_ = ButtonState::Exclusive;
        else if (state_ != ButtonState::Disabled)
            state_ = ButtonState::Up;
    } else {
        hot_ = false;
    }
    Changed();
}

// ---- painting -----------------------------------------------------------------

QColor SpeedButtonBase::FaceColor() const
{
    return fw::ToQColor(fw::clBtnFace);
}

void SpeedButtonBase::FillExclusive(QPainter& painter, const QRect& rect)
{
    if (flat_)
        return;
    painter.fillRect(rect, fw::ToQColor(fw::clBtnFace));
    painter.fillRect(rect, QBrush(fw::ToQColor(fw::clBtnHighlight), Qt::Dense4Pattern));
}

namespace {

QImage Grayed(const QImage& image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]) / 2);
        }
    }
    return out;
}

} // namespace

// The older look: a black frame with its corners left out around a bevel;
// pressed, only a shadow line along the top and left inside the frame.
void SpeedButtonBase::DrawWin31Frame(QPainter& painter, const QRect& rect, bool pressed) const
{
    if (rect.width() < 3 || rect.height() < 3)
        return;
    const int r = rect.right(), b = rect.bottom();
    painter.setPen(fw::ToQColor(fw::clWindowFrame));
    painter.drawLine(rect.left() + 1, rect.top(), r - 1, rect.top());
    painter.drawLine(rect.left() + 1, b, r - 1, b);
    painter.drawLine(rect.left(), rect.top() + 1, rect.left(), b - 1);
    painter.drawLine(r, rect.top() + 1, r, b - 1);
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    if (pressed) {
        painter.setPen(fw::ToQColor(fw::clBtnShadow));
        painter.drawLine(inner.topLeft(), inner.topRight());
        painter.drawLine(inner.topLeft(), inner.bottomLeft());
    } else {
        qDrawShadePanel(&painter, inner, window_->palette(), false, 1);
    }
}

void SpeedButtonBase::Paint(QPainter& painter)
{
    QRect rect(0, 0, GetWidth(), GetHeight());
    const bool inactive = flat_ && !hot_ && !HasState(fw::csDesigning) && state_ != ButtonState::Disabled;
    const bool pressed = state_ == ButtonState::Down || state_ == ButtonState::Exclusive;
    if (!transparent_)
        painter.fillRect(rect, FaceColor());
    QRect content = rect;
    if (!inactive || state_ == ButtonState::Exclusive) {
        if (style_ == bsWin31 && !flat_)
            DrawWin31Frame(painter, rect, pressed);
        else if (!flat_ || hot_ || pressed)
            qDrawShadePanel(&painter, rect, window_->palette(), pressed, flat_ ? 1 : 2);
        content.adjust(2, 2, -2, -2);
    } else {
        content.adjust(2, 2, -2, -2);
    }
    if (window_->window()->focusWidget() == window_ && !pressed && DrawsFocusFrame() && !flat_) {
        painter.setPen(fw::ToQColor(fw::clBtnShadow));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(content.adjusted(1, 1, -2, -2));
    }
    if (state_ == ButtonState::Exclusive)
        FillExclusive(painter, content);
    if (pressed)
        content.translate(1, 1);

    // The glyph holds up to five images side by side: up, disabled, clicked,
    // down and a spare.
    QImage glyph;
    if (!glyph_->Empty()) {
        const QImage all = glyph_->DrawnImage();
        const int w = all.width() / numGlyphs_;
        int index = 0;
        switch (state_) {
        case ButtonState::Disabled: index = 1; break;
        case ButtonState::Down: index = 2; break;
        case ButtonState::Exclusive: index = 3; break;
        default: break;
        }
        if (index >= numGlyphs_)
            index = 0;
        glyph = all.copy(index * w, 0, w, all.height());
        if ((state_ == ButtonState::Disabled && numGlyphs_ < 2) || (inactive && grayedInactive_))
            glyph = Grayed(glyph);
    }
    const bool dropMark = markDropDown_ && dropDownMenu_;
    QRect textRoom = content;
    if (dropMark)
        textRoom.adjust(0, 0, -9, 0);
    painter.setFont(GetFont()->ToQFont());
    const QString caption = QString::fromStdString(GetText());
    int flags = Qt::TextShowMnemonic | (wordWrap_ ? Qt::TextWordWrap : 0);
    flags |= alignment_ == taLeftJustify ? Qt::AlignLeft : alignment_ == taRightJustify ? Qt::AlignRight : Qt::AlignHCenter;
    const QSize captionSize = caption.isEmpty() ? QSize()
                                                : painter.fontMetrics().boundingRect(textRoom, flags, caption).size();
    const GlyphPlacement place =
        PlaceGlyphAndCaption(textRoom, glyph.size(), captionSize, layout_, margin_, spacing_);
    if (!glyph.isNull())
        painter.drawImage(place.glyph.topLeft(), glyph);
    if (!caption.isEmpty()) {
        const QColor textColor = state_ == ButtonState::Disabled ? fw::ToQColor(fw::clGrayText)
                                                                 : fw::ToQColor(GetFont()->GetColor());
        painter.setPen(textColor);
        painter.drawText(place.caption, flags | Qt::AlignVCenter, caption);
    }
    if (dropMark) {
        const int cx = content.right() - 5, cy = content.center().y();
        const QPoint mark[3] = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}};
        painter.setPen(Qt::NoPen);
        painter.setBrush(state_ == ButtonState::Disabled ? fw::ToQColor(fw::clGrayText) : fw::ToQColor(fw::clBtnText));
        painter.drawPolygon(mark, 3);
    }
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomSpeedButton::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomSpeedButton", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomSpeedButton::Te3CustomSpeedButton(fw::TComponent* owner)
    : SpeedButtonBase(owner)
    , TranslatableControl({kCaptionHintWords, &Te3SpeedButton::StaticClass})
{
    Widget()->setFocusPolicy(Qt::TabFocus);
    SetTabStop(true);
    SetBounds(0, 0, 100, 25);
}

void Te3CustomSpeedButton::SetEnabled(bool value)
{
    if (!Parent()) {
        SpeedButtonBase::SetEnabled(value);
        return;
    }
    if (wish_.Decide(*this, value, lockedEdit_))
        SpeedButtonBase::SetEnabled(value);
}

void Te3CustomSpeedButton::SetLockedEdit(bool value)
{
    if (value == lockedEdit_)
        return;
    lockedEdit_ = value;
    // The lock disables without touching the engine's own wish, so that
    // unlocking brings back what the engine asked for last.
    if (value)
        SpeedButtonBase::SetEnabled(false);
    else
        SetEnabled(wish_.Wish());
}

const fw::TClassInfo& Te3SpeedButton::StaticClass()
{
    using C = Te3SpeedButton;
    namespace sp = fw::std_props;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3SpeedButton",
        &Te3CustomSpeedButton::StaticClass(),
        fw::TRows<Te3SpeedButton> {
            sp::Font(),
            sp::Enabled(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            sp::Caption(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            p::Integer("GroupIndex", &C::GetGroupIndex, &C::SetGroupIndex),
            p::Boolean("Down", &C::GetDown, &C::SetDown),
            p::Boolean("AllowAllUp", &C::GetAllowAllUp, &C::SetAllowAllUp),
            p::Boolean("Flat", &C::GetFlat, &C::SetFlat),
            p::Boolean("Transparent", &C::GetTransparent, &C::SetTransparent),
            p::Enum("Style", ButtonStyleType, &C::GetStyle, &C::SetStyle),
            p::Enum("Layout", ButtonLayoutType, &C::GetLayout, &C::SetLayout),
            p::Enum("GlyphLayout", ButtonLayoutType, &C::GetLayout, &C::SetLayout),
            p::Integer("Margin", &C::GetMargin, &C::SetMargin),
            p::Integer("Spacing", &C::GetSpacing, &C::SetSpacing),
            p::Integer("NumGlyphs", &C::GetNumGlyphs, &C::SetNumGlyphs),
            p::Object("Glyph", TBitmap::StaticClass(), &C::GetGlyph, &C::SetGlyph),
            p::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
            p::Boolean("GrayedInactive", &C::GetGrayedInactive, &C::SetGrayedInactive),
            p::Boolean("MarkDropDown", &C::GetMarkDropDown, &C::SetMarkDropDown),
            p::Object("DropDownMenu", Te3CustomPopupMenu::StaticClass(), &C::GetDropDownMenu, &C::SetDropDownMenu),
            p::Enum("MenuPosition", DropDownMenuPosType, &C::GetMenuPosition, &C::SetMenuPosition),
            p::Boolean("AllowTimer", &C::GetAllowTimer, &C::SetAllowTimer),
            p::Integer("InitPause", &C::GetInitPause, &C::SetInitPause),
            p::Integer("RepeatInterval", &C::GetRepeatInterval, &C::SetRepeatInterval),
            p::Integer("ModalResult", &C::GetModalResult, &C::SetModalResult),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_SpeedButton::StaticClass()
{
    using C = Te3_SpeedButton;
    namespace sp = fw::std_props;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3_SpeedButton",
        &Te3SpeedButton::StaticClass(),
        fw::TRows<Te3_SpeedButton> {
            sp::Action(),
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Parent(),
            sp::BiDiMode(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ImeMode(),
            sp::ParentBiDiMode(),
            sp::PopupMenu(),
            p::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
            p::BoolAction("_Click", &C::ClickIfUsable),
            p::BoolAction("_SetFocus", &C::FocusByEngine),
            p::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            p::Event("OnMouseEnter", fw::NotifyEventType, &C::OnMouseEnter),
            p::Event("OnMouseLeave", fw::NotifyEventType, &C::OnMouseLeave),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::MouseEvents(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_SpeedButton>(),
    };
    return info;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomColorSpeedButton::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomColorSpeedButton", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomColorSpeedButton::Te3CustomColorSpeedButton(fw::TComponent* owner)
    : SpeedButtonBase(owner)
{
    SetSpacing(1);
    SetBounds(0, 0, 25, 25);
}

void Te3CustomColorSpeedButton::SetPressedColor(fw::TColor value)
{
    if (value == pressedColor_)
        return;
    pressedColor_ = value;
    Changed();
}

QColor Te3CustomColorSpeedButton::FaceColor() const
{
    return fw::ToQColor(GetColor());
}

void Te3CustomColorSpeedButton::FillExclusive(QPainter& painter, const QRect& rect)
{
    // Each button fills with its own pressed colour.
    if (!GetTransparent())
        painter.fillRect(rect, fw::ToQColor(pressedColor_));
}

const fw::TClassInfo& Te3ColorSpeedButton::StaticClass()
{
    using C = Te3ColorSpeedButton;
    namespace sp = fw::std_props;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3ColorSpeedButton",
        &Te3CustomColorSpeedButton::StaticClass(),
        fw::TRows<Te3ColorSpeedButton> {
            sp::Action(),
            sp::Color(),
            p::Integer("PressedColor", &C::GetPressedColor, &C::SetPressedColor),
            sp::Font(),
            sp::Enabled(),
            sp::TabOrder(),
            sp::Visible(),
            sp::Caption(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ParentBiDiMode(),
            sp::Anchors(),
            sp::Constraints(),
            p::Integer("GroupIndex", &C::GetGroupIndex, &C::SetGroupIndex),
            p::Boolean("Down", &C::GetDown, &C::SetDown),
            p::Boolean("AllowAllUp", &C::GetAllowAllUp, &C::SetAllowAllUp),
            p::Boolean("Flat", &C::GetFlat, &C::SetFlat),
            p::Boolean("Transparent", &C::GetTransparent, &C::SetTransparent),
            p::Enum("Style", ButtonStyleType, &C::GetStyle, &C::SetStyle),
            p::Enum("Layout", ButtonLayoutType, &C::GetLayout, &C::SetLayout),
            p::Integer("Margin", &C::GetMargin, &C::SetMargin),
            p::Integer("Spacing", &C::GetSpacing, &C::SetSpacing),
            p::Integer("NumGlyphs", &C::GetNumGlyphs, &C::SetNumGlyphs),
            p::Object("Glyph", TBitmap::StaticClass(), &C::GetGlyph, &C::SetGlyph),
            p::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
            p::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
            p::Boolean("GrayedInactive", &C::GetGrayedInactive, &C::SetGrayedInactive),
            p::Boolean("MarkDropDown", &C::GetMarkDropDown, &C::SetMarkDropDown),
            p::Object("DropDownMenu", Te3CustomPopupMenu::StaticClass(), &C::GetDropDownMenu, &C::SetDropDownMenu),
            p::Enum("MenuPosition", DropDownMenuPosType, &C::GetMenuPosition, &C::SetMenuPosition),
            p::Boolean("AllowTimer", &C::GetAllowTimer, &C::SetAllowTimer),
            p::Integer("InitPause", &C::GetInitPause, &C::SetInitPause),
            p::Integer("RepeatInterval", &C::GetRepeatInterval, &C::SetRepeatInterval),
            p::Integer("ModalResult", &C::GetModalResult, &C::SetModalResult),
            p::Event("OnMouseEnter", fw::NotifyEventType, &C::OnMouseEnter),
            p::Event("OnMouseLeave", fw::NotifyEventType, &C::OnMouseLeave),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::MouseEvents(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3ColorSpeedButton>(),
    };
    return info;
}

} // namespace e3
