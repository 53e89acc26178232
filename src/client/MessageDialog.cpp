#include "client/MessageDialog.h"

#include "framework/ApplicationException.h"
#include "framework/ApplicationTitle.h"
#include "framework/KeyCodes.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <memory>

namespace client {

namespace {

// a·b/c to the nearest integer.
int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

QString FitTextToWidth(const QString& text, int maxWidth, const std::function<int(const QString&)>& width)
{
    const std::u32string chars = text.toStdU32String();
    auto prefix = [&](size_t n) { return QString::fromStdU32String(chars.substr(0, n)); };
    // The widths of longer prefixes never shrink: bisect for the longest one
    // that fits, down to a single character.
    size_t lo = 0, hi = chars.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo + 1) / 2;
        if (width(prefix(mid)) <= maxWidth)
            lo = mid;
        else
            hi = mid - 1;
    }
    return prefix(lo);
}

MessageLayout LayoutMessageForm(const MessageLayoutInput& in)
{
    const int x = in.avgCharWidth, y = in.charHeight;
    const int horzMargin = MulDiv(8, x, 4);
    const int vertMargin = MulDiv(8, y, 8);
    const int vertSpacing = MulDiv(10, y, 8);
    int buttonWidth = MulDiv(50, x, 4);
    const int buttonHeight = MulDiv(14, y, 8);
    int buttonSpacing = MulDiv(4, x, 4);
    const int n = static_cast<int>(in.captions.size());

    for (const std::string& c : in.captions)
        buttonWidth = std::max(buttonWidth, in.textWidth(Q(c)) + 20);
    buttonWidth = std::max(buttonWidth, 75);

    const int wrapWidth = in.screenWidth / 2 - 2 * horzMargin;
    const QSize textSize = in.wrappedSize(Q(in.text), wrapWidth);
    int buttonGroupWidth = n > 0 ? n * buttonWidth + (n - 1) * buttonSpacing : 0;

    MessageLayout out;
    out.label = QRect(horzMargin, vertMargin, textSize.width(), textSize.height());

    int checkWidth = 0, checkHeight = 0;
    if (!in.checkCaption.empty()) {
        checkWidth = in.textWidth(Q(in.checkCaption)) + 40;
        if (checkWidth > wrapWidth) {
            checkWidth = wrapWidth;
            out.checkHint = in.checkCaption;
        }
        out.checkBox = QRect(horzMargin, out.label.bottom() + 1 + vertSpacing, checkWidth, in.checkBoxHeight);
        checkHeight = in.checkBoxHeight + vertSpacing;
    }

    // Outer size within its limits: at least 200 wide, at most half the screen.
    int clientWidth = std::max({textSize.width(), buttonGroupWidth, checkWidth}) + 2 * horzMargin;
    int clientHeight = textSize.height() + buttonHeight + vertSpacing + 2 * vertMargin + checkHeight;
    const int outerWidth = std::clamp(clientWidth + in.frameWidth, std::min(200, in.screenWidth / 2), in.screenWidth / 2);
    const int outerHeight = std::min(clientHeight + in.frameHeight, in.screenHeight / 2);
    clientWidth = outerWidth - in.frameWidth;
    clientHeight = outerHeight - in.frameHeight;
    out.clientWidth = clientWidth;
    out.clientHeight = clientHeight;
    out.position = QPoint(in.screenWidth / 2 - outerWidth / 2, in.screenHeight / 2 - outerHeight / 2);

    // Too many or too wide captions share the width there is; every button
    // stays inside the form, however short the captions.
    if (n > 0 && clientWidth < buttonGroupWidth + 2 * horzMargin) {
        buttonGroupWidth = clientWidth - 2 * horzMargin;
        buttonWidth = (buttonGroupWidth - (n - 1) * buttonSpacing) / n;
        if (buttonWidth < 1) {
            // So many captions that the gaps alone are too wide: the gaps give
            // way first, so that every button keeps at least one pixel.
            buttonSpacing = n > 1 ? std::max(0, (buttonGroupWidth - n) / (n - 1)) : 0;
            buttonWidth = std::max(1, (buttonGroupWidth - (n - 1) * buttonSpacing) / n);
        }
    }
    int bx = (clientWidth - buttonGroupWidth) / 2;
    int by = vertMargin + textSize.height() + vertSpacing + checkHeight;

    if (clientHeight < by + buttonHeight + vertMargin) {
        // The text is taller than the form may be: it scrolls, the buttons stay below.
        out.scrolls = true;
        const QPoint at = out.label.topLeft();
        out.scrollBox = QRect(at.x(), at.y(), clientWidth - at.x() - horzMargin,
                              clientHeight - at.y() - vertSpacing - checkHeight - buttonHeight - vertMargin);
        if (!in.checkCaption.empty())
            out.checkBox.moveTop(out.scrollBox.bottom() + 1 + vertSpacing);
        by = out.scrollBox.bottom() + 1 + vertSpacing + checkHeight;
        const int inner = out.scrollBox.width() - in.scrollBarWidth;
        const QSize rewrapped = in.wrappedSize(Q(in.text), inner);
        out.label = QRect(0, 0, inner, rewrapped.height());
    }

    const int captionLimit = buttonWidth < 75 ? buttonWidth - 20 : buttonWidth;
    const int ellipsis = in.textWidth("...");
    for (int i = 0; i < n; ++i) {
        MessageLayout::Button b;
        b.caption = in.captions[static_cast<size_t>(i)];
        if (in.textWidth(Q(b.caption)) + 20 > captionLimit) {
            b.hint = b.caption;
            b.caption = FitTextToWidth(Q(b.caption), captionLimit - ellipsis, in.textWidth).toStdString() + "...";
        }
        b.rect = QRect(bx, by, buttonWidth, buttonHeight);
        bx += buttonWidth + buttonSpacing;
        out.buttons.push_back(std::move(b));
    }
    return out;
}

