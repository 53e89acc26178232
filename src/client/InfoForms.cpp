#include "client/InfoForms.h"

#include "client/MessageDialog.h"
#include "framework/ApplicationException.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QTimer>

namespace client {

namespace {

constexpr int MaxDots = 20;

// The word-wrapped size of text in a 320-pixel column, without prefix
// processing.
QSize MeasureWrapped(const QFont& font, const std::string& text)
{
    return QFontMetrics(font)
        .boundingRect(QRect(0, 0, 320, 1 << 20), Qt::TextWordWrap, QString::fromStdString(text))
        .size();
}

e3::Te3_Panel* MakePanel(fw::TCustomForm* form, fw::TAlign align, int height)
{
    auto* panel = new e3::Te3_Panel(form);
    panel->SetParent(form);
    panel->SetBevelOuter(e3::bvNone);
    panel->SetHeight(height);
    panel->SetAlign(align);
    return panel;
}

QFrame* BottomLine(e3::Te3_Panel* panel)
{
    auto* line = new QFrame(panel->Widget());
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void PlaceBottomLine(QFrame* line, e3::Te3_Panel* panel)
{
    line->setGeometry(0, panel->GetHeight() - 2, panel->GetWidth(), 2);
}

QFont FontOfSize(const fw::TControl& control, int points)
{
    QFont f = control.GetFont()->ToQFont();
    f.setPointSize(points);
    return f;
}

} // namespace

const fw::TClassInfo& TFormMessage::StaticClass()
{
    static const fw::TClassInfo info {"TFormMessage", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TFormMessage::TFormMessage(fw::TComponent* owner)
    : fw::TCustomForm(owner)
{
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    Widget()->setWindowFlags(Widget()->windowFlags() | Qt::WindowStaysOnTopHint);
    Panel2 = MakePanel(this, fw::alBottom, 22);
    Panel1 = MakePanel(this, fw::alClient, 0);
    Label1 = new QLabel(Panel1->Widget());
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setTextFormat(Qt::PlainText);
    Bevel3 = BottomLine(Panel1);
    DragBySurface(*this);
}

TFormMessage* PrepareInfoMessage(TFormMessage* form, const std::string& caption, const std::string& text)
{
    if (!form)
        form = new TFormMessage(nullptr);
    form->Panel2->SetVisible(false);
    QWidget* w = form->Widget();
    w->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);
    const QFont font = FontOfSize(*form, 9);
    const QSize measured = MeasureWrapped(font, text);
    const int width = measured.width() + 4, height = measured.height() + 14;
    form->SetBounds(form->GetLeft(), form->GetTop(), std::max(width + 30, 250), measured.height() + 94);
    form->SetCaption(caption);
    form->AlignTree();
    fw::TControl* panel = form->Panel1;
    form->Label1->setFont(font);
    form->Label1->setGeometry((panel->GetWidth() - width) / 2, (panel->GetHeight() - height) / 2, width, height);
    form->Label1->setText(QString::fromStdString(text));
    PlaceBottomLine(form->Bevel3, form->Panel1);
    return form;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& TFormProgressInfo::StaticClass()
{
    static const fw::TClassInfo info {"TFormProgressInfo", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TFormProgressInfo::TFormProgressInfo(fw::TComponent* owner)
    : fw::TCustomForm(owner)
    , timer_(new QTimer(Widget()))
{
    SetCaption("FormProgress");
    SetKeyPreview(true);
    Panel2 = MakePanel(this, fw::alBottom, 22);
    Panel1 = MakePanel(this, fw::alClient, 0);
    Bevel3 = BottomLine(Panel1);
    lblStaticText = new QLabel(Panel1->Widget());
    lblStaticText->setWordWrap(true);
    lblStaticText->setTextFormat(Qt::PlainText);
    timer_->setInterval(1000);
    QObject::connect(timer_, &QTimer::timeout, Widget(), [this] { fw::RunFromEventLoop([this] { AdvanceDots(); }); });
    OnHide = [this](fw::TObject*) { FormHide(); };
    DragBySurface(*this);
}

void TFormProgressInfo::FormHide()
{
    timer_->stop();
}

void TFormProgressInfo::Button1Click()
{
    timer_->stop();
}

bool TFormProgressInfo::DotsRunning() const
{
    return timer_->isActive();
}

std::string TFormProgressInfo::ProgressCaption() const
{
    return ProgressLabel ? ProgressLabel->text().toStdString() : std::string();
}

void TFormProgressInfo::AdvanceDots()
{
    dots_ = dots_ >= MaxDots ? 0 : dots_ + 1;
    if (ProgressLabel)
        ProgressLabel->setText(QString::fromStdString(progressText_ + std::string(static_cast<size_t>(dots_), '.')));
}

void TFormProgressInfo::StartDots(const std::string& caption)
{
    progressText_ = caption;
    dots_ = 0;
    ProgressLabel->setText(QString::fromStdString(caption));
    timer_->start();
}

TFormProgressInfo* PrepareProgressInfo(TFormProgressInfo* form, const std::string& caption, const std::string& text,
                                       const std::string& progressText)
{
    if (!form)
        form = new TFormProgressInfo(nullptr);
    form->Panel2->SetVisible(false);
    form->Widget()->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowMinMaxButtonsHint | Qt::WindowStaysOnTopHint);
    const QSize measured = MeasureWrapped(form->lblStaticText->font(), text);
    const int width = measured.width() + 4, height = measured.height() + 14;
    form->SetBounds(form->GetLeft(), form->GetTop(), std::max(width + 30, 250), measured.height() + 114);
    form->SetCaption(caption);
    form->AlignTree();
    form->lblStaticText->setText(QString::fromStdString(text));
    if (!form->ProgressLabel) {
        form->ProgressLabel = new QLabel(form->Panel1->Widget());
        form->ProgressLabel->setFont(FontOfSize(*form, 9));
        form->ProgressLabel->setWordWrap(true);
        form->ProgressLabel->setTextFormat(Qt::PlainText);
    }
    form->lblStaticText->setGeometry(4, 16, width, height);
    form->ProgressLabel->setGeometry(4, 16 + height + 8, 250, form->ProgressLabel->sizeHint().height());
    form->ProgressLabel->show();
    PlaceBottomLine(form->Bevel3, form->Panel1);
    form->StartDots(progressText);
    return form;
}

} // namespace client
