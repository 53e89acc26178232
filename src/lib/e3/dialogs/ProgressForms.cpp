#include "e3/dialogs/ProgressForms.h"

#include "e3/buttons/SpeedButton.h"
#include "e3/containers/GroupBox.h"
#include "e3/containers/Panel.h"
#include "e3/dialogs/DialogHost.h"
#include "e3/display/Bevel.h"
#include "e3/display/Gauge.h"
#include "e3/display/Label.h"
#include "e3/edits/Memo.h"
#include "framework/ApplicationException.h"
#include "u3/ProgramEnd.h"

#include <QAbstractEventDispatcher>
#include <QFrame>
#include <QMouseEvent>
#include <QThread>
#include <QWindow>

namespace e3 {
namespace {

fw::Guard<TFormProgress> theFormProgress;
int lostLinkStep = 0;

// Delivers the events pending now; never waits for new ones.
void ProcessPendingMessages()
{
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        dispatcher->processEvents(QEventLoop::AllEvents);
}

// Both progress windows can be dragged by any point of their own surface.
class DragBySurface : public QObject {
public:
    explicit DragBySurface(QWidget* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton)
            return false;
        // Only presses on the window's own surface or a plain container, never
        // on a control that uses the mouse.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || (widget != window_ && widget->focusPolicy() != Qt::NoFocus))
            return false;
        if (QWindow* handle = window_->windowHandle())
            return handle->startSystemMove();
        return false;
    }

private:
    QWidget* window_;
};

void InstallSurfaceDrag(QWidget* window, std::initializer_list<fw::TControl*> surfaces)
{
    auto* drag = new DragBySurface(window);
    window->installEventFilter(drag);
    for (fw::TControl* c : surfaces)
        if (QWidget* w = c->Widget())
            w->installEventFilter(drag);
}

Te3_Panel* MakePanel(fw::TComponent* owner, fw::TWinControl* parent, const char* name, fw::TAlign align, int height)
{
    auto* panel = new Te3_Panel(owner);
    panel->SetName(name);
    panel->SetParent(parent);
    panel->SetBevelOuter(bvNone);
    panel->SetText("");
    panel->SetHeight(height);
    panel->SetAlign(align);
    return panel;
}

Te3_SpeedButton* MakeButton(fw::TComponent* owner, fw::TWinControl* parent, const char* name, const char* caption,
                            int32_t modalResult)
{
    auto* button = new Te3_SpeedButton(owner);
    button->SetName(name);
    button->SetParent(parent);
    button->SetText(caption);
    button->SetModalResult(modalResult);
    return button;
}

template <class T>
T HandlerOf(IDialogHost* host, const char* eventName, const T& fallback)
{
    if (!host)
        return fallback;
    const std::any handler = host->EventListHandler(eventName);
    if (const T* typed = std::any_cast<T>(&handler))
        return *typed;
    return fallback;
}

} // namespace

// --- TFormProgress -------------------------------------------------------------