std::string BuildClipboardText(const std::string& caption, const std::string& message,
                               const std::vector<std::string>& buttonCaptions)
{
    const std::string crlf = "\r\n";
    const std::string dashes = std::string(27, '-') + crlf;
    std::string buttons;
    for (const std::string& c : buttonCaptions) {
        for (char ch : c)
            if (ch != '&')
                buttons += ch;
        buttons += "   ";
    }
    return dashes + caption + crlf + dashes + message + crlf + dashes + buttons + crlf + dashes;
}

// ---------------------------------------------------------------------------

namespace {

class ModalSeam final : public MessageDialogSeam {
public:
    void Run(TMessageForm& form) override { form.ShowModal(); }
    void Beep() override { QApplication::beep(); }
};

MessageDialogSeam* installedSeam = nullptr;

// Turns a press anywhere on the window's own surface into a move of the window.
class SurfaceDrag : public QObject {
public:
    explicit SurfaceDrag(fw::TCustomForm* form) : QObject(form->Widget()), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        QWidget* window = form_->Widget();
        if (watched != window)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton)
                return false;
            if (window->windowHandle() && window->windowHandle()->startSystemMove())
                return true;
            grab_ = e->globalPosition().toPoint() - window->pos();
            dragging_ = true;
            return true;
        }
        case QEvent::MouseMove:
            if (dragging_) {
                const QPoint to = static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - grab_;
                fw::RunFromEventLoop([&] {
                    form_->SetBounds(to.x(), to.y(), form_->GetWidth(), form_->GetHeight());
                });
                return true;
            }
            return false;
        case QEvent::MouseButtonRelease:
            if (dragging_) {
                dragging_ = false;
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    fw::TCustomForm* form_;
    QPoint grab_;
    bool dragging_ = false;
};

// The dialog's own keys, before the window or its children see them.
class DialogKeys : public QObject {
public:
    explicit DialogKeys(TMessageForm* form) : QObject(form->Widget()), form_(form) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* e = static_cast<QKeyEvent*>(event);
        uint16_t key = fw::VirtualKeyFromQt(e->key(), e->modifiers());
        const uint16_t pressed = key;
        fw::RunFromEventLoop([&] { form_->HandleKeyDown(key, fw::ShiftStateFromQt(e->modifiers())); });
        return key != pressed;
    }

