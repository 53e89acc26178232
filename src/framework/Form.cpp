#include "framework/Form.h"

#include "framework/ApplicationException.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace fw {

const TEnumType BorderStyleType {"TFormBorderStyle",
                                 {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
const TEnumType PositionType {"TPosition",
                              {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                               "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"}};

const TEnumType FormStyleType {"TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}};
const TEnumType BorderIconType {"TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
const TEnumType WindowStateType {"TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"}};

namespace {

int modalDepth = 0;

std::vector<TCustomForm*>& FormList()
{
    static std::vector<TCustomForm*> forms;
    return forms;
}

} // namespace

// Turns the window manager's close request into the form's own Close, so that
// OnCloseQuery and OnClose decide.
class TCustomForm::WindowBridge : public QObject {
public:
    explicit WindowBridge(TCustomForm* form) : form_(form) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            RunFromEventLoop([this] { form_->Close(); });
            return true;
        }
        return false;
    }

private:
    TCustomForm* form_;
};

// Tells the form when its window or client area was painted.
class TCustomForm::PaintWatch : public QObject {
public:
    explicit PaintWatch(TCustomForm* form) : form_(form) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            form_->PaintDone();
        return false;
    }

private:
    TCustomForm* form_;
};

const TClassInfo& TCustomForm::StaticClass()
{
    static const TClassInfo info {"TCustomForm", &TWinControl::StaticClass(), {}};
    return info;
}