const fw::TClassInfo& TFormProgress::StaticClass()
{
    static const fw::TClassInfo info {"TFormProgress", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TFormProgress::TFormProgress(fw::TComponent* owner)
    : fw::TCustomForm(owner)
{
    SetName("FormProgress");
    SetCaption("Progress ...");
    SetBorderStyle(fw::bsToolWindow);
    SetPosition(fw::poScreenCenter);
    Widget()->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    SetClientWidth(469);
    SetClientHeight(72);

    Panel = MakePanel(this, this, "Panel", fw::alClient, 72);
    GroupBox = new Te3_GroupBox(this);
    GroupBox->SetName("GroupBox");
    GroupBox->SetParent(Panel);
    GroupBox->SetText("Contacting server");
    GroupBox->SetBounds(8, 1, 453, 45);

    Gauge = new Te3_Gauge(this);
    // Laid out as its form resource says, not fitted to whole boxes.
    Gauge->BeginLoading();
    Gauge->SetName("Gauge");
    Gauge->SetParent(GroupBox);
    Gauge->SetBoxCount(100);
    Gauge->SetBoxWidth(4);
    Gauge->SetBoxColor(6956042);
    Gauge->SetColor(13160660);
    Gauge->SetBounds(8, 17, 403, 20);
    Gauge->SetProgress(0);
    static_cast<fw::TComponent*>(Gauge)->Loaded();

    lblPercent = new Te3_Label(this);
    lblPercent->SetName("lblPercent");
    lblPercent->SetParent(GroupBox);
    lblPercent->SetAutoSize(false);
    lblPercent->SetAlignment(taRightJustify);
    lblPercent->SetText("0 %");
    lblPercent->SetBounds(414, 18, 30, 16);

    spbCancel = MakeButton(this, Panel, "spbCancel", "Cancel", fw::mrCancel);
    spbCancel->SetStyle(bsNew);
    spbCancel->SetBounds(372, 50, 90, 18);
    spbCancel->OnClick = [this](fw::TObject* sender) {
        if (OnCancel)
            OnCancel(sender);
    };

    InstallSurfaceDrag(Widget(), {Panel});
}

TFormProgress::~TFormProgress()
{
    if (theFormProgress.get() == this) {
        theFormProgress = nullptr;
        u3::RemoveProgramEndStep(lostLinkStep);
        lostLinkStep = 0;
    }
}

TFormProgress* FormProgress()
{
    return theFormProgress.get();
}

TFormProgress* CreateFormProgress()
{
    if (TFormProgress* existing = theFormProgress.get())
        return existing;
    auto* form = new TFormProgress(nullptr);
    form->Hide();
    theFormProgress = form;
    // Taken down before the connection-lost message, which it would cover.
    lostLinkStep = u3::AddProgramEndStep("free the progress form", [] { FreeFormProgress(); },
                                         u3::ProgramEndOrder::BeforeMessage);
    return form;
}

void FreeFormProgress()
{
    if (TFormProgress* form = theFormProgress.get()) {
        form->Hide();
        delete form;
    }
}

// --- TFormGauge ----------------------------------------------------------------

const fw::TClassInfo& TFormGauge::StaticClass()
{
    using C = TFormGauge;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "TFormGauge",
        &fw::TCustomForm::StaticClass(),
        fw::TRows<TFormGauge> {
            p::StringAction("_Show", &C::ShowAction),
            p::StringAction("_ShowModal", &C::ShowModalAction),
            p::StringAction("_Resize", &C::ResizeAction),
            p::StringAction("_Execute", &C::ExecuteAction),
            p::Boolean<C>("Cancel", nullptr, &C::SetCancel),
            p::Integer<C>("MinValue", nullptr, &C::SetMinValue),
            p::Integer<C>("MaxValue", nullptr, &C::SetMaxValue),
            p::Integer<C>("Progress", nullptr, &C::SetProgress),
        },
        fw::MakeFactory<TFormGauge>(),
    };
    return info;
}

TFormGauge::TFormGauge(fw::TComponent* owner)
    : fw::TCustomForm(owner)
{
    SetCaption("Maintenance table update");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    Widget()->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    SetClientWidth(508);
    SetClientHeight(343);

    pnlTop = MakePanel(this, this, "pnlTop", fw::alTop, 22);
    lblComments = new Te3_Label(this);
    lblComments->SetName("lblComments");
    lblComments->SetParent(pnlTop);
    lblComments->SetText("Comments identifying changes");
    lblComments->SetBounds(8, 4, 200, 13);
    Bevel1 = new Te3_Bevel(this);
    Bevel1->SetName("Bevel1");
    Bevel1->SetParent(pnlTop);
    Bevel1->SetShape(bsBottomLine);
    Bevel1->SetBounds(0, 20, 508, 2);

    // Bottom-aligned parts stack upwards in the order they are made.
    pnlBottom = MakePanel(this, this, "pnlBottom", fw::alBottom, 22);
    spbOk = MakeButton(this, pnlBottom, "spbOk", "OK", fw::mrOk);
    spbCancel = MakeButton(this, pnlBottom, "spbCancel", "Cancel", fw::mrCancel);
    for (Te3_SpeedButton* b : {spbOk, spbCancel}) {
        b->SetFlat(true);
        b->SetLayout(blGlyphLeft);
    }
    spbOk->SetBounds(340, 0, 80, 22);
    spbCancel->SetBounds(424, 0, 80, 22);
    spbCancel->OnClick = [this](fw::TObject*) { CancelClick(); };

    gbxProgress = new Te3_GroupBox(this);
    gbxProgress->SetName("gbxProgress");
    gbxProgress->SetParent(this);
    gbxProgress->SetText("Updating Forms ...   ");
    gbxProgress->SetHeight(41);
    gbxProgress->SetAlign(fw::alBottom);
    ProgressBar = new Te3_Gauge(this);
    ProgressBar->BeginLoading();
    ProgressBar->SetName("ProgressBar");
    ProgressBar->SetParent(gbxProgress);
    ProgressBar->SetBoxCount(98);
    ProgressBar->SetBoxWidth(5);
    ProgressBar->SetBoxColor(12937777);
    ProgressBar->SetColor(14215660);
    ProgressBar->SetBounds(8, 15, 492, 20);
    static_cast<fw::TComponent*>(ProgressBar)->Loaded();

    pnlMain = MakePanel(this, this, "pnlMain", fw::alClient, 0);
    Comentarios = new Te3_Label(this);
    Comentarios->SetName("Comentarios");
    Comentarios->SetParent(pnlMain);
    Comentarios->SetText("");
    Comentarios->SetBounds(8, 4, 492, 13);
    Memo = new Te3_Memo(this);
    Memo->SetName("Memo");
    Memo->SetParent(pnlMain);
    Memo->SetReadOnly(true);
    Memo->SetColor(fw::clBtnFace);
    Memo->SetBounds(8, 20, 492, 230);
    if (auto* frame = qobject_cast<QFrame*>(Memo->Widget()))
        frame->setFrameShape(QFrame::NoFrame);

    InstallSurfaceDrag(Widget(), {pnlTop, pnlMain, pnlBottom});
}

TFormGauge::~TFormGauge() = default;

void TFormGauge::ShowAction(const std::string&)
{
    Show();
}

void TFormGauge::ShowModalAction(const std::string&)
{
    if (GetVisible())
        Hide();
    ShowModal();
}

void TFormGauge::ResizeAction(const std::string&)
{
    int32_t height = 0;
    for (fw::TControl* part : std::initializer_list<fw::TControl*> {pnlBottom, pnlMain, gbxProgress, pnlTop})
        if (part->GetVisible())
            height += part->GetHeight();
    SetClientHeight(height);
}

void TFormGauge::SetMinValue(int32_t value)
{
    ProgressBar->SetMinValue(value);
}

void TFormGauge::SetMaxValue(int32_t value)
{
    ProgressBar->SetMaxValue(value);
}

void TFormGauge::SetProgress(int32_t value)
{
    ProgressBar->SetProgress(value);
}

void TFormGauge::CancelClick()
{
    cancel_ = true;
    Close();
}

void TFormGauge::ExecuteAction(const std::string&)
{
    IDialogHost* host = DialogHost();
    OnStart = HandlerOf(host, "OnMinValue", OnStart);
    OnStep = HandlerOf(host, "OnFormProgress", OnStep);
    OnEnd = HandlerOf(host, "OnMaxValue", OnEnd);
    cancel_ = false;

    // Every engine reply may free this form: nothing of it is touched after
    // a call unless it is still alive.
    const fw::Guard<TFormGauge> self(this);
    auto pump = [&self] {
        ProcessPendingMessages();
        return static_cast<bool>(self);
    };
    if (OnStart)
        OnStart(this);
    if (!self || !pump())
        return;
    while (!cancel_ && ProgressBar->GetProgress() < ProgressBar->GetMaxValue()) {
        if (OnStep)
            OnStep(this);
        if (!self || !pump())
            return;
    }
    bool cancel = cancel_;
    if (OnEnd)
        OnEnd(this, cancel);
    if (self)
        pump();
}

} // namespace e3