private:
    TMessageForm* form_;
};

constexpr uint16_t VK_ESCAPE = 27;
constexpr uint16_t VK_C = 'C';

} // namespace

MessageDialogSeam& CurrentMessageDialogSeam()
{
    static ModalSeam modal;
    return installedSeam ? *installedSeam : modal;
}

void SetMessageDialogSeam(MessageDialogSeam* seam)
{
    installedSeam = seam;
}

void DragBySurface(fw::TCustomForm& form)
{
    if (QWidget* w = form.Widget())
        w->installEventFilter(new SurfaceDrag(&form));
}

const fw::TClassInfo& TMessageForm::StaticClass()
{
    static const fw::TClassInfo info {"TMessageForm", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TMessageForm::TMessageForm(fw::TComponent* owner)
    : fw::TCustomForm(owner)
{
    const QFont message = QApplication::font("QMessageBox");
    GetFont()->SetName(message.family().toStdString());
    if (message.pointSize() > 0)
        GetFont()->SetSize(message.pointSize());
    Widget()->installEventFilter(new DialogKeys(this));
    DragBySurface(*this);
}

void ApplyDialogFont(fw::TCustomForm& form)
{
    constexpr int32_t defaultCharset = 1;
    form.GetFont()->SetCharset(defaultCharset);
    const fw::TCustomForm* main = fw::TCustomForm::MainForm();
    for (fw::TControl* child : form.ChildControls()) {
        child->GetFont()->SetCharset(defaultCharset);
        if (main && main != &form && dynamic_cast<fw::TWinControl*>(child))
            child->GetFont()->SetSize(main->GetFont()->GetSize());
    }
}

void TMessageForm::ApplyLanguageFont()
{
    // The form itself keeps the system's message font, and its texts take it
    // from there, whatever size the main form uses.
    ApplyDialogFont(*this);
    const QFont font = GetFont()->ToQFont();
    Widget()->setFont(font);
    for (QWidget* child : Widget()->findChildren<QWidget*>())
        child->setFont(font);
}

void TMessageForm::HandleKeyDown(uint16_t& key, fw::TShiftState shift)
{
    if (key == VK_C && shift == (1u << fw::ssCtrl)) {
        CurrentMessageDialogSeam().Beep();
        CopyTextToClipboard();
    } else if (key == VK_ESCAPE && shift == 0 && cancelButton_) {
        cancelButton_->click();
    }
}

void TMessageForm::ButtonClick(int tag)
{
    result_ = tag;
    Close();
}

void TMessageForm::CheckBoxClick()
{
    checked_ = checkBox_ && checkBox_->isChecked();
}

std::string TMessageForm::BuildClipboardText() const
{
    std::vector<std::string> captions;
    for (const QToolButton* b : buttons_)
        captions.push_back(b->text().toStdString());
    return client::BuildClipboardText(GetCaption(), label_ ? label_->text().toStdString() : std::string(), captions);
}

void TMessageForm::CopyTextToClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw u3::Exception("Cannot open clipboard");
    clipboard->clear();
    clipboard->setText(Q(BuildClipboardText()));
}

TMessageForm* CreateMessageForm(const std::string& text, const std::vector<std::string>& buttons,
                                const std::string& checkCaption)
{
    auto* form = new TMessageForm(nullptr);
    form->ApplyLanguageFont();
    form->Widget()->setLayoutDirection(QGuiApplication::layoutDirection());
    form->SetBorderStyle(fw::bsDialog);
    form->SetKeyPreview(true);

    const QFont font = form->GetFont()->ToQFont();
    const QFontMetrics metrics(font);
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    MessageLayoutInput in;
    in.text = text;
    in.captions = buttons;
    in.checkCaption = checkCaption;
    in.avgCharWidth = metrics.horizontalAdvance(letters) / 52;
    in.charHeight = metrics.height();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        in.screenWidth = screen->geometry().width();
        in.screenHeight = screen->geometry().height();
    }
    in.frameWidth = form->GetWidth() - form->ClientWidth();
    in.frameHeight = form->GetHeight() - form->ClientHeight();
    in.scrollBarWidth = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    in.textWidth = [&](const QString& s) { return metrics.horizontalAdvance(s); };
    in.wrappedSize = [&](const QString& s, int width) {
        return metrics.boundingRect(QRect(0, 0, std::max(1, width), 1 << 20), Qt::TextWordWrap | Qt::TextExpandTabs, s)
            .size();
    };

    auto* window = form->Widget();
    QCheckBox probe;
    if (!checkCaption.empty()) {
        probe.setFont(font);
        in.checkBoxHeight = std::max(17, probe.sizeHint().height());
    }
    const MessageLayout layout = LayoutMessageForm(in);

    form->SetBounds(layout.position.x(), layout.position.y(), layout.clientWidth + in.frameWidth,
                    layout.clientHeight + in.frameHeight);
    form->SetCaption(fw::ApplicationTitle());

    auto* label = new QLabel(Q(text));
    label->setObjectName("Message");
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->label_ = label;
    if (layout.scrolls) {
        auto* scroll = new QScrollArea(window);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setGeometry(layout.scrollBox);
        scroll->setWidget(label);
        scroll->setWidgetResizable(false);
        label->setGeometry(layout.label);
        form->scrollBox_ = scroll;
    } else {
        label->setParent(window);
        QRect r = layout.label;
        if (window->layoutDirection() == Qt::RightToLeft)
            r.moveLeft(layout.clientWidth - r.left() - r.width());
        label->setGeometry(r);
    }

    if (!checkCaption.empty()) {
        auto* check = new QCheckBox(Q(checkCaption), window);
        check->setChecked(false);
        check->setGeometry(layout.checkBox);
        if (!layout.checkHint.empty())
            check->setToolTip(Q(layout.checkHint));
        QObject::connect(check, &QCheckBox::clicked, window,
                         [form] { fw::RunFromEventLoop([form] { form->CheckBoxClick(); }); });
        form->checkBox_ = check;
    }

    for (size_t i = 0; i < layout.buttons.size(); ++i) {
        const MessageLayout::Button& b = layout.buttons[i];
        auto* button = new QToolButton(window);
        button->setObjectName(QString("Button%1").arg(i));
        button->setFocusPolicy(Qt::NoFocus);
        button->setText(Q(b.caption));
        if (!b.hint.empty())
            button->setToolTip(Q(b.hint));
        button->setGeometry(b.rect);
        const int tag = static_cast<int>(i);
        QObject::connect(button, &QToolButton::clicked, window,
                         [form, tag] { fw::RunFromEventLoop([form, tag] { form->ButtonClick(tag); }); });
        if (buttons[i] == "&Cancel")
            form->cancelButton_ = button;
        form->buttons_.push_back(button);
    }
    form->ApplyLanguageFont();
    return form;
}

