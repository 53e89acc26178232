#include "framework/InputBridge.h"

#include "framework/ApplicationException.h"
#include "framework/Drag.h"
#include "framework/Form.h"
#include "framework/KeyCodes.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace fw {
namespace {

class InputBridge;

// The bridge installed on a widget.
std::unordered_map<const QWidget*, InputBridge*>& Bridges()
{
    static std::unordered_map<const QWidget*, InputBridge*> bridges;
    return bridges;
}

// The top of a control's parent chain, when it is a form: the window whose
// focused control the focus moves are measured against.
TCustomForm* TopForm(TControl* control)
{
    while (control && control->Parent())
        control = control->Parent();
    return dynamic_cast<TCustomForm*>(control);
}

// The form whose key preview applies: the top form, unless that is the control.
TCustomForm* PreviewForm(TWinControl* control)
{
    TCustomForm* form = TopForm(control);
    return form && form != control && form->GetKeyPreview() ? form : nullptr;
}

// The control whose bridge is installed on widget or on one of its parents.
TControl* ControlOfWidget(QWidget* widget);

// The windowed control that has the focus in each window, as far as our own
// events know it. One line per form that ever had a focused control.
struct FocusRecord {
    Guard<TCustomForm> form;
    Guard<TWinControl> control;
};

std::vector<FocusRecord>& FocusRecords()
{
    static std::vector<FocusRecord> records;
    return records;
}

Guard<TWinControl>& FocusedIn(TCustomForm* form)
{
    auto& records = FocusRecords();
    std::erase_if(records, [](const FocusRecord& r) { return !r.form; });
    for (FocusRecord& r : records)
        if (r.form.get() == form)
            return r.control;
    records.push_back({form, {}});
    return records.back().control;
}

bool IsAncestorOrSelf(const TControl* ancestor, const TControl* control)
{
    for (const TControl* c = control; c; c = c->Parent())
        if (c == ancestor)
            return true;
    return false;
}

// The focus of form moved to control (null: to nothing of ours). OnExit runs
// from the old control up to the first parent that contains the new one, then
// OnEnter from below that parent down to the new control, as the original
// framework does.
void MoveFocus(TCustomForm* form, TWinControl* control)
{
    Guard<TWinControl>& record = FocusedIn(form);
    TWinControl* old = record.get();
    if (old == control)
        return;
    record = Guard<TWinControl>(control);

    std::vector<Guard<TWinControl>> exits;
    TWinControl* common = form;
    for (TWinControl* c = old; c && c != form; c = c->Parent()) {
        if (control && IsAncestorOrSelf(c, control)) {
            common = c;
            break;
        }
        exits.emplace_back(c);
    }
    std::vector<Guard<TWinControl>> enters;
    for (TWinControl* c = control; c && c != common && c != form; c = c->Parent())
        enters.emplace_back(c);
    std::reverse(enters.begin(), enters.end());

    for (auto& c : exits)
        if (c)
            c->DoExit();
    for (auto& c : enters)
        if (c)
            c->DoEnter();
}

bool IsWindowFocusReason(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

// The character a key press types, as the original platform's character
// messages give it; 0 for none.
char32_t TypedCharacter(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Delete:
        return 0;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return event.modifiers().testFlag(Qt::AltModifier) ? 0 : 9;
    default:
        break;
    }
    const QList<uint> ucs4 = event.text().toUcs4();
    return ucs4.isEmpty() ? 0 : static_cast<char32_t>(ucs4.front());
}

class InputBridge final : public QObject {
public:
    InputBridge(TControl* control, QWidget* widget)
        : QObject(widget)
        , control_(control)
        , widget_(widget)
    {
        Bridges()[widget] = this;
    }

    ~InputBridge() override
    {
        auto it = Bridges().find(widget_);
        if (it != Bridges().end() && it->second == this)
            Bridges().erase(it);
    }