TCustomForm::TCustomForm(TComponent* owner)
    : TWinControl(owner)
{
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    SetWidget(window);
    bridge_ = new WindowBridge(this);
    window->installEventFilter(bridge_);
    paintWatch_ = new PaintWatch(this);
    window->installEventFilter(paintWatch_);
    FormList().push_back(this);
    SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm()
{
    if (modalLoop_)
        modalLoop_->quit();
    auto& forms = FormList();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (Widget())
        Widget()->removeEventFilter(bridge_);
    if (clientContent_)
        clientContent_->removeEventFilter(paintWatch_);
    if (Widget())
        Widget()->removeEventFilter(paintWatch_);
    delete bridge_;
    delete paintWatch_;
}

void TCustomForm::PaintDone()
{
    if (paintPending_ || !OnPaint || !Widget())
        return;
    // Handlers run after the paint, never inside it.
    paintPending_ = true;
    QMetaObject::invokeMethod(
        Widget(),
        [form = Guard<TCustomForm>(this)] {
            if (!form)
                return;
            form->paintPending_ = false;
            if (form->OnPaint)
                RunFromEventLoop([&] { form->OnPaint(form.get()); });
        },
        Qt::QueuedConnection);
}

int TCustomForm::ModalDepth()
{
    return modalDepth;
}

namespace {
Guard<TCustomForm>& MainFormGuard()
{
    static Guard<TCustomForm> mainForm;
    return mainForm;
}
} // namespace

TCustomForm* TCustomForm::MainForm()
{
    return MainFormGuard().get();
}

void TCustomForm::SetMainForm(TCustomForm* form)
{
    MainFormGuard() = form;
}

const std::vector<TCustomForm*>& TCustomForm::AllForms()
{
    return FormList();
}

void TCustomForm::SetText(const std::string& text)
{
    TWinControl::SetText(text);
    if (Widget())
        Widget()->setWindowTitle(QString::fromStdString(text));
}

int32_t TCustomForm::FrameWidth() const
{
    // The frame of the original's windows at 96 dots per inch, so that forms
    // laid out by outer size keep their client areas.
    switch (borderStyle_) {
    case bsNone: return 0;
    case bsSizeable: case bsSizeToolWin: return 8;
    default: return 6;
    }
}

int32_t TCustomForm::FrameHeight() const
{
    switch (borderStyle_) {
    case bsNone: return 0;
    case bsSizeable: return 27;
    case bsSizeToolWin: return 24;
    case bsToolWindow: return 22;
    default: return 25;
    }
}

int32_t TCustomForm::ClientWidth() const
{
    return std::max(0, GetWidth() - FrameWidth() - 2 * borderWidth_);
}

int32_t TCustomForm::ClientHeight() const
{
    return std::max(0, GetHeight() - FrameHeight() - MenuBarHeight() - 2 * borderWidth_);
}

void TCustomForm::SetClientWidth(int32_t v)
{
    SetWidth(v + FrameWidth() + 2 * borderWidth_);
}

void TCustomForm::SetClientHeight(int32_t v)
{
    SetHeight(v + FrameHeight() + MenuBarHeight() + 2 * borderWidth_);
}

void TCustomForm::SetBorderWidth(int32_t width)
{
    width = std::max(0, width);
    if (width == borderWidth_)
        return;
    const int32_t oldWidth = ClientWidth(), oldHeight = ClientHeight();
    if (width > 0)
        EnsureClientArea();
    borderWidth_ = width;
    ApplyGeometry();
    ClientAreaResized(oldWidth, oldHeight);
}

int32_t TCustomForm::MenuBarHeight() const
{
    if (!menuBar_)
        return 0;
    // An empty bar still takes its line, so that the client area does not move
    // when the first items come.
    return std::max(menuBar_->sizeHint().height(), menuBar_->fontMetrics().height() + 6);
}

QWidget* TCustomForm::ClientWidget() const
{
    return clientContent_ ? clientContent_.data() : Widget();
}

void TCustomForm::SetClientArea(QWidget* area, QWidget* content)
{
    QWidget* window = Widget();
    if (!window || !area)
        return;
    QWidget* to = content ? content : area;
    QWidget* from = ClientWidget();
    QWidget* old = clientArea_.data();
    area->setParent(window);
    // The children keep their places within the new client area.
    const auto children = from->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        if (child != menuBar_.data() && child != area && child != old && !child->isWindow()) {
            const QRect place = child->geometry();
            const bool shown = !child->isHidden();
            child->setParent(to);
            child->setGeometry(place);
            child->setVisible(shown);
        }
    if (clientContent_)
        clientContent_->removeEventFilter(paintWatch_);
    clientArea_ = area;
    clientContent_ = to;
    to->installEventFilter(paintWatch_);
    area->show();
    if (old && old != area)
        delete old;
    ApplyGeometry();
}

void TCustomForm::EnsureClientArea()
{
    if (!clientArea_)
        SetClientArea(new QWidget, nullptr);
}

void TCustomForm::SetMenuBar(QWidget* bar)
{
    QWidget* window = Widget();
    if (!window || bar == menuBar_.data())
        return;
    const int32_t oldWidth = ClientWidth(), oldHeight = ClientHeight();
    menuBar_ = bar;
    // The children move into a client area below the bar.
    if (bar)
        EnsureClientArea();
    ApplyGeometry();
    ClientAreaResized(oldWidth, oldHeight);
}

void TCustomForm::MenuBarResized()
{
    const int32_t bar = MenuBarHeight();
    if (!menuBar_ || !Widget() || bar == laidOutBarHeight_)
        return;
    const int32_t oldWidth = ClientWidth();
    const int32_t oldHeight = ClientHeight() + bar - laidOutBarHeight_;
    ApplyGeometry();
    ClientAreaResized(oldWidth, oldHeight);
}

void TCustomForm::ApplyWindowFlags()
{
    QWidget* w = Widget();
    // A form docked into a control is no window of its own.
    if (!w || Parent())
        return;
    Qt::WindowFlags flags = Qt::Window;
    const TBorderStyle style = borderStyle_;
    if (style == bsNone)
        flags |= Qt::FramelessWindowHint;
    else if (style == bsDialog || style == bsSingle || style == bsToolWindow)
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    if (style == bsToolWindow || style == bsSizeToolWin)
        flags |= Qt::Tool;
    if (style != bsNone && borderIcons_ != DefaultBorderIcons) {
        // Only the buttons asked for; the minimise and maximise buttons and
        // the help button come with the system menu, as on the original.
        const auto has = [&](TBorderIcon icon) { return (borderIcons_ & (1u << icon)) != 0; };
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (has(biSystemMenu)) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            const bool sizingButtons = style != bsDialog && style != bsToolWindow && style != bsSizeToolWin;
            if (sizingButtons && has(biMinimize))
                flags |= Qt::WindowMinimizeButtonHint;
            if (sizingButtons && has(biMaximize))
                flags |= Qt::WindowMaximizeButtonHint;
            if (has(biHelp) && (style == bsDialog || !(has(biMinimize) || has(biMaximize))))
                flags |= Qt::WindowContextHelpButtonHint;
        }
    }
    if (formStyle_ == fsStayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    if (w->windowFlags() == flags)
        return;
    const bool shown = w->isVisible();
    w->setWindowFlags(flags);
    if (shown)
        w->show();
}

void TCustomForm::SetBorderStyle(TBorderStyle style)
{
    if (style == borderStyle_)
        return;
    const int32_t cw = ClientWidth(), ch = ClientHeight();
    borderStyle_ = style;
    ApplyWindowFlags();
    // The client area keeps its size, as the original does on a style change.
    SetBounds(GetLeft(), GetTop(), cw + FrameWidth() + 2 * borderWidth_, ch + FrameHeight() + 2 * borderWidth_);
}

void TCustomForm::SetBorderIcons(TBorderIcons icons)
{
    borderIcons_ = icons & ((1u << (biHelp + 1)) - 1);
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle style)
{
    formStyle_ = style;
    ApplyWindowFlags();
}

TWindowState TCustomForm::GetWindowState() const
{
    const QWidget* w = Widget();
    if (!w || !w->isWindow())
        return windowState_;
    const Qt::WindowStates state = w->windowState();
    if (state & Qt::WindowMinimized)
        return wsMinimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return wsMaximized;
    return wsNormal;
}

void TCustomForm::SetWindowState(TWindowState state)
{
    windowState_ = state;
    QWidget* w = Widget();
    if (!w || !w->isWindow())
        return;
    const Qt::WindowState flag = state == wsMinimized   ? Qt::WindowMinimized
                                 : state == wsMaximized ? Qt::WindowMaximized
                                                        : Qt::WindowNoState;
    // A hidden window takes the state when it shows.
    w->setWindowState((w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | flag);
}

TWinControl* TCustomForm::GetActiveControl() const
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !Widget() || !Widget()->isAncestorOf(focus))
        return activeControl_.get();
    // The innermost control whose widget holds the focus widget.
    TWinControl* best = nullptr;
    std::vector<const TWinControl*> pending {this};
    while (!pending.empty()) {
        const TWinControl* c = pending.back();
        pending.pop_back();
        for (TControl* child : c->ChildControls())
            if (auto* w = dynamic_cast<TWinControl*>(child)) {
                if (w->Widget() && (w->Widget() == focus || w->Widget()->isAncestorOf(focus)))
                    best = w;
                pending.push_back(w);
            }
    }
    return best ? best : activeControl_.get();
}

