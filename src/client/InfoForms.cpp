#include "client/InfoForms.h"

#include "client/MessageDialog.h"
#include "e3/buttons/SpeedButton.h"
#include "framework/ApplicationException.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>

namespace client {

namespace {

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
    OnKeyDown = [this](fw::TObject*, uint16_t& key, fw::TShiftState shift) { FormKeyDown(key, shift); };
    FormCreate();
}

void TFormMessage::FormCreate()
{
    Result = -1;
}

void TFormMessage::btnClick(fw::TObject* sender)
{
    const auto* button = dynamic_cast<e3::Te3SpeedButton*>(sender);
    Result = button ? button->GetTag() : -1;
    Close();
}

void TFormMessage::FormKeyDown(uint16_t& key, fw::TShiftState shift)
{
    constexpr uint16_t escape = 27;
    if (key == escape && shift == 0)
        if (e3::Te3SpeedButton* cancel = CancelButton.get())
            cancel->Click();
}

TFormMessage* PrepareInfoMessage(TFormMessage* form, const std::string& caption, const std::string& text)
{
    if (!form)
        form = new TFormMessage(nullptr);
    form->Panel2->SetVisible(false);
    form->CancelButton = nullptr;
    QWidget* w = form->Widget();
    w->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint);
    ApplyDialogFont(*form);
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
    ApplyDialogFont(*form);
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
{
    SetCaption("FormProgress");
    SetKeyPreview(true);
    Panel2 = MakePanel(this, fw::alBottom, 22);
    Panel1 = MakePanel(this, fw::alClient, 0);
    Bevel3 = BottomLine(Panel1);
    lblStaticText = new QLabel(Panel1->Widget());
    lblStaticText->setWordWrap(true);
    lblStaticText->setTextFormat(Qt::PlainText);
    OnHide = [this](fw::TObject*) { FormHide(); };
    DragBySurface(*this);
}

void TFormProgressInfo::FormHide()
{
    if (ProgressLabel)
        ProgressLabel->SetShowProgress(false);
}

void TFormProgressInfo::Button1Click()
{
    if (ProgressLabel)
        ProgressLabel->SetShowProgress(false);
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
        auto* label = new e3::Te3_ProgressLabel(form);
        label->SetParent(form->Panel1);
        label->GetFont()->SetSize(9);
        label->SetWordWrap(true);
        label->SetInterval(1000);
        label->SetMaxDotCount(20);
        label->SetWidth(250);
        form->ProgressLabel = label;
    }
    form->lblStaticText->setGeometry(4, 16, width, height);
    e3::Te3_ProgressLabel* progress = form->ProgressLabel;
    progress->SetBounds(4, 16 + height + 8, progress->GetWidth(), progress->GetHeight());
    progress->SetText(progressText);
    progress->SetShowProgress(true);
    PlaceBottomLine(form->Bevel3, form->Panel1);
    return form;
}

} // namespace client