    TControl* Control() const { return control_.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != widget_ || event == synthetic_ || !control_)
            return false;
        bool swallow = false;
        switch (event->type()) {
        case QEvent::ToolTip: {
            // The control's hint as its hint rules make it; nothing else shows.
            const auto* help = static_cast<QHelpEvent*>(event);
            const std::string hint = ShownHint(control_.get());
            if (hint.empty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), QString::fromStdString(hint), widget_);
            return true;
        }
        case QEvent::ContextMenu:
            RunFromEventLoop([&] { swallow = ContextMenu(*static_cast<QContextMenuEvent*>(event)); });
            break;
        case QEvent::KeyPress:
            if (DragSession::Active() && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                RunFromEventLoop([] { DragSession::Cancel(); });
                return true;
            }
            RunFromEventLoop([&] { swallow = Key(*static_cast<QKeyEvent*>(event)); });
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            RunFromEventLoop([&] { Mouse(*static_cast<QMouseEvent*>(event)); });
            break;
        case QEvent::KeyRelease:
            RunFromEventLoop([&] { swallow = Key(*static_cast<QKeyEvent*>(event)); });
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            RunFromEventLoop([&] { Focus(*static_cast<QFocusEvent*>(event)); });
            break;
        case QEvent::Wheel:
            RunFromEventLoop([&] { swallow = Wheel(*static_cast<QWheelEvent*>(event)); });
            break;
        default:
            break;
        }
        return swallow;
    }