void TCustomForm::SetActiveControl(TWinControl* control)
{
    activeControl_ = control;
    if (control && control->Widget() && Widget() && Widget()->isVisible() && control->IsShowing())
        control->Widget()->setFocus(Qt::OtherFocusReason);
}

bool TCustomForm::ContextHelp(TControl* control)
{
    int32_t context = 0;
    for (TControl* c = control; c && context == 0; c = c->Parent())
        context = c->GetHelpContext();
    if (context == 0)
        context = GetHelpContext();
    if (context == 0)
        return false;
    if (OnHelp) {
        bool callHelp = true;
        OnHelp(HelpContextCommand, context, callHelp);
    }
    return true;
}

void TCustomForm::ApplyGeometry()
{
    QWidget* w = Widget();
    if (!w)
        return;
    const int32_t bar = MenuBarHeight();
    laidOutBarHeight_ = bar;
    const int32_t innerWidth = ClientWidth() + 2 * borderWidth_;
    const int32_t innerHeight = ClientHeight() + bar + 2 * borderWidth_;
    w->setGeometry(GetLeft(), GetTop(), innerWidth, innerHeight);
    if (clientArea_)
        clientArea_->setGeometry(borderWidth_, bar + borderWidth_, ClientWidth(), ClientHeight());
    if (borderStyle_ != bsSizeable && borderStyle_ != bsSizeToolWin)
        w->setFixedSize(innerWidth, innerHeight);
    else
        w->setMinimumSize(0, 0), w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void TCustomForm::ApplyVisible()
{
    QWidget* w = Widget();
    if (!w)
        return;
    if (GetVisible()) {
        if (position_ == poScreenCenter || position_ == poDesktopCenter || position_ == poMainFormCenter ||
            position_ == poOwnerFormCenter) {
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect area = screen->availableGeometry();
                SetBounds(area.x() + (area.width() - GetWidth()) / 2, area.y() + (area.height() - GetHeight()) / 2,
                          GetWidth(), GetHeight());
            }
        }
        w->show();
        if (TWinControl* active = activeControl_.get(); active && active->Widget() && active->IsShowing())
            active->Widget()->setFocus(Qt::OtherFocusReason);
        if (OnShow)
            OnShow(this);
    } else {
        w->hide();
        if (OnHide)
            OnHide(this);
    }
}