int ExecuteMessageForm(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons,
                       const std::string& checkCaption, bool* checked)
{
    std::unique_ptr<TMessageForm> form(CreateMessageForm(text, buttons, checkCaption));
    form->SetPosition(fw::poScreenCenter);
    form->SetBorderStyle(fw::bsDialog);
    QWidget* w = form->Widget();
    w->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    form->SetCaption(caption);
    fw::Guard<TMessageForm> alive(form.get());
    CurrentMessageDialogSeam().Run(*form);
    if (!alive) {
        // Freed by someone else while it ran: deletion is theirs.
        (void)form.release();
        return -1;
    }
    if (checked)
        *checked = form->CheckState();
    return form->ResultIndex();
}

int MessageDialog(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons)
{
    return ExecuteMessageForm(caption, text, buttons, std::string(), nullptr);
}

int MessageDialogCheck(const std::string& caption, const std::string& text, const std::string& checkCaption,
                       bool& checked, const std::vector<std::string>& buttons)
{
    return ExecuteMessageForm(caption, text, buttons, checkCaption, &checked);
}

int MessageDialogPos(int, int, int, int, int, const std::string& caption, const std::string& text,
                     const std::vector<std::string>& buttons)
{
    return ExecuteMessageForm(caption, text, buttons, std::string(), nullptr);
}

} // namespace client