private:
    // A turn taken by a handler is not passed on (nothing scrolls); one that
    // no handler took goes on to the widget and, ignored there, its parents.
    bool Wheel(QWheelEvent& event)
    {
        auto* control = dynamic_cast<TWinControl*>(control_.get());
        if (!control || !control->HasWheelHandler())
            return false;
        const QPoint global = event.globalPosition().toPoint();
        if (!control->DoMouseWheel(ShiftStateFromQt(event.modifiers(), event.buttons()), event.angleDelta().y(),
                                   TPoint {global.x(), global.y()}))
            return false;
        event.accept();
        return true;
    }

    QPoint ClientPos(const QMouseEvent& event) const
    {
        QWidget* own = control_->Widget();
        if (!own || own == widget_)
            return event.position().toPoint();
        return own->mapFromGlobal(event.globalPosition().toPoint());
    }

    // True when the request was taken (by OnContextPopup or the popup menu);
    // otherwise it goes on to the widget and its parents.
    bool ContextMenu(const QContextMenuEvent& event)
    {
        QWidget* own = control_->Widget();
        TPoint at {-1, -1};
        if (event.reason() != QContextMenuEvent::Keyboard) {
            const QPoint p = own && own != widget_ ? own->mapFromGlobal(event.globalPos()) : event.pos();
            at = {p.x(), p.y()};
        }
        Guard<TControl> control(control_.get());
        if (control->DoContextPopup(at))
            return true;
        // Text editors offer their own menu; other widgets pass the request on
        // to the parents, as a window without a menu of its own does.
        if (!control || !own || own != widget_ || own->inherits("QLineEdit") || own->inherits("QTextEdit") ||
            own->inherits("QPlainTextEdit") || own->inherits("QAbstractSpinBox"))
            return false;
        for (TWinControl* parent = control->Parent(); parent; parent = parent->Parent()) {
            TPoint parentAt {-1, -1};
            if (at.x != -1 || at.y != -1) {
                const QPoint p = parent->Widget() ? parent->Widget()->mapFromGlobal(event.globalPos()) : QPoint();
                parentAt = {p.x(), p.y()};
            }
            Guard<TWinControl> alive(parent);
            if (parent->DoContextPopup(parentAt))
                return true;
            if (!alive)
                return true;
        }
        return false;
    }

    // While this control's drag runs, the mouse reports where it is over.
    void DragTo(const QPoint& global)
    {
        QWidget* under = QApplication::widgetAt(global);
        TControl* target = under ? ControlOfWidget(under) : nullptr;
        QPoint p;
        if (target && target->Widget())
            p = target->Widget()->mapFromGlobal(global);
        DragSession::Move(target, p.x(), p.y());
    }

    bool DraggingHere() const { return DragSession::Active() && DragSession::Source() == control_.get(); }

    void Mouse(const QMouseEvent& event)
    {
        Guard<TControl> control(control_.get());
        const QPoint pos = ClientPos(event);
        const QPoint global = event.globalPosition().toPoint();
        TMouseButton button = mbLeft;
        const bool known = MouseButtonFromQt(event.button(), button);
        if (event.type() == QEvent::MouseMove && !DraggingHere() && dragPending_) {
            if (!(event.buttons() & Qt::LeftButton)) {
                dragPending_ = false;
            } else if ((global - pressAt_).manhattanLength() >= DragThreshold) {
                dragPending_ = false;
                pressed_ = false;
                DragSession::Begin(control.get());
                if (!control)
                    return;
            }
        }
        if (DraggingHere()) {
            if (event.type() == QEvent::MouseMove) {
                DragTo(global);
            } else if (event.type() == QEvent::MouseButtonRelease && button == mbLeft) {
                DragTo(global);
                DragSession::Drop();
            } else if (event.type() == QEvent::MouseButtonPress && button == mbRight) {
                DragSession::Cancel();
            }
            return;
        }
        switch (event.type()) {
        case QEvent::MouseButtonPress: {
            if (!known)
                return;
            if (button == mbLeft) {
                pressed_ = true;
                dragPending_ = control->GetDragMode() == dmAutomatic && control->GetDragKind() == dkDrag &&
                               control->GetEnabled();
                pressAt_ = global;
            }
            control->DoMouseDown(button, ShiftStateFromQt(event.modifiers(), event.buttons()), pos.x(), pos.y());
            break;
        }
        case QEvent::MouseButtonDblClick: {
            // The second press of a double click: no click follows its release.
            if (!known)
                return;
            pressed_ = false;
            if (button == mbLeft) {
                control->DoDblClick();
                if (!control)
                    return;
            }
            control->DoMouseDown(button, ShiftStateFromQt(event.modifiers(), event.buttons(), true), pos.x(),
                                 pos.y());
            break;
        }
        case QEvent::MouseButtonRelease: {
            if (!known)
                return;
            if (button == mbLeft)
                dragPending_ = false;
            const TShiftState shift = ShiftStateFromQt(event.modifiers(), event.buttons());
            if (button == mbLeft && pressed_) {
                pressed_ = false;
                QWidget* own = control->Widget();
                if (own && own->rect().contains(pos)) {
                    control->DoClick();
                    if (!control)
                        return;
                }
            }
            control->DoMouseUp(button, shift, pos.x(), pos.y());
            break;
        }
        default:
            control->DoMouseMove(ShiftStateFromQt(event.modifiers(), event.buttons()), pos.x(), pos.y());
            break;
        }
    }

    // Key events reach the control that has the focus; the copies Qt passes on
    // to the parents of a widget that ignored them are not the parents' keys.
    bool HasFocusedWidget() const
    {
        QWidget* focus = QApplication::focusWidget();
        return focus && ControlOfWidget(focus) == control_.get();
    }

    // Runs the form's preview, then the control; false when the key was
    // swallowed (or the control is gone).
    template <class Call>
    static bool KeyChain(TWinControl* control, Call call)
    {
        Guard<TWinControl> self(control);
        if (TCustomForm* form = PreviewForm(control)) {
            if (!call(form) || !self)
                return false;
        }
        return call(control);
    }

    // True when the event is swallowed.
    bool Key(const QKeyEvent& event)
    {
        auto* control = dynamic_cast<TWinControl*>(control_.get());
        if (!control || !HasFocusedWidget())
            return false;
        Guard<TWinControl> self(control);
        const TShiftState shift = ShiftStateFromQt(event.modifiers());
        const uint16_t vk = VirtualKeyFromQt(event.key(), event.modifiers());

        if (event.type() == QEvent::KeyRelease) {
            // Held keys repeat their key-down only.
            if (event.isAutoRepeat() || vk == 0)
                return false;
            uint16_t key = vk;
            return !KeyChain(control, [&](TWinControl* c) {
                c->DoKeyUp(key, shift);
                return key != 0;
            });
        }

        uint16_t key = vk;
        bool downPassed = true;
        if (vk != 0)
            downPassed = KeyChain(control, [&](TWinControl* c) {
                c->DoKeyDown(key, shift);
                return key != 0;
            });
        if (!self)
            return true;
        // F1 that no handler took asks for the help topic of the focused control.
        constexpr uint16_t vkF1 = 112;
        if (downPassed && key == vkF1 && vk == vkF1 && shift == 0) {
            if (TCustomForm* form = TopForm(control))
                form->ContextHelp(control);
            return true;
        }

        // The character message comes whatever the key-down handlers did.
        const char32_t typed = TypedCharacter(event);
        char32_t ch = typed;
        if (typed != 0) {
            KeyChain(control, [&](TWinControl* c) {
                c->DoKeyPress(ch);
                return ch != 0;
            });
            if (!self)
                return true;
        }

        if (downPassed && key == vk && ch == typed)
            return false;
        QWidget* target = widget_;
        if (!target)
            return true;
        // Deliver what the handlers left: the (replaced) key unless swallowed,
        // and the (replaced) character unless swallowed.
        int qtKey = Qt::Key_unknown;
        Qt::KeyboardModifiers modifiers = event.modifiers();
        if (downPassed) {
            if (key == vk) {
                qtKey = event.key();
            } else {
                const QtKeyStroke stroke = QtKeyFromVirtualKey(key);
                qtKey = stroke.key ? stroke.key : Qt::Key_unknown;
                modifiers = (modifiers & ~Qt::KeypadModifier) | stroke.modifiers;
            }
        }
        QString text;
        if (ch != 0) {
            const char32_t c = ch;
            text = QString::fromUcs4(&c, 1);
        }
        if (qtKey == Qt::Key_unknown && text.isEmpty())
            return true;
        QKeyEvent replacement(QEvent::KeyPress, qtKey, modifiers, text, event.isAutoRepeat());
        synthetic_ = &replacement;
        QCoreApplication::sendEvent(target, &replacement);
        synthetic_ = nullptr;
        return true;
    }

    void Focus(const QFocusEvent& event)
    {
        auto* control = dynamic_cast<TWinControl*>(control_.get());
        if (!control)
            return;
        TCustomForm* form = TopForm(control);
        if (!form)
            return;
        if (IsWindowFocusReason(event.reason())) {
            // The focus comes back with the window: no events, but the
            // control is the one the next move leaves.
            if (event.type() == QEvent::FocusIn)
                FocusedIn(form) = Guard<TWinControl>(control);
            return;
        }
        if (event.type() == QEvent::FocusIn) {
            MoveFocus(form, control);
            return;
        }
        // The focus leaves: when it goes to something of ours in the same
        // window, that control's FocusIn does the move; otherwise it leaves
        // for nothing here and the exits run now.
        QWidget* next = QApplication::focusWidget();
        if (next && next->window() != form->Widget())
            return;
        TWinControl* nextControl = nullptr;
        for (TControl* c = next ? ControlOfWidget(next) : nullptr; c; c = c->Parent())
            if ((nextControl = dynamic_cast<TWinControl*>(c)))
                break;
        if (nextControl && TopForm(nextControl) != form)
            return;
        MoveFocus(form, nextControl);
    }

    Guard<TControl> control_;
    QWidget* widget_;
    bool pressed_ = false;
    bool dragPending_ = false;
    QPoint pressAt_;
    QEvent* synthetic_ = nullptr;
};

TControl* ControlOfWidget(QWidget* widget)
{
    const auto& bridges = Bridges();
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        auto it = bridges.find(w);
        if (it != bridges.end())
            if (TControl* control = it->second->Control())
                return control;
    }
    return nullptr;
}

} // namespace

void InstallInputBridge(TControl* control, QWidget* widget)
{
    if (!control || !widget)
        return;
    auto* bridge = new InputBridge(control, widget);
    widget->installEventFilter(bridge);
    // OnMouseMove comes without a held button too.
    widget->setMouseTracking(true);
    // A press that the widget ignores is not its parent control's press.
    if (widget == control->Widget())
        widget->setAttribute(Qt::WA_NoMousePropagation);
}

} // namespace fw