void TCustomForm::SetVisible(bool visible)
{
    if (Parent()) {
        TWinControl::SetVisible(visible);
        return;
    }
    if (visible == GetVisible() && Widget() && Widget()->isVisible() == visible)
        return;
    TControl::SetVisible(visible);
    ApplyVisible();
}

void TCustomForm::Show()
{
    SetVisible(true);
    if (Widget())
        Widget()->raise();
}

void TCustomForm::Hide()
{
    SetVisible(false);
}

void TCustomForm::Detach()
{
    if (modalLoop_) {
        modalResult_ = mrCancel;
        modalLoop_->quit();
    }
    TWinControl::Detach();
}

void TCustomForm::SetModalResult(TModalResult result)
{
    modalResult_ = result;
    if (result != mrNone && modalLoop_)
        modalLoop_->quit();
}

TModalResult TCustomForm::ShowModal()
{
    if (modalLoop_ || (Widget() && Widget()->isVisible() && GetVisible()))
        throw u3::Exception("Cannot make a visible window modal");
    HandlerScope scope;
    Guard<TCustomForm> self(this);
    // Only the windows that exist now are blocked; forms opened later (a
    // progress form, say) stay usable.
    std::vector<Guard<TCustomForm>> blocked;
    for (TCustomForm* f : FormList())
        if (f != this && f->Widget() && f->Widget()->isVisible() && f->Widget()->isEnabled()) {
            f->Widget()->setEnabled(false);
            blocked.emplace_back(f);
        }
    modalResult_ = mrNone;
    QEventLoop loop;
    modalLoop_ = &loop;
    struct DepthCount {
        DepthCount() { ++modalDepth; }
        ~DepthCount() { --modalDepth; }
    } depth;
    TModalResult result = mrCancel;
    auto unblock = [&] {
        for (auto& g : blocked)
            if (g && g->Widget())
                g->Widget()->setEnabled(g->GetEnabled());
    };
    try {
        Show();
        // A result set by a button still has to pass the close query; an
        // OnClose that answers caNone keeps the form open.
        while (self) {
            if (modalResult_ == mrNone)
                loop.exec();
            if (!self || modalResult_ == mrNone)
                continue;
            TCloseAction action = caNone;
            if (closeAsked_) {
                closeAsked_ = false;
                action = askedAction_;
            } else if (CloseQuery() && self) {
                action = caHide;
                DoClose(action);
            }
            if (!self)
                break;
            if (action == caNone) {
                modalResult_ = mrNone;
                continue;
            }
            if (action == caFree)
                Release();
            break;
        }
    } catch (...) {
        if (self)
            modalLoop_ = nullptr;
        unblock();
        throw;
    }
    if (self) {
        modalLoop_ = nullptr;
        result = modalResult_;
        Hide();
    } else {
        // Freed while it ran: deletion waits until no handler runs, so the
        // object may still be read here.
        modalLoop_ = nullptr;
        result = modalResult_ == mrNone ? mrCancel : modalResult_;
    }
    unblock();
    return result;
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& action)
{
    if (OnClose)
        OnClose(this, action);
}

void TCustomForm::Close()
{
    Guard<TCustomForm> self(this);
    if (!CloseQuery() || !self)
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (!self || action == caNone)
        return;
    if (modalLoop_) {
        // The close was asked already; the modal loop does not ask again.
        closeAsked_ = true;
        askedAction_ = action;
        SetModalResult(mrCancel);
        return;
    }
    if (action == caFree)
        Release();
    else if (action == caMinimize && Widget())
        Widget()->showMinimized();
    else
        Hide();
}

} // namespace fw
